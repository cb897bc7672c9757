// MP4, QuickTime and Matroska files of H.264 and AAC, read back with FFmpeg.
#include "encode/EncodeThreads.h"
#include "encode/Mp4Engine.h"
#include "encode/OutputFormat.h"
#include "tests/encode/EncodeTestKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Where a top-level box of an ISO media file starts; npos when it is absent.
std::size_t BoxAt(const std::string& file, const char* type) {
    std::size_t at = 0;
    while (at + 8 <= file.size()) {
        std::uint64_t size = (std::uint8_t(file[at]) << 24) | (std::uint8_t(file[at + 1]) << 16) |
                             (std::uint8_t(file[at + 2]) << 8) | std::uint8_t(file[at + 3]);
        if (file.compare(at + 4, 4, type) == 0)
            return at;
        if (size == 1 && at + 16 <= file.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = size << 8 | std::uint8_t(file[at + std::size_t(i)]);
        }
        if (size < 8)
            return std::string::npos;
        at += size;
    }
    return std::string::npos;
}

} // namespace

TEST(Mp4Engine, ChosenByTheExtensionAnyCase) {
    EXPECT_EQ(CMp4Engine::ContainerFor("a.mp4"), "mp4");
    EXPECT_EQ(CMp4Engine::ContainerFor("a.M4V"), "mp4");
    EXPECT_EQ(CMp4Engine::ContainerFor("a.Mov"), "mov");
    EXPECT_EQ(CMp4Engine::ContainerFor("a.mkv"), "matroska");
    EXPECT_EQ(CMp4Engine::ContainerFor("a.mpg"), "");
    EXPECT_TRUE(COutputFormat::IsMp4Path("/v/holiday.MP4"));
    EXPECT_FALSE(COutputFormat::IsMp4Path("/v/holiday.avi"));
}

// Every picture, the sound as long as the pictures (within one AAC frame),
// SD tagged BT.601 and HD BT.709, square pixels, the index before the data.
TEST(Mp4Engine, H264AndAacReadBackExactly) {
    ASSERT_TRUE(CMp4Engine::Available());
    CTempDir dir;
    struct SCase {
        const char* name;
        int width, height;
        double fps;
        const char* format;
        const char* colour;
        int redLuma; // pure red's luma in the matrix of the tag, limited range
    };
    for (const SCase& c : {SCase{"sd.mp4", 320, 240, 25.0, "mov,mp4,m4a,3gp,3g2,mj2", "bt470bg", 81},
                           SCase{"hd.mov", 1280, 720, 29.97, "mov,mp4,m4a,3gp,3g2,mj2", "bt709", 63},
                           SCase{"hd.mkv", 1280, 720, 30.0, "matroska,webm", "bt709", 63}}) {
        SCOPED_TRACE(c.name);
        const int frames = 45;
        CTestVideoSrc video(c.width, c.height, frames, c.fps);
        CToneSrc audio(frames / c.fps);
        CMp4Engine engine;
        engine.SetVideoFormat(c.width, c.height, c.fps);
        const std::string path = dir / c.name;
        ASSERT_EQ(engine.Encode(&video, &audio, path, nullptr), IEncodeEngine::kDone)
            << engine.GetErrorText();
        const SFileInfo file = Inspect(path);
        EXPECT_EQ(file.format, c.format);
        const SStreamInfo* v = file.Video();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->codec, "h264");
        EXPECT_EQ(v->width, c.width);
        EXPECT_EQ(v->height, c.height);
        EXPECT_NEAR(v->fps, c.fps, 0.01);
        EXPECT_EQ(v->frames, frames);
        EXPECT_EQ(v->colourSpace, c.colour);
        // Every picture is converted with the tagged matrix, the last too.
        EXPECT_NEAR(v->lastTopLuma, c.redLuma, 3);
        EXPECT_EQ(v->topColour, 0);
        EXPECT_EQ(v->bottomColour, 1);
        const SStreamInfo* a = file.Audio();
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->codec, "aac");
        EXPECT_EQ(a->sampleRate, 48000);
        EXPECT_EQ(a->channels, 2);
        // Decoded, AAC brings the encoder's 1024 samples of priming, which
        // the file's edit list hides from players, and the last frame's
        // padding.
        EXPECT_NEAR(double(a->samples) - 1024, frames / c.fps * 48000, 1024);
        if (std::string(c.name).find(".mkv") == std::string::npos) {
            const std::string bytes = ReadWholeFile(path);
            ASSERT_NE(BoxAt(bytes, "moov"), std::string::npos);
            EXPECT_LT(BoxAt(bytes, "moov"), BoxAt(bytes, "mdat")) << "players wait for the index";
        }
    }
}

TEST(Mp4Engine, OddSidesFailAndCancelStops) {
    CTempDir dir;
    CTestVideoSrc odd(321, 240, 10);
    CMp4Engine engine;
    EXPECT_EQ(engine.Encode(&odd, nullptr, dir / "odd.mp4", nullptr), IEncodeEngine::kFailed);
    EXPECT_NE(engine.GetErrorText().find("321 x 240"), std::string::npos) << engine.GetErrorText();

    CTestVideoSrc video(160, 120, 200);
    CStopAfter stop(20);
    EXPECT_EQ(engine.Encode(&video, nullptr, dir / "cut.mp4", &stop), IEncodeEngine::kCancelled);
    const SFileInfo file = Inspect(dir / "cut.mp4");
    ASSERT_NE(file.Video(), nullptr) << "what was encoded plays";
    EXPECT_GT(file.Video()->frames, 0);
    EXPECT_LT(file.Video()->frames, 200);
}

// Pictures above 1920 x 1080 are split into slices, one per encoding thread,
// as many as the machine gives the other encoders unless the user asks.
// libx264 writes the settings it encoded with into the stream as text.
TEST(Mp4Engine, LargePicturesUseEveryCoreInSlices) {
    CTempDir dir;
    for (int requested : {0, 2}) {
        SCOPED_TRACE(requested);
        CTestVideoSrc video(2560, 1440, 3);
        CMp4Engine engine;
        engine.SetThreads(requested);
        const std::string path = dir / "large.mp4";
        ASSERT_EQ(engine.Encode(&video, nullptr, path, nullptr), IEncodeEngine::kDone)
            << engine.GetErrorText();
        const std::string bytes = ReadWholeFile(path);
        EXPECT_NE(bytes.find("sliced_threads=1"), std::string::npos);
        const std::string threads = " threads=" + std::to_string(EncodeThreads(requested)) + " ";
        EXPECT_NE(bytes.find(threads), std::string::npos) << threads;
    }
}
