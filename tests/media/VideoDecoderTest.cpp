// The video decoders over FFmpeg: the choice by extension, exact frames by
// index and time, forward decoding against seeking, half size, posters and
// aspect codes. Every clip shows its frame number in bars.
#include "media/AnyDecoder.h"
#include "media/AnyVidDecoder.h"
#include "media/MpgVidDecoder.h"
#include "media/QtVidDecoder.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <memory>
#include <random>

namespace {

class VideoDecoder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<CTempDir>();
        ASSERT_TRUE(WriteClip(Path("clip.mpg"), {.frames = 80, .aspectNum = 16, .aspectDen = 9,
                                                  .audio = true}));
        ASSERT_TRUE(WriteClip(Path("clip.mp4"), {.frames = 60, .container = "mp4",
                                                  .codec = "mpeg4"}));
        ASSERT_TRUE(WriteClip(Path("clip.avi"), {.frames = 60, .container = "avi",
                                                  .codec = "mpeg4"}));
        ASSERT_TRUE(WriteClip(Path("short.mpg"), {.width = 80, .frames = 12}));
        ASSERT_TRUE(WriteClip(Path("pal.mpg"), {.width = 720, .height = 576, .frames = 3,
                                                 .aspectNum = 4, .aspectDen = 3}));
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string Path(const std::string& name) { return *s_dir / name; }

    // The number shown by the frame a decoder hands out; −1 for none.
    static int Number(const std::uint8_t* frame, int stride, int w, int h) {
        if (!frame)
            return -1;
        const std::uint8_t* top = stride < 0 ? frame + std::ptrdiff_t(-stride) * (h - 1) : frame;
        return ReadClipNumber(top, stride, w, h);
    }
    static int FrameNumber(PLVidDecoder& dec, std::int64_t i) {
        int stride = 0;
        return Number(dec.GetFrame(i, stride), stride, dec.GetWidth(), dec.GetHeight());
    }

    static std::unique_ptr<CTempDir> s_dir;
};
std::unique_ptr<CTempDir> VideoDecoder::s_dir;

} // namespace

TEST_F(VideoDecoder, EveryFrameInAnyOrderIsExactlyTheOneAskedFor) {
    for (const char* name : {"clip.mpg", "clip.mp4", "clip.avi"}) {
        SCOPED_TRACE(name);
        PLAnyVidDecoder dec;
        ASSERT_TRUE(dec.OpenFile2(Path(name)));
        std::int64_t n = dec.GetFrameCount();
        ASSERT_GE(n, 60);
        std::vector<std::int64_t> order(static_cast<std::size_t>(n));
        for (std::int64_t i = 0; i < n; ++i)
            order[std::size_t(i)] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(7));
        for (std::int64_t i : order)
            ASSERT_EQ(FrameNumber(dec, i), i);
        for (std::int64_t i = 0; i < n; ++i) // and straight through
            ASSERT_EQ(FrameNumber(dec, i), i);
        int stride = 0;
        EXPECT_FALSE(dec.GetFrame(n, stride));
        EXPECT_FALSE(dec.GetFrame(-1, stride));
    }
}

TEST_F(VideoDecoder, ShortStepsDecodeForwardAndOthersSeek) {
    PLMpgVidDecoder dec;
    ASSERT_TRUE(dec.OpenFile2(Path("clip.mpg")));
    ASSERT_EQ(FrameNumber(dec, 5), 5);
    int seeks = dec.GetCore().GetSeekCount();
    ASSERT_EQ(FrameNumber(dec, 12), 12);
    EXPECT_EQ(dec.GetCore().GetSeekCount(), seeks);
    ASSERT_EQ(FrameNumber(dec, 12), 12);
    EXPECT_EQ(dec.GetCore().GetSeekCount(), seeks);
    ASSERT_EQ(FrameNumber(dec, 3), 3);
    EXPECT_GT(dec.GetCore().GetSeekCount(), seeks);
    seeks = dec.GetCore().GetSeekCount();
    ASSERT_EQ(FrameNumber(dec, 70), 70);
    EXPECT_GT(dec.GetCore().GetSeekCount(), seeks);
}

TEST_F(VideoDecoder, FactsTimesAndOpaqueFrames) {
    PLMpgVidDecoder mpg;
    ASSERT_TRUE(mpg.OpenFile2(Path("clip.mpg")));
    EXPECT_EQ(mpg.GetFrameCount(), 80);
    EXPECT_DOUBLE_EQ(mpg.GetFrameRate(), 25.0);
    EXPECT_DOUBLE_EQ(mpg.GetDuration(), 3.2);
    EXPECT_TRUE(mpg.HasAudio());
    int stride = 0;
    const std::uint8_t* f = mpg.GetFrameAtTime(1.0, stride);
    EXPECT_EQ(Number(f, stride, 64, 48), 25);
    EXPECT_EQ(stride, -64 * 4); // bottom-up
    for (int k = 0; k < 64 * 48; ++k)
        ASSERT_EQ(f[4 * k + 3], 255);
    EXPECT_EQ(Number(mpg.GetFrameAtTime(1.03, stride), stride, 64, 48), 26); // rounds

    PLQtVidDecoder mp4;
    ASSERT_TRUE(mp4.OpenFile2(Path("clip.mp4")));
    EXPECT_FALSE(mp4.HasAudio());
    f = mp4.GetFrame(7, stride);
    EXPECT_EQ(stride, 64 * 4); // top-down
    EXPECT_EQ(Number(f, stride, 64, 48), 7);

    PLAnyVidDecoder avi;
    ASSERT_TRUE(avi.OpenFile2(Path("clip.avi")));
    EXPECT_FALSE(avi.GetFrameAtTime(-0.1, stride));
    EXPECT_FALSE(avi.GetFrameAtTime(2.5, stride));
    EXPECT_EQ(Number(avi.GetFrameAtTime(1.03, stride), stride, 64, 48), 25); // truncates
}

TEST_F(VideoDecoder, HalfSizeOnlyWhenTheRequestAllowsIt) {
    struct SCase {
        int rw, rh, w, h;
    } cases[] = {{360, 288, 360, 288}, {361, 288, 720, 576}, {100, 0, 720, 576},
                 {0, 0, 720, 576}};
    for (const SCase& c : cases) {
        PLMpgVidDecoder dec;
        dec.SetRequestedSize(c.rw, c.rh);
        ASSERT_TRUE(dec.OpenFile2(Path("pal.mpg")));
        EXPECT_EQ(dec.GetWidth(), c.w) << c.rw << "x" << c.rh;
        EXPECT_EQ(dec.GetHeight(), c.h);
        EXPECT_EQ(FrameNumber(dec, 2), 2);
    }
}

TEST_F(VideoDecoder, PostersAndAspect) {
    PLAnyDecoder dec;
    ASSERT_TRUE(dec.OpenFile2(Path("short.mpg")));
    EXPECT_NEAR(dec.GetDuration(), 0.48, 1e-9);
    PLAnyBmp poster;
    dec.DecodeTo(&poster, 32);
    EXPECT_EQ(ReadClipNumber(poster.GetLineArray()[0], poster.GetBytesPerLine(), 80, 48), 0);

    ASSERT_TRUE(dec.OpenFile2(Path("clip.mpg")));
    dec.DecodeTo(&poster, 32);
    EXPECT_EQ(ReadClipNumber(poster.GetLineArray()[0], poster.GetBytesPerLine(), 64, 48), 25);
    double w = 0, h = 0;
    ASSERT_TRUE(dec.GetAspectRatio(w, h));
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 9);
    // A thumbnail of a clip: the poster scaled into the box.
    PLAnyBmp box;
    box.Create(32, 32, 32, false, false);
    ASSERT_TRUE(dec.DecodeInto(box));

    PLMpgVidDecoder pal;
    ASSERT_TRUE(pal.OpenFile2(Path("pal.mpg")));
    ASSERT_TRUE(pal.GetAspectRatio(w, h));
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    // 80 × 48 in square pixels is no standard shape: code 1.
    PLMpgVidDecoder square;
    ASSERT_TRUE(square.OpenFile2(Path("short.mpg")));
    ASSERT_TRUE(square.GetAspectRatio(w, h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
}

TEST_F(VideoDecoder, ChoiceByExtensionAndErrors) {
    CTempDir dir;
    std::string mov = dir / "CLIP.MOV";
    ASSERT_TRUE(WriteClip(mov, {.frames = 5, .container = "mov", .codec = "mpeg4"}));
    PLAnyVidDecoder dec;
    PLQtVidDecoder::SetVersion(0);
    EXPECT_PL_ERROR(dec.OpenByName(mov), PL_ERRFORMAT_NOT_SUPPORTED,
                    "Cannot load QuickTime or DirectX decoder.");
    PLQtVidDecoder::SetVersion(0x07000000);
    dec.OpenByName(mov);
    EXPECT_TRUE(dynamic_cast<PLQtVidDecoder*>(dec.GetDecoder()));

    // Any other extension goes to the general decoder, whatever the content.
    std::string wmv = dir / "clip.wmv";
    ASSERT_TRUE(WriteClip(wmv, {.frames = 5, .container = "avi", .codec = "mpeg4"}));
    dec.OpenByName(wmv);
    EXPECT_EQ(FrameNumber(dec, 4), 4);

    EXPECT_PL_ERROR(dec.OpenByName(""), PL_ERRFORMAT_NOT_SUPPORTED, "Empty Filename");
    // The fixed texts lead; the reason follows.
    EXPECT_PL_ERROR(dec.OpenByName(dir / "gone.mpg"), PL_ERRINTERNAL,
                    "McMpeg cannot open: the file does not exist");
    EXPECT_PL_ERROR(dec.OpenByName(dir.WriteFile("junk.mpeg", "not a clip")), PL_ERRINTERNAL,
                    "McMpeg cannot open: the file is not in a video format this build can read");
    EXPECT_PL_ERROR(dec.OpenByName(dir.WriteFile("junk.avi", "not a clip")), PL_ERRINTERNAL,
                    "DShow Error: the file is not in a video format this build can read");
    EXPECT_PL_ERROR(dec.OpenByName(dir / "gone.mp4"), PL_ERRFORMAT_NOT_SUPPORTED,
                    "QuickTime: OpenMovieFile error: the file does not exist");
    EXPECT_PL_ERROR(dec.OpenByName(dir.WriteFile("junk.m4v", "not a clip")),
                    PL_ERRFORMAT_NOT_SUPPORTED,
                    "QuickTime: NewMovieFromFile error: the file is not in a video format this "
                    "build can read");
    int stride = 0;
    EXPECT_FALSE(dec.GetFrame(0, stride));
    EXPECT_EQ(dec.GetFrameCount(), 0);
}
