#include "encode/MpgPreset.h"

#include "encode/EncodeThreads.h"
#include "encode/Filter.h"
#include "encode/FormatTable.h"

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
    const SFormatRow* row = CFormatTable::OfMpegFormat(format);
    return row ? row->mpegPreset : -1;
}

int MpgAudioRate(int preset) {
    const SFormatRow* row = CFormatTable::OfMpegPreset(preset);
    return row ? row->audioRate : 44100;
}

SMpgFormat MpgFormatFor(int preset, bool pal, bool wide, bool still, int quality,
                        int customWidth, int customHeight, bool pcmAudio) {
    const SFormatRow* found = CFormatTable::OfMpegPreset(preset);
    const SFormatRow& row = found ? *found : *CFormatTable::OfMpegPreset(kPresetMpeg2);
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
    v.threads = EncodeThreads(0);
    v.pixelFormat = 0; // AV_PIX_FMT_YUV420P
    v.codec = row.videoCodec;
    f.audioRate = row.audioRate;
    f.mpaBitRate = row.audioBitRate;
    f.mux = row.mux;
    f.streamKind = CFilter::kMovingVideo;

    if (row.kind == SFormatRow::kDisc) {
        // Still pictures of video CDs and super video CDs are larger than
        // their moving ones: the still width at the standard's full height.
        const bool fullStill = still && row.stillWidth > 0;
        v.width = fullStill ? row.stillWidth : row.width;
        v.height = fullStill ? (pal ? 576 : 480) : row.Height(pal);
        if (row.mpegPreset == kPresetVcd)
            SetAspect(v, 1.0 / Mpeg1PelAspect(pal ? (wide ? 3 : 8) : (wide ? 6 : 12)));
        else
            SetDisplayAspect(v, wide);
        v.bitRate = row.bitRate;
        v.maxRate = pcmAudio && row.maxRatePcm > 0 ? row.maxRatePcm : row.maxRate;
        v.minRate = row.minRate;
        v.bufferSize = row.bufferBits;
        v.scanOffset = row.scanOffset;
        if (still)
            f.streamKind = preset == kPresetDvd    ? CFilter::kDvdStill
                           : preset == kPresetSvcd ? CFilter::kSvcdStill
                                                   : CFilter::kVcdStill;
    } else {
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
    }

    if (still) {
        // One intra picture at a fixed fine quantiser; the bit rate is the
        // nominal rate the disc's still pictures are written with.
        v.gop = 1;
        v.bFrames = 0;
        v.closedGop = false;
        v.qscale = 2;
        v.minRate = 0;
        // Video CD and super video CD stills carry no scan information.
        if (row.stillBitRate > 0) {
            v.bitRate = row.stillBitRate;
            v.scanOffset = false;
        }
        v.maxRate = std::max(v.maxRate, v.bitRate);
    }

    const SMpgEffort effort = MpgEffortFor(quality);
    v.mbDecision = effort.mbDecision;
    v.trellis = effort.trellis;
    v.bidirRefine = effort.bidirRefine;
    return f;
}

SMpgEffort MpgEffortFor(int quality) {
    // Measured on albums of camera photographs (docs/encoding-levels.md):
    // trellis quantisation buys nearly all the quality of rate-distortion
    // macroblock decision and trellis together at about half their cost;
    // rate-distortion decision, or motion search compared by SATD, on top
    // of it buys less than 0.1 dB for 30 to 90 % more time, nothing
    // visible, so no level takes them. Refining both vectors of
    // bidirectional blocks costs a quarter to a third of the plain encode
    // and buys about as much for it as trellis does (0.1 to 0.2 dB, 1 to 2 %
    // of size); without it, B-pictures cost little more than none, whose
    // files are a quarter larger. The lower half leaves it out for speed.
    SMpgEffort e;
    e.trellis = quality >= kTrellisQuality;
    e.bidirRefine = quality >= 0 && quality < kTrellisQuality ? 0 : 1;
    return e;
}
