#include "encode/EncodeThreads.h"
#include "encode/McMpgEngine.h"
#include "encode/MpgEngine.h"
#include "encode/MpgPreset.h"
#include "encode/VidEnc.h"
#include "tests/encode/EncodeTestKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

namespace {

struct SDiscCase {
    const char* name;
    int format;
    int pal;
    int wide;
    const char* codec;
    int width, height;
    double fps;
    int aspectCode;
    int audioRate;
    int packSize;
    int gopLimit;
    std::int64_t videoRate; // the stream's rate: VCD's fixed one, else the disc's peak
};

// Every disc format with both standards and shapes, through the engine the
// output page creates.
class MpgDisc : public testing::TestWithParam<SDiscCase> {};

std::string CaseName(const testing::TestParamInfo<SDiscCase>& info) { return info.param.name; }

} // namespace

TEST_P(MpgDisc, FollowsItsStandard) {
    const SDiscCase& c = GetParam();
    CTempDir dir;
    const std::string path = dir / "out.mpg";
    // A little over one group of pictures, from a source smaller than the
    // disc's picture (it is scaled).
    const unsigned frames = 40;
    CTestVideoSrc video(176, 144, frames, c.fps);
    CToneSrc audio(frames / c.fps);
    CMpgEngine engine;
    engine.SetFormat(c.format, c.pal, c.wide);
    engine.SetAudioType(0);
    ASSERT_EQ(engine.Encode(&video, &audio, path, nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();

    SFileInfo file = Inspect(path);
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.format, "mpeg");
    EXPECT_EQ(file.size % c.packSize, 0) << "packs of " << c.packSize << " bytes";
    const SStreamInfo* v = file.Video();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->codec, c.codec);
    EXPECT_EQ(v->width, c.width);
    EXPECT_EQ(v->height, c.height);
    EXPECT_NEAR(v->fps, c.fps, 1e-6);
    EXPECT_EQ(v->frames, frames);
    EXPECT_LE(v->longestGop, c.gopLimit);
    EXPECT_EQ(file.mpegAspectCode, c.aspectCode);
    if (c.format == 2)
        EXPECT_EQ(v->bitRate, c.videoRate);
    else
        EXPECT_LE(v->bitRate, c.videoRate);
    EXPECT_EQ(v->topColour, 0) << "the picture's top is red";
    EXPECT_EQ(v->bottomColour, 1) << "the picture's bottom is blue";
    const SStreamInfo* a = file.Audio();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->codec, "mp2");
    EXPECT_EQ(a->bitRate, 224000);
    EXPECT_EQ(a->sampleRate, c.audioRate);
    EXPECT_EQ(a->channels, 2);
    // The sound lasts as long as the pictures, to within one Layer II frame.
    EXPECT_NEAR(double(a->samples), frames / c.fps * c.audioRate, 1152);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MpgDisc,
    testing::Values(
        SDiscCase{"DvdPal43", 0, 1, 0, "mpeg2video", 720, 576, 25.0, 2, 48000, 2048, 15, 9800000},
        SDiscCase{"DvdPal169", 0, 1, 1, "mpeg2video", 720, 576, 25.0, 3, 48000, 2048, 15, 9800000},
        SDiscCase{"DvdNtsc43", 0, 0, 0, "mpeg2video", 720, 480, 30000.0 / 1001, 2, 48000, 2048, 18, 9800000},
        SDiscCase{"DvdNtsc169", 0, 0, 1, "mpeg2video", 720, 480, 30000.0 / 1001, 3, 48000, 2048, 18, 9800000},
        SDiscCase{"SvcdPal", 1, 1, 0, "mpeg2video", 480, 576, 25.0, 2, 44100, 2324, 15, 2600000},
        SDiscCase{"SvcdNtsc169", 1, 0, 1, "mpeg2video", 480, 480, 30000.0 / 1001, 3, 44100, 2324, 18, 2600000},
        SDiscCase{"VcdPal", 2, 1, 0, "mpeg1video", 352, 288, 25.0, 8, 44100, 2324, 15, 1150000},
        SDiscCase{"VcdPal169", 2, 1, 1, "mpeg1video", 352, 288, 25.0, 3, 44100, 2324, 15, 1150000},
        SDiscCase{"VcdNtsc", 2, 0, 0, "mpeg1video", 352, 240, 30000.0 / 1001, 12, 44100, 2324, 18, 1150000},
        SDiscCase{"VcdNtsc169", 2, 0, 1, "mpeg1video", 352, 240, 30000.0 / 1001, 6, 44100, 2324, 18, 1150000}),
    CaseName);

TEST(MpgCustom, Mpeg1AndMpeg2AtTheGivenSize) {
    CTempDir dir;
    for (int format : {3, 4}) {
        const std::string path = dir / ("custom" + std::to_string(format) + ".mpg");
        CTestVideoSrc video(64, 48, 30, 30000.0 / 1001);
        CToneSrc audio(1.0);
        CMpgEngine engine;
        engine.SetFormat(format, 0, 0);
        engine.SetCustomSize(208, 120);
        ASSERT_EQ(engine.Encode(&video, &audio, path, nullptr), IEncodeEngine::kDone)
            << engine.GetErrorText();
        SFileInfo file = Inspect(path);
        const SStreamInfo* v = file.Video();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->codec, format == 3 ? "mpeg2video" : "mpeg1video");
        EXPECT_EQ(v->width, 208);
        EXPECT_EQ(v->height, 120);
        EXPECT_EQ(v->frames, 30);
        EXPECT_EQ(file.mpegAspectCode, 1) << "square pixels";
        ASSERT_NE(file.Audio(), nullptr);
        EXPECT_EQ(file.Audio()->sampleRate, 44100);
    }
}

TEST(MpgSettings, QualityClampAndPresetChoice) {
    CMpgEngine engine;
    EXPECT_EQ(engine.GetQuality(), -1);
    engine.SetQuality(40);
    EXPECT_EQ(engine.GetQuality(), 31);
    engine.SetQuality(32);
    EXPECT_EQ(engine.GetQuality(), 31);
    engine.SetQuality(7);
    EXPECT_EQ(engine.GetQuality(), 7);
    engine.SetElementary(true);
    EXPECT_FALSE(engine.GetMultiplex());
    engine.SetThreads(5);

    CMcMpgEngine real;
    engine.SetFormat(2, 1, 1);
    engine.CopySettingsTo(real);
    EXPECT_EQ(real.GetPreset(), kPresetVcd);
    EXPECT_EQ(real.GetPalFlag(), 1);
    EXPECT_EQ(real.GetQuality(), 7);
    EXPECT_EQ(real.GetThreads(), 5);
    real.SetFormat(0, 2, 0); // only exactly 1 means PAL
    EXPECT_EQ(real.GetPreset(), kPresetDvd);
    EXPECT_EQ(real.GetPalFlag(), 0);
    real.SetFormat(4, 1, 0);
    EXPECT_EQ(real.GetPreset(), kPresetMpeg1);
    EXPECT_EQ(MpgPresetOf(3), kPresetMpeg2);
    EXPECT_EQ(MpgPresetOf(1), kPresetSvcd);
    EXPECT_EQ(MpgPresetOf(9), -1);
}

// Each quality level's effort reaches the encoder: the plain choices with
// unrefined bidirectional vectors up to the trellis level, trellis
// quantisation and the refinement from it (and at the encoder's defaults,
// -1); no level takes the rate-distortion macroblock decision, which bought
// nothing visible for its cost. Effort never falls as the level rises.
TEST(MpgSettings, QualityLevelsChooseTheMeasuredEffort) {
    struct SLevel {
        int quality;
        bool trellis;
        int bidirRefine;
    };
    CTestVideoSrc frames(720, 576, 3);
    for (const SLevel& level :
         {SLevel{-1, false, 1}, SLevel{0, false, 0}, SLevel{kFastQuality, false, 0},
          SLevel{kTrellisQuality - 1, false, 0}, SLevel{kTrellisQuality, true, 1},
          SLevel{31, true, 1}}) {
        CVidEnc encoder(&frames, kPresetDvd, 1, 0, level.quality, 0, 0);
        ASSERT_TRUE(encoder.Init()) << encoder.GetError();
        const AVCodecContext* c = encoder.Codec();
        EXPECT_EQ(c->trellis, level.trellis ? 1 : 0) << level.quality;
        EXPECT_EQ(c->mb_decision, 0) << level.quality;
        std::int64_t refine = -1;
        ASSERT_GE(av_opt_get_int(const_cast<AVCodecContext*>(c), "bidir_refine", AV_OPT_SEARCH_CHILDREN, &refine), 0);
        EXPECT_EQ(refine, level.bidirRefine) << level.quality;
        EXPECT_EQ(c->thread_count, EncodeThreads(0)) << level.quality;
    }
    EXPECT_LT(kFastQuality, kTrellisQuality);
    SMpgEffort before = MpgEffortFor(0);
    for (int q = 1; q <= 31; ++q) {
        const SMpgEffort e = MpgEffortFor(q);
        EXPECT_GE(e.mbDecision, before.mbDecision) << q;
        EXPECT_GE(e.trellis, before.trellis) << q;
        EXPECT_GE(e.bidirRefine, before.bidirRefine) << q;
        before = e;
    }
    // A thread count asked for reaches the encoder.
    CVidEnc three(&frames, kPresetDvd, 1, 0, 31, 0, 0);
    three.SetThreads(3);
    ASSERT_TRUE(three.Init()) << three.GetError();
    EXPECT_EQ(three.Codec()->thread_count, 3);
}

// Threads from the machine: one more than the cores this process may run
// on, within 1 .. kMaxEncodeThreads; a count asked for as it is, within
// 1 .. kMaxRequestedThreads.
TEST(MpgSettings, EncoderThreadsFollowTheCores) {
    EXPECT_EQ(EncodeThreads(0), std::clamp(UsableCores() + 1, 1, kMaxEncodeThreads));
    EXPECT_EQ(EncodeThreads(-2), EncodeThreads(0));
    EXPECT_EQ(EncodeThreads(3), 3);
    EXPECT_EQ(EncodeThreads(1000), kMaxRequestedThreads);
}

// A one-frame source is a still picture: one intra picture at the still size
// of the preset, followed by the whole sound track.
TEST(MpgStill, OneFrameBecomesTheDiscStill) {
    CTestVideoSrc one(720, 576, 1);
    CVidEnc dvd(&one, kPresetDvd, 1, 0, -1, 0, 0);
    EXPECT_TRUE(dvd.IsStill());
    EXPECT_EQ(dvd.StreamKind(), CFilter::kDvdStill);
    CVidEnc vcd(&one, kPresetVcd, 1, 0, -1, 0, 0);
    EXPECT_EQ(vcd.StreamKind(), CFilter::kVcdStill);
    EXPECT_EQ(vcd.Settings().width, 704);
    CVidEnc svcd(&one, kPresetSvcd, 0, 0, -1, 0, 0);
    EXPECT_EQ(svcd.StreamKind(), CFilter::kSvcdStill);
    EXPECT_EQ(svcd.Settings().height, 480);

    CTempDir dir;
    for (int type : {0, 1}) {
        const std::string path = dir / ("still" + std::to_string(type) + ".mpg");
        CToneSrc audio(2.0);
        CMpgEngine engine;
        engine.SetFormat(0, 1, 0);
        engine.SetAudioType(type);
        ASSERT_EQ(engine.Encode(&one, &audio, path, nullptr), IEncodeEngine::kDone)
            << engine.GetErrorText();
        SFileInfo file = Inspect(path);
        EXPECT_EQ(file.format, "mpeg");
        const SStreamInfo* v = file.Video();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->frames, 1);
        EXPECT_EQ(v->width, 720);
        EXPECT_EQ(file.mpegAspectCode, 2);
        const SStreamInfo* a = file.Audio();
        ASSERT_NE(a, nullptr);
        // Linear PCM stays inside the program stream as DVD sound.
        EXPECT_EQ(a->codec, type == 0 ? "mp2" : "pcm_dvd");
        EXPECT_EQ(a->sampleRate, 48000);
        EXPECT_NEAR(double(a->samples), 2.0 * 48000, 1152);
    }
}

// Sound without pictures in linear PCM is a WAV file; its header tells the
// length really written even when the source ends early.
TEST(MpgWav, SoundOnlyPcmIsAWavFile) {
    CTempDir dir;
    const std::string path = dir / "sound.wav";
    CToneSrc audio(1.5, 3.0);
    CMcMpgEngine engine;
    engine.SetFormat(1, 1, 0);
    engine.SetAudioType(1);
    ASSERT_EQ(engine.Encode(nullptr, &audio, path, nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    SFileInfo file = Inspect(path);
    EXPECT_EQ(file.format, "wav");
    EXPECT_EQ(file.size, 44 + 66150 * 4);
    ASSERT_EQ(file.streams.size(), 1U);
    EXPECT_EQ(file.streams[0].codec, "pcm_s16le");
    EXPECT_EQ(file.streams[0].sampleRate, 44100);
    EXPECT_EQ(file.streams[0].channels, 2);
    EXPECT_EQ(file.streams[0].samples, 66150);
    const std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");

    // Layer II sound without pictures is an audio-only program stream.
    CToneSrc again(1.0);
    engine.SetAudioType(0);
    ASSERT_EQ(engine.Encode(nullptr, &again, dir / "sound.mpg", nullptr), IEncodeEngine::kDone);
    SFileInfo mpa = Inspect(dir / "sound.mpg");
    ASSERT_EQ(mpa.streams.size(), 1U);
    EXPECT_EQ(mpa.streams[0].codec, "mp2");
}

TEST(MpgSound, AlbumsWithoutSoundAndShortMusic) {
    CTempDir dir;
    CMpgEngine engine;
    engine.SetFormat(3, 1, 0);
    engine.SetCustomSize(64, 48);
    // No sound at all (and a sound of length 0 is the same): video only.
    CTestVideoSrc video(64, 48, 50);
    CToneSrc silent(0.0);
    for (IAudioSrc* audio : {static_cast<IAudioSrc*>(nullptr), static_cast<IAudioSrc*>(&silent)}) {
        ASSERT_EQ(engine.Encode(&video, audio, dir / "mute.mpg", nullptr), IEncodeEngine::kDone);
        SFileInfo file = Inspect(dir / "mute.mpg");
        ASSERT_EQ(file.streams.size(), 1U);
        EXPECT_EQ(file.Video()->frames, 50);
    }
    // Music of 0.5 s under 4 s of pictures: the rest of the track is silence,
    // and the sound still lasts as long as the pictures.
    CTestVideoSrc longer(64, 48, 100);
    CToneSrc music(0.5);
    ASSERT_EQ(engine.Encode(&longer, &music, dir / "short.mpg", nullptr), IEncodeEngine::kDone);
    SFileInfo file = Inspect(dir / "short.mpg");
    const SStreamInfo* a = file.Audio();
    ASSERT_NE(a, nullptr);
    EXPECT_NEAR(double(a->samples), 4.0 * 44100, 1152);
    EXPECT_GT(a->headLevel, 1000);
    EXPECT_LT(a->tailLevel, 5);
}

// Minutes of NTSC pictures at a tiny size: the sound ends with the pictures,
// to within one Layer II frame (a fixed 1471 samples per picture would end
// 2500 samples early).
TEST(MpgSound, LongNtscEncodeStaysInSync) {
    CTempDir dir;
    const unsigned frames = 3 * 60 * 30000 / 1001; // three minutes
    CTestVideoSrc video(16, 16, frames, 30000.0 / 1001);
    CToneSrc music(200.0);
    CMpgEngine engine;
    engine.SetFormat(4, 0, 0);
    engine.SetCustomSize(16, 16);
    ASSERT_EQ(engine.Encode(&video, &music, dir / "long.mpg", nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    SFileInfo file = Inspect(dir / "long.mpg");
    ASSERT_NE(file.Video(), nullptr);
    ASSERT_NE(file.Audio(), nullptr);
    EXPECT_EQ(file.Video()->frames, frames);
    const double pictureSeconds = frames * 1001.0 / 30000.0;
    EXPECT_NEAR(double(file.Audio()->samples), pictureSeconds * 44100, 1152);
}

// Stopping in the frame loop: result 1, and the file holds every picture
// pushed before the stop.
TEST(MpgCancel, StopsAndLeavesAPlayableFile) {
    CTempDir dir;
    CTestVideoSrc video(720, 576, 100);
    CToneSrc audio(4.0);
    CStopAfter stop(30);
    CMpgEngine engine;
    engine.SetFormat(0, 1, 0);
    EXPECT_EQ(engine.Encode(&video, &audio, dir / "cut.mpg", &stop), IEncodeEngine::kCancelled);
    EXPECT_EQ(stop.calls, 30);
    EXPECT_EQ(stop.last, 30);
    SFileInfo file = Inspect(dir / "cut.mpg");
    ASSERT_TRUE(file.opened);
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_EQ(file.Video()->frames, 30);
    ASSERT_NE(file.Audio(), nullptr);
    EXPECT_NEAR(double(file.Audio()->samples), 30 / 25.0 * 48000, 1152);
}

// The pre-encoded entry multiplexes a video elementary stream unchanged.
TEST(MpgPreEncoded, MultiplexesAVideoStreamFile) {
    CTempDir dir;
    // An elementary stream written by the engine's own video element.
    CTestVideoSrc video(720, 576, 24);
    CMpgEngine first;
    first.SetFormat(0, 1, 0);
    ASSERT_EQ(first.Encode(&video, nullptr, dir / "v.mpg", nullptr), IEncodeEngine::kDone);
    ASSERT_TRUE(ExtractVideo(dir / "v.mpg", dir / "v.m2v"));
    CToneSrc audio(24 / 25.0);
    CMcMpgEngine engine;
    engine.SetFormat(0, 1, 0);
    ASSERT_EQ(engine.EncodeFile(dir / "v.m2v", &audio, dir / "muxed.mpg", nullptr),
              IEncodeEngine::kDone)
        << engine.GetErrorText();
    SFileInfo file = Inspect(dir / "muxed.mpg");
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_EQ(file.Video()->frames, 24);
    ASSERT_NE(file.Audio(), nullptr);
    EXPECT_NEAR(double(file.Audio()->samples), 24 / 25.0 * 48000, 1152);
}
