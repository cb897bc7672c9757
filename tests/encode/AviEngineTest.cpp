#include "encode/AudioFeed.h"
#include "encode/AviEngine.h"
#include "tests/encode/EncodeTestKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(AviEngine, DefaultCodecsPlayEverywhere) {
    CTempDir dir;
    CTestVideoSrc video(320, 240, 30);
    CToneSrc audio(1.2);
    CAviEngine engine;
    engine.SetVideoFormat(320, 240, 24, 25.0);
    engine.SetAudioFormat(44100, 2, 16);
    ASSERT_EQ(engine.Encode(&video, &audio, dir / "a.avi", nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    SFileInfo file = Inspect(dir / "a.avi");
    EXPECT_EQ(file.format, "avi");
    const SStreamInfo* v = file.Video();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->codec, "mpeg4");
    EXPECT_EQ(v->width, 320);
    EXPECT_EQ(v->height, 240);
    EXPECT_NEAR(v->fps, 25.0, 1e-6);
    EXPECT_EQ(v->frames, 30);
    EXPECT_EQ(v->topColour, 0);
    EXPECT_EQ(v->bottomColour, 1);
    const SStreamInfo* a = file.Audio();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->codec, CAviEngine::DefaultAudioCodec() == "libmp3lame" ? "mp3float" : "mp2");
    EXPECT_EQ(a->sampleRate, 44100);
    EXPECT_EQ(a->channels, 2);
    EXPECT_NEAR(double(a->samples), 30 / 25.0 * 44100, 2 * 1152);
}

// Uncompressed pictures are stored bottom row first, as AVI readers expect;
// NTSC runs at 30000/1001; PCM sound is exact to the sample.
TEST(AviEngine, UncompressedNtscWithPcm) {
    CTempDir dir;
    CTestVideoSrc video(64, 48, 45, 29.97);
    CToneSrc audio(2.0);
    CAviEngine engine;
    engine.SetVideoFormat(64, 48, 24, 29.97);
    ASSERT_TRUE(engine.SetVideoCodec("rawvideo"));
    ASSERT_TRUE(engine.ChooseAudioCodec(1));
    EXPECT_EQ(engine.GetAudioCodec(), "pcm_s16le");
    ASSERT_EQ(engine.Encode(&video, &audio, dir / "raw.avi", nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    SFileInfo file = Inspect(dir / "raw.avi");
    const SStreamInfo* v = file.Video();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->codec, "rawvideo");
    EXPECT_NEAR(v->fps, 30000.0 / 1001, 1e-6);
    EXPECT_EQ(v->frames, 45);
    EXPECT_EQ(v->topColour, 0);
    EXPECT_EQ(v->bottomColour, 1);
    ASSERT_NE(file.Audio(), nullptr);
    EXPECT_EQ(file.Audio()->samples, SamplesThrough(44, 44100, 30000, 1001));
}

TEST(AviEngine, CodecChoices) {
    CAviEngine engine;
    EXPECT_EQ(engine.GetVideoCodec(), "mpeg4");
    auto video = CAviEngine::VideoCodecs();
    auto audio = CAviEngine::AudioCodecs();
    for (const char* name : {"mpeg4", "mjpeg", "ffv1", "huffyuv", "rawvideo"})
        EXPECT_TRUE(std::any_of(video.begin(), video.end(),
                                [&](const CAviEngine::SCodec& c) { return c.name == std::string(name); }))
            << name;
    for (const auto& c : audio)
        EXPECT_TRUE(CAviEngine::Usable(c.name, false)) << c.name;
    EXPECT_TRUE(engine.ChooseVideoCodec("MJPG"));
    EXPECT_EQ(engine.GetVideoCodec(), "mjpeg");
    EXPECT_TRUE(engine.ChooseVideoCodec(nullptr));
    EXPECT_EQ(engine.GetVideoCodec(), "mjpeg");
    EXPECT_FALSE(engine.ChooseVideoCodec("QQQQ"));
    EXPECT_TRUE(engine.ChooseAudioCodec(0x50));
    EXPECT_EQ(engine.GetAudioCodec(), "mp2");
    EXPECT_TRUE(engine.ChooseAudioCodec(-1));
    EXPECT_EQ(engine.GetAudioCodec(), "mp2");
    // A sound encoder is no video codec.
    EXPECT_FALSE(engine.SetVideoCodec("mp2"));

    // Motion JPEG with Layer II sound, the second choice most players know.
    CTempDir dir;
    CTestVideoSrc source(160, 120, 12);
    CToneSrc tone(0.5);
    ASSERT_TRUE(engine.SetVideoCodec("mjpeg"));
    ASSERT_EQ(engine.Encode(&source, &tone, dir / "m.avi", nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    SFileInfo file = Inspect(dir / "m.avi");
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_EQ(file.Video()->codec, "mjpeg");
    EXPECT_EQ(file.Video()->frames, 12);
    ASSERT_NE(file.Audio(), nullptr);
    EXPECT_EQ(file.Audio()->codec, "mp2");
}

TEST(AviEngine, CancelKeepsWhatWasWritten) {
    CTempDir dir;
    CTestVideoSrc video(160, 120, 50);
    CToneSrc audio(2.0);
    CStopAfter stop(20);
    CAviEngine engine;
    EXPECT_EQ(engine.Encode(&video, &audio, dir / "c.avi", &stop), IEncodeEngine::kCancelled);
    SFileInfo file = Inspect(dir / "c.avi");
    ASSERT_TRUE(file.opened);
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_EQ(file.Video()->frames, 20);
}
