// EXIF facts, picture dates, the JPEG encoder and its memory sink.
#include "media/AnyPicDecoder.h"
#include "media/ExifCache.h"
#include "media/JPEGEncoder.h"
#include "media/MemSink2.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <cstring>
#include <sys/stat.h>
#include <utime.h>

namespace {

std::string JpegWithDate(const CTempDir& dir, const std::string& name, const std::string& date) {
    std::string path = dir.WriteFile(name, JpegBytes(QuadrantImage(16, 16),
                                                     {.modTime = date, .description = "Beach"}));
    // An old modification time, told apart from any EXIF date.
    utimbuf times{1000000000, 1000000000};
    utime(path.c_str(), &times);
    return path;
}

} // namespace

TEST(PictureFacts, ExifDateWinsWhenValid) {
    CTempDir dir;
    std::string good = JpegWithDate(dir, "good.jpg", "2005:07:14 18:30:00");
    std::time_t date = 0;
    ASSERT_TRUE(GetPictureDate(good, date));
    std::tm local{};
    localtime_r(&date, &local);
    EXPECT_EQ(local.tm_year, 105);
    EXPECT_EQ(local.tm_mon, 6);
    EXPECT_EQ(local.tm_mday, 14);
    EXPECT_EQ(local.tm_hour, 18);
    EXPECT_EQ(local.tm_min, 30);
    EXPECT_EQ(GetExifText(good, "Main.Desc"), "Beach");
    EXPECT_EQ(GetExifText(good, "Main.ModTime"), "2005:07:14 18:30:00");
    EXPECT_EQ(GetExifText(good, "Main.NoSuchTag"), "");

    for (const char* bad : {"2005:13:14 18:30:00", "1899:07:14 18:30:00", "2005:07:14 24:00:00",
                            "2005:07:32 18:30:00", "2005-07-14 18:30:00", "2005:07:14"}) {
        std::string path = JpegWithDate(dir, std::string("bad") + bad + ".jpg", bad);
        ASSERT_TRUE(GetPictureDate(path, date));
        EXPECT_EQ(date, 1000000000) << bad;
    }
    EXPECT_FALSE(GetPictureDate(dir / "missing.jpg", date));
    EXPECT_EQ(GetExifText(dir / "missing.jpg", "Main.Desc"), "");
    std::string plain = dir.WriteFile("plain.png", PngBytes(QuadrantImage(4, 4), false));
    ASSERT_TRUE(GetPictureDate(plain, date));
    EXPECT_EQ(GetExifText(plain, "Main.Desc"), "");
}

TEST(JPEGEncoder, RoundTripsThroughTheGrowingSink) {
    PLAnyBmp bmp;
    STestImage image = QuadrantImage(96, 96);
    bmp.Create(96, 96, 32, false, false, 96, 96);
    for (int y = 0; y < 96; ++y)
        std::memcpy(bmp.GetLineArray()[y], image.At(0, y), 96 * 4);
    CMemSink2 sink(4096);
    ASSERT_TRUE(sink.Open());
    EXPECT_EQ(sink.GetCapacity(), 4096u);
    PLJPEGEncoder().MakeFileFromBmp(sink, bmp);
    ASSERT_GT(sink.GetUsed(), 100u);

    PLAnyBmp back;
    PLAnyPicDecoder dec;
    dec.DecodeMemory(sink.GetBuffer(), sink.GetUsed(), &back, 32);
    EXPECT_EQ(back.GetWidth(), 96);
    EXPECT_EQ(back.m_XRes, 96);
    EXPECT_TRUE(Near(PixelAt(back, 10, 10), 255, 0, 0));
    EXPECT_TRUE(Near(PixelAt(back, 80, 80), 0, 0, 255));

    PLAnyBmp grey;
    grey.Create(4, 4, 8, false, true);
    EXPECT_PL_ERROR(PLJPEGEncoder().MakeFileFromBmp(sink, grey), PL_ERRFORMAT_NOT_SUPPORTED, "");
}

TEST(MemSink2, GrowsToUsedPlusCountPlusStep) {
    CMemSink2 sink(10);
    ASSERT_TRUE(sink.Open());
    std::string bytes(8, 'a');
    EXPECT_EQ(sink.WriteNBytes(8, bytes.data()), 8u);
    EXPECT_EQ(sink.GetCapacity(), 10u);
    EXPECT_EQ(sink.WriteNBytes(5, "bcdef"), 5u); // 8 + 5 + 10
    EXPECT_EQ(sink.GetCapacity(), 23u);
    EXPECT_EQ(sink.WriteByte('g'), 1u);
    EXPECT_EQ(sink.WriteZeros(3), 3u);
    EXPECT_EQ(sink.GetUsed(), 17u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sink.GetBuffer()), 14),
              "aaaaaaaabcdefg");
    EXPECT_EQ(sink.GetBuffer()[16], 0);
    auto owned = sink.Detach();
    EXPECT_EQ(owned[8], 'b');
    EXPECT_EQ(sink.GetUsed(), 0u);
}
