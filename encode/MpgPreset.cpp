#include "encode/MpgPreset.h"

#include "encode/Filter.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <algorithm>

namespace {

// The MPEG-1 pel aspect ratios (pixel height : width) of the codes used for
// video CDs, as FFmpeg's encoder tabulates them: giving it the inverse as
// the pixel aspect makes it write exactly that code.
double Mpeg1PelAspect(int code) {
    switch (code) {
    case 3: return 0.7031;  // 16:9, 625 lines
    case 6: return 0.8437;  // 16:9, 525 lines
    case 8: return 0.9157;  // 4:3, 625 lines
    case 12: return 1.0950; // 4:3, 525 lines
    default: return 1.0;
    }
}

void SetAspect(SVideoSettings& v, double sar) {
    AVRational q = av_d2q(sar, 10000);
    v.sarNum = q.num;
    v.sarDen = q.den;
}

// Display aspect 4:3 or 16:9 over the whole picture: pixel aspect =
// display aspect x height / width.
void SetDisplayAspect(SVideoSettings& v, bool wide) {
    int num = wide ? 16 : 4, den = wide ? 9 : 3;
    av_reduce(&v.sarNum, &v.sarDen, std::int64_t(num) * v.height, std::int64_t(den) * v.width,
              65535);
}

} // namespace

int MpgPresetOf(int format) {
    switch (format) {
    case 0: return kPresetDvd;
    case 1: return kPresetSvcd;
    case 2: return kPresetVcd;
    case 3: return kPresetMpeg2;
    case 4: return kPresetMpeg1;
    default: return -1;
    }
}

int MpgAudioRate(int preset) { return preset == kPresetDvd ? 48000 : 44100; }

SMpgFormat MpgFormatFor(int preset, bool pal, bool wide, bool still, int quality,
                        int customWidth, int customHeight, bool pcmAudio) {
    SMpgFormat f;
    SVideoSettings& v = f.video;
    v.rateNum = pal ? 25 : 30000;
    v.rateDen = pal ? 1 : 1001;
    // Groups of pictures: at most 15 (PAL) or 18 (NTSC) pictures, two
    // bidirectional pictures between references, each group closed so
    // authoring tools may cut at any of them.
    v.gop = pal ? 15 : 18;
    v.bFrames = 2;
    v.closedGop = true;
    v.threads = 2;
    v.pixelFormat = 0; // AV_PIX_FMT_YUV420P
    v.codec = preset == kPresetVcd || preset == kPresetMpeg1 ? "mpeg1video" : "mpeg2video";
    f.audioRate = MpgAudioRate(preset);
    f.mpaBitRate = 224000;
    const int lines = pal ? 576 : 480;

    switch (preset) {
    case kPresetDvd:
        v.width = 720;
        v.height = lines;
        SetDisplayAspect(v, wide);
        // DVD video: 9.8 Mbit/s at most, a 224 KiB buffer; the multiplex
        // runs at 10.08 Mbit/s in 2048-byte packs. Uncompressed stereo sound
        // takes 1.536 Mbit/s of it, so the video peak is lowered then.
        v.bitRate = 6000000;
        v.maxRate = pcmAudio ? 8000000 : 9000000;
        v.bufferSize = 224 * 1024 * 8;
        f.mux = {"dvd", 2048, 10080000, -1};
        f.streamKind = still ? CFilter::kDvdStill : CFilter::kMovingVideo;
        break;
    case kPresetSvcd:
        v.width = still ? 704 : 480;
        v.height = lines;
        SetDisplayAspect(v, wide);
        // Super video CD: 2.6 Mbit/s peak for video and sound together, a
        // 224 KiB buffer, 2324-byte packs, scan information room.
        v.bitRate = 2040000;
        v.maxRate = 2516000;
        v.bufferSize = 224 * 1024 * 8;
        v.scanOffset = true;
        f.mux = {"svcd", 2324, 0, -1};
        f.streamKind = still ? CFilter::kSvcdStill : CFilter::kMovingVideo;
        break;
    case kPresetVcd:
        v.width = still ? 704 : 352;
        v.height = still ? lines : lines / 2;
        SetAspect(v, 1.0 / Mpeg1PelAspect(pal ? (wide ? 3 : 8) : (wide ? 6 : 12)));
        // Video CD: a constant 1150 kbit/s with a 40 KiB buffer, 2324-byte
        // packs multiplexed at the disc's 1411.2 kbit/s; the first packs of
        // the disc format carry padding, hence the later start.
        v.bitRate = v.maxRate = v.minRate = 1150000;
        v.bufferSize = 40 * 1024 * 8;
        f.mux = {"vcd", 2324, 1411200, (36000 + 3 * 1200) * 100 / 9};
        f.streamKind = still ? CFilter::kVcdStill : CFilter::kMovingVideo;
        break;
    default: {
        v.width = customWidth;
        v.height = customHeight;
        v.sarNum = v.sarDen = 1;
        // The rate grows with the picture: 6 Mbit/s for 720 x 576 at 25
        // frames per second, within 1 .. 40 Mbit/s.
        double pixelsPerSecond = double(customWidth) * customHeight * v.rateNum / v.rateDen;
        auto rate = std::int64_t(6000000.0 * pixelsPerSecond / (720.0 * 576.0 * 25.0));
        v.bitRate = std::clamp<std::int64_t>(rate, 1000000, 40000000);
        v.maxRate = v.bitRate * 3 / 2;
        // A buffer of about 0.2 s at the peak, in the 16 Kibit units the
        // stream header counts, at least the DVD's and at most what the
        // header can hold.
        std::int64_t buffer = (v.maxRate / 5 + 16383) / 16384 * 16384;
        v.bufferSize = int(std::clamp<std::int64_t>(buffer, 224 * 1024 * 8, 1023 * 16384));
        f.mux = {preset == kPresetMpeg1 ? "mpeg" : "vob", 2048, 0, -1};
        f.streamKind = CFilter::kMovingVideo;
        break;
    }
    }

    if (still) {
        // One intra picture at a fixed fine quantiser; the bit rate is the
        // nominal rate the disc's still pictures are written with.
        v.gop = 1;
        v.bFrames = 0;
        v.closedGop = false;
        v.qscale = 2;
        v.minRate = 0;
        if (preset == kPresetVcd)
            v.bitRate = 2000000;
        else if (preset == kPresetSvcd)
            v.bitRate = 3000000;
        v.maxRate = std::max(v.maxRate, v.bitRate);
        if (preset == kPresetVcd || preset == kPresetSvcd)
            v.scanOffset = false;
    }

    // Quality level: more effort in choosing each macroblock's coding.
    if (quality >= 12)
        v.mbDecision = quality >= 24 ? 2 : 1;
    if (quality >= 28)
        v.trellis = true;
    return f;
}
