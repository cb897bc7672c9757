// kelvclip-cli transition over the build's transfx module: frames written as
// opaque PNG files that start on the outgoing picture and end on the incoming one.
#include "media/AnyPicDecoder.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace {

int Cli(const std::string& args) {
    int status = std::system((std::string(KV_CLI) + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

STestImage Flat(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    return STestImage(w, h, [=](int, int) -> std::array<std::uint8_t, 4> { return {b, g, r, 255}; });
}

} // namespace

TEST(TransitionCommand, WritesEveryFrameFromAToB) {
    CTempDir dir;
    std::string a = dir.WriteFile("a.png", PngBytes(Flat(32, 24, 200, 10, 10), false));
    std::string b = dir.WriteFile("b.jpg", JpegBytes(Flat(64, 48, 10, 10, 200)));
    ASSERT_EQ(Cli("transition 'Fade Plugin' " + a + " " + b + " --frames 4 -o " + (dir / "out")),
              0);
    for (int i = 0; i < 4; ++i) {
        std::string path = dir / ("out/frame_000" + std::to_string(i) + ".png");
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        PLAnyPicDecoder dec;
        PLAnyBmp frame;
        dec.DecodeFile(path, &frame, 32);
        EXPECT_EQ(frame.GetWidth(), 32); // A's size; B is scaled to it
        EXPECT_FALSE(frame.HasAlpha());
        if (i == 0) {
            EXPECT_TRUE(Near(PixelAt(frame, 5, 5), 200, 10, 10, 2));
        }
        if (i == 3) {
            EXPECT_TRUE(Near(PixelAt(frame, 20, 20), 10, 10, 200, 6));
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out/frame_0004.png"));

    ASSERT_EQ(Cli("transition 'Wipe Plugin' " + a + " " + b +
                  " --frames 3 --size 20x10 --set Direction=2 -o " + (dir / "wipe")),
              0);
    PLAnyPicDecoder dec;
    PLAnyBmp frame;
    dec.DecodeFile(dir / "wipe/frame_0002.png", &frame, 32);
    EXPECT_EQ(frame.GetWidth(), 20);
    EXPECT_EQ(frame.GetHeight(), 10);
}

TEST(TransitionCommand, RefusesBadRequests) {
    CTempDir dir;
    std::string a = dir.WriteFile("a.png", PngBytes(Flat(8, 8, 1, 2, 3), false));
    std::string out = " -o " + (dir / "out");
    EXPECT_EQ(Cli("transition 'No Such Plugin' " + a + " " + a + " --frames 4" + out), 2);
    EXPECT_EQ(Cli("transition 'Fade Plugin' " + a + " " + (dir / "missing.png") + " --frames 4" +
                  out), 2);
    EXPECT_EQ(Cli("transition 'Fade Plugin' " + a + " " + a + " --frames 1" + out), 64);
    EXPECT_EQ(Cli("transition 'Fade Plugin' " + a + " " + a + " --frames 3 --size 9" + out), 64);
    EXPECT_EQ(Cli("transition 'Fade Plugin' " + a + " " + a + " --frames 3 --set Mode" + out), 64);
}

TEST(TransitionCommand, LargePicturesMakeFramesOfAScreenNotOfThePicture) {
    CTempDir dir;
    std::string a = dir.WriteFile("a.png", PngBytes(Flat(2000, 1000, 200, 10, 10), false));
    ASSERT_EQ(Cli("transition 'Fade Plugin' " + a + " " + a + " --frames 2 -o " + (dir / "out")),
              0);
    PLAnyPicDecoder dec;
    PLAnyBmp frame;
    dec.DecodeFile(dir / "out/frame_0000.png", &frame, 32);
    // Reduced to fit 720x576 with the picture's 2:1 aspect.
    EXPECT_EQ(frame.GetWidth(), 720);
    EXPECT_EQ(frame.GetHeight(), 360);
}
