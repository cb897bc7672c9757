#pragma once

#include "encode/EncodeEngine.h"

// The format settings shared by the MPEG engines: disc format, television
// standard, picture shape, sound type, custom size and quality level.
class CMpgEncodeEngine : public IEncodeEngine {
public:
    // Format numbers of SetFormat.
    enum EFormat : int { kDvd = 0, kSvcd = 1, kVcd = 2, kCustomMpeg2 = 3, kCustomMpeg1 = 4 };
    // Sound types of SetAudioType; any other value drops the sound.
    enum EAudioType : int { kAudioMpa = 0, kAudioPcm = 1 };
    // The highest quality level; larger levels are stored as this one.
    static constexpr int kMaxQuality = 31;

    // format: EFormat; pal: 1 = PAL at 25 frames per second, else NTSC;
    // wide: 1 = 16:9 picture, else 4:3.
    virtual void SetFormat(int format, int pal, int wide);
    virtual void SetAudioType(int type) { m_audioType = type; }
    // The picture size of the custom formats.
    virtual void SetCustomSize(int width, int height) {
        m_customWidth = width;
        m_customHeight = height;
    }
    // flag true writes elementary streams instead of one multiplexed file;
    // the built-in engine always multiplexes.
    virtual void SetElementary(bool flag) { m_multiplex = !flag; }
    // -1 leaves the encoder's default; 32 and above become kMaxQuality.
    virtual void SetQuality(int level) { m_quality = level >= kMaxQuality + 1 ? kMaxQuality : level; }

    [[nodiscard]] int GetFormat() const { return m_format; }
    [[nodiscard]] int GetPal() const { return m_pal; }
    [[nodiscard]] int GetWide() const { return m_wide; }
    [[nodiscard]] int GetAudioType() const { return m_audioType; }
    [[nodiscard]] int GetCustomWidth() const { return m_customWidth; }
    [[nodiscard]] int GetCustomHeight() const { return m_customHeight; }
    [[nodiscard]] bool GetMultiplex() const { return m_multiplex; }
    [[nodiscard]] int GetQuality() const { return m_quality; }
    // Encoder threads; 0 takes them from the machine (EncodeThreads).
    void SetThreads(int threads) { m_threads = threads; }
    [[nodiscard]] int GetThreads() const { return m_threads; }

    // Copies every setting into another engine, in the order SetFormat,
    // SetAudioType, SetElementary, SetQuality, SetCustomSize, then the
    // thread count.
    void CopySettingsTo(CMpgEncodeEngine& other) const;

protected:
    int m_format = kDvd;
    int m_pal = 0;
    int m_wide = 0;
    int m_audioType = kAudioMpa;
    int m_customWidth = 0;
    int m_customHeight = 0;
    bool m_multiplex = true;
    int m_quality = -1;
    int m_threads = 0;
};
