#pragma once

#include <memory>
#include <string>

class IAudioSrc;
class IEncodeEngine;
class IVideoSrc;
struct SFormatRow;

// The choice of output format and the engine made for it: the television
// standard and the format (DVD, SVCD, VCD, a custom size or a size for
// screens, rows of the format table) give the picture size, frame rate and
// sound rate; a path ending in "avi" makes an AVI file of that size instead
// of an MPEG stream, and one ending in "mp4", "m4v", "mov" or "mkv" a file
// for screens. The wizard's format page and the command line both use it;
// they decide the standard and the aspect (from their controls or options,
// with the settings as defaults) and set them here as values.
class COutputFormat {
public:
    // The format page's positions of the disc types; the sizes for screens
    // follow them (CFormatTable::AtPage).
    enum EDisc : int { kDvd = 0, kSvcd = 1, kVcd = 2, kCustom = 3 };

    // DVD of the standard and aspect given, the custom size 720 x 576.
    COutputFormat(bool pal, bool wide) : m_pal(pal), m_wide(wide) {}

    void SetStandard(bool pal);
    // A format by its page position; out of range ones become the nearest.
    void SetDisc(int disc);
    // A custom size as the size fields commit it: the width rounded down to a
    // multiple of 8 within 200 .. 1920, the height to a multiple of 4 within
    // 200 .. 1440. Only used while the disc type is custom (or for AVI files).
    void SetCustomSize(int width, int height);
    // The rule for each side alone, as a size field commits it.
    static int CustomWidth(int width);
    static int CustomHeight(int height);
    // 16:9 (true) or 4:3.
    void SetWide(bool wide) { m_wide = wide; }
    // The picture of an MP4 (or QuickTime, Matroska) file: any even size,
    // square pixels, the album filling the frame at its shape; a frame rate.
    // Without it such a file has the size of the chosen format for screens,
    // or 1280 x 720 (960 x 720 for 4:3), at 25 or 30 pictures a second as
    // the standard says.
    void SetScreen(int width, int height, double frameRate);
    [[nodiscard]] int ScreenWidth() const;
    [[nodiscard]] int ScreenHeight() const;
    [[nodiscard]] double ScreenRate() const;
    // Whether a screen size may be asked for: even sides of 128 to 3840
    // pixels, at most 3840 x 2160 in all.
    static bool ScreenSizeAllowed(int width, int height);
    // The frame rates screen files are made at.
    static bool ScreenRateAllowed(double rate);

    // FFmpeg encoder names for AVI files; empty for the defaults.
    void SetAviCodecs(std::string video, std::string audio);

    // The quality level of MPEG streams (0 fastest to 31 best, see
    // MpgFormatFor); the format page's level unless set.
    static constexpr int kPageQuality = 31;
    void SetQuality(int level) { m_quality = level; }
    [[nodiscard]] int Quality() const { return m_quality; }
    // Encoder threads of every engine; 0 takes them from the machine.
    void SetThreads(int threads) { m_threads = threads; }

    [[nodiscard]] bool IsPal() const { return m_pal; }
    [[nodiscard]] int Disc() const { return m_disc; }
    [[nodiscard]] const SFormatRow& Row() const;
    // The size the fields show: the disc's own, or the custom one.
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;
    [[nodiscard]] bool SizeEditable() const { return m_disc == kCustom; }
    // 25.0 for PAL, 29.97 for NTSC.
    [[nodiscard]] double FrameRate() const { return m_pal ? 25.0 : 29.97; }
    [[nodiscard]] bool IsWide() const { return m_wide; }
    // Width over height of one pixel: the disc's own shape (display aspect x
    // height / width), 1 for custom sizes, whose pixels are square.
    [[nodiscard]] double PixelAspect() const;

    // Where an album of 4:3 (or 16:9 when wide) goes in a frame: the disc
    // sizes' pixels take its shape and it fills the frame; square pixels
    // hold it at its own aspect, centred, never stretched, with bars where
    // the shapes differ.
    struct SPlacement {
        double pixelAspect = 1.0;
        int left = 0, top = 0, right = 0, bottom = 0; // the album's part of the frame
    };
    static SPlacement Place(int width, int height, bool wide, bool squarePixels);
    [[nodiscard]] SPlacement Placement() const;
    // Whether a size is one of the discs' (DVD, SVCD, VCD of either standard).
    static bool IsDiscSize(int width, int height);
    // 48000 for DVD streams, 44100 otherwise (AVI files too).
    [[nodiscard]] int SampleRate(const std::string& path) const;

    static bool IsAviPath(const std::string& path);
    // .mp4, .m4v, .mov and .mkv files: H.264 and AAC, square pixels.
    static bool IsMp4Path(const std::string& path);

    // Makes and configures the engine for the path, sets the audio source (may
    // be null) to the sound format and asks the video source for frames of the
    // size, pixel aspect and rate. Null, with a reason in error, when a codec
    // is unknown or the video source refuses the format.
    std::unique_ptr<IEncodeEngine> CreateEngine(IVideoSrc* video, IAudioSrc* audio,
                                                const std::string& path, std::string* error) const;

private:
    // The format of files for screens: the chosen one, or HD 720p.
    [[nodiscard]] const SFormatRow& ScreenRow() const;

    bool m_pal;
    int m_disc = kDvd;
    int m_customWidth = 720;
    int m_customHeight = 576;
    bool m_wide;
    int m_screenWidth = 0, m_screenHeight = 0;
    double m_screenRate = 0;
    std::string m_videoCodec, m_audioCodec;
    int m_quality = kPageQuality;
    int m_threads = 0;
};
