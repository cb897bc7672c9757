// PLAnyDecoder: the choice between pictures and clips, kept pictures,
// DecodeInto's placement and the info cache behind CMediaFacts.
#include "media/AnyDecoder.h"
#include "media/DataSource.h"
#include "media/TextException.h"
#include "media/MediaFacts.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <cstring>
#include <unistd.h>

TEST(AnyDecoder, DecodeIntoFitsCentresAndLeavesTheRest) {
    CTempDir dir;
    std::string path = dir.WriteFile("p.png", PngBytes(QuadrantImage(400, 300), false));
    PLAnyDecoder dec;
    ASSERT_TRUE(dec.OpenFile2(path));
    PLWinBmp target;
    target.Create(96, 96, 32, false, false);
    for (int y = 0; y < 96; ++y)
        std::memset(target.GetLineArray()[y], 0x11, 96 * 4);
    ASSERT_TRUE(dec.DecodeInto(target));
    // 96 × 72 placed at (0, 12); rows 0–11 and 84–95 keep what they held.
    EXPECT_EQ(PixelAt(target, 50, 11)[0], 0x11);
    EXPECT_EQ(PixelAt(target, 50, 84)[2], 0x11);
    EXPECT_TRUE(Near(PixelAt(target, 5, 13), 255, 0, 0, 0));   // blue, top left
    EXPECT_TRUE(Near(PixelAt(target, 90, 82), 0, 0, 255, 0));  // red, bottom right
    EXPECT_TRUE(Near(PixelAt(target, 5, 82), 255, 255, 255, 0));
    EXPECT_EQ(PixelAt(target, 5, 13)[3], 0x11); // alpha bytes are not written

    // The same size: decoded straight in.
    PLAnyBmp same;
    same.Create(400, 300, 32, false, false);
    ASSERT_TRUE(dec.DecodeInto(same));
    EXPECT_TRUE(Near(PixelAt(same, 399, 0), 0, 255, 0, 0));
    // A target that needs no scaling in one fitting: 400 × 300 into 500 × 300.
    PLAnyBmp wide;
    wide.Create(500, 300, 32, false, false);
    ASSERT_TRUE(dec.DecodeInto(wide));
    EXPECT_TRUE(Near(PixelAt(wide, 50, 0), 255, 0, 0, 0));
}

TEST(AnyDecoder, PicturesAnswerFramesOnceAndVideoQueriesZero) {
    CTempDir dir;
    std::string path = dir.WriteFile("q.gif",
                                     GifBytes(2, 1, {0, 1}, {{1, 2, 3}, {4, 5, 6}}, -1));
    PLAnyDecoder dec;
    ASSERT_TRUE(dec.OpenFile2(path));
    EXPECT_FALSE(dec.IsVideo());
    int stride = 0;
    const std::uint8_t* a = dec.GetFrame(17, stride);
    ASSERT_TRUE(a);
    EXPECT_EQ(stride, 8);
    EXPECT_EQ(a[4 + 2], 4);
    EXPECT_EQ(dec.GetFrameAtTime(3.5, stride), a); // kept, not decoded again
    EXPECT_EQ(dec.GetDuration(), 0.0);
    EXPECT_EQ(dec.GetFrameCount(), 0);
    double w, h;
    EXPECT_FALSE(dec.GetAspectRatio(w, h));
    dec.Close();
    EXPECT_FALSE(dec.GetFrame(0, stride));
    PLAnyBmp bmp;
    EXPECT_PL_ERROR(dec.ReadImage(bmp), PL_ERRINTERNAL, "NULL decoder.");
    EXPECT_FALSE(dec.OpenFile2(dir / "none.png"));
    EXPECT_FALSE(dec.OpenFile2(dir.WriteFile("text.png", "no picture")));
}

TEST(AnyDecoder, InfoCacheAndMediaFacts) {
    CTempDir dir;
    std::string pic = dir.WriteFile("a.jpg", JpegBytes(QuadrantImage(40, 30)));
    auto info = PLAnyDecoder::GetInfo(pic);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->m_Width, 40);
    EXPECT_EQ(info->m_FrameCount, 0);
    EXPECT_EQ(PLAnyDecoder::GetInfo(pic), info); // cached
    EXPECT_FALSE(PLAnyDecoder::GetInfo(dir / "late.png"));
    dir.WriteFile("late.png", PngBytes(QuadrantImage(3, 2), false));
    ASSERT_TRUE(PLAnyDecoder::GetInfo(dir / "late.png")); // failures are not cached

    int w = 0, h = 0;
    EXPECT_TRUE(CMediaFacts::PictureSize(pic, w, h));
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);
    EXPECT_FALSE(CMediaFacts::PictureSize(dir / "nothing.bmp", w, h));
    EXPECT_EQ(w, 0);
    std::string clip = dir / "c.MPG";
    ASSERT_TRUE(WriteClip(clip, {.frames = 50}));
    EXPECT_EQ(CMediaFacts::VideoFrameCount(clip), 50);
    EXPECT_DOUBLE_EQ(CMediaFacts::VideoDuration(clip), 2.0);
    EXPECT_EQ(CMediaFacts::VideoDuration(pic), 0.0);
}

TEST(MediaFacts, ExtensionsCompareWithoutCase) {
    EXPECT_TRUE(CMediaFacts::ExtensionIn("/a/b.MoV", "mov;mp4"));
    EXPECT_TRUE(CMediaFacts::ExtensionIn("x.mp4", "mov;mp4"));
    EXPECT_FALSE(CMediaFacts::ExtensionIn("x.mp", "mov;mp4"));
    EXPECT_FALSE(CMediaFacts::ExtensionIn("/dir.mov/file", "mov;mp4"));
    EXPECT_FALSE(CMediaFacts::ExtensionIn("noext", "mov;mp4"));
}

// A picture file that shrinks after it was opened (a photo still being
// copied, or cut meanwhile) is decoded as it was read, and one cut before it
// is read gives that picture's error: never a signal that ends the program.
TEST(AnyDecoder, APictureThatShrinksOnDiskIsAnErrorNotASignal) {
    CTempDir dir;
    const std::string bytes = PngBytes(QuadrantImage(1200, 900), false);
    const std::string path = dir.WriteFile("p.png", bytes);
    PLFileSource source;
    source.Open(path);
    ASSERT_EQ(truncate(path.c_str(), 100), 0);
    ASSERT_EQ(source.GetFileSize(), bytes.size());
    const std::uint8_t* all = source.ReadNBytes(bytes.size());
    EXPECT_EQ(std::memcmp(all, bytes.data(), bytes.size()), 0);

    PLAnyDecoder dec;
    PLAnyBmp bmp;
    try {
        dec.DecodeFile(path, &bmp, 32);
        ADD_FAILURE() << "a 100-byte cut of a PNG decoded";
    } catch (const PLTextException& e) {
        EXPECT_GE(e.GetCode(), 6) << e.what();
    }
}
