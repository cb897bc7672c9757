// The memory budget of decoded pictures: what decoders charge, what is
// refused past it, and that every charge comes back.
#include "media/AnyPicDecoder.h"
#include "media/PictureBudget.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"

#include <memory>
#include <optional>
#include <string>

namespace {

// A budget for the test's time; the default afterwards.
struct SBudget {
    explicit SBudget(std::uint64_t bytes) { CPictureBudget::SetLimit(bytes); }
    ~SBudget() { CPictureBudget::SetLimit(0); }
};

std::unique_ptr<PLAnyBmp> Decode(const std::string& bytes) {
    auto bmp = std::make_unique<PLAnyBmp>();
    PLAnyPicDecoder dec;
    dec.DecodeMemory(Bytes(bytes), bytes.size(), bmp.get(), 32);
    return bmp;
}

STestImage Grey(int w, int h) {
    return STestImage(w, h, [](int, int) { return std::array<std::uint8_t, 4>{90, 90, 90, 255}; });
}

std::string Le16(int v) { return {char(v), char(v >> 8)}; }

} // namespace

TEST(PictureBudget, ChargesAddUpMoveAndComeBack) {
    SBudget budget(1000);
    const std::uint64_t before = CPictureBudget::InUse();
    {
        CPictureBudget::CCharge a;
        a.Take(600);
        a.Take(300);
        EXPECT_EQ(a.Bytes(), 900u);
        CPictureBudget::CCharge b;
        // 200 more would pass 1000: refused, and nothing is taken.
        EXPECT_PL_ERROR(b.Take(200), PL_ERRNO_MEMORY,
                        "Not enough memory for the picture: it needs 1 MB, and decoded pictures "
                        "already take 1 MB of their 1 MB budget.");
        EXPECT_EQ(b.Bytes(), 0u);
        EXPECT_EQ(CPictureBudget::InUse(), before + 900);
        b.Take(100);
        CPictureBudget::CCharge c(std::move(a));
        EXPECT_EQ(a.Bytes(), 0u);
        EXPECT_EQ(c.Bytes(), 900u);
        b = std::move(c);
        EXPECT_EQ(CPictureBudget::InUse(), before + 900);
    }
    EXPECT_EQ(CPictureBudget::InUse(), before);
}

TEST(PictureBudget, DecodedPicturesAndTheDecodersWorkingCopiesAreCharged) {
    // 400 × 400 at four bytes: 640,000 bytes of bitmap.
    const std::string png = PngBytes(Grey(400, 400), false);
    const std::string tiff = TiffBytes(Grey(400, 400), false);
    SBudget budget(1 << 20);
    const std::uint64_t before = CPictureBudget::InUse();
    std::optional<std::unique_ptr<PLAnyBmp>> first;
    first = Decode(png);
    EXPECT_EQ(CPictureBudget::InUse(), before + 640000);
    // A second one at the same time does not fit, and takes nothing.
    EXPECT_PL_ERROR(Decode(png), PL_ERRNO_MEMORY, "");
    EXPECT_EQ(CPictureBudget::InUse(), before + 640000);
    first.reset();
    EXPECT_EQ(CPictureBudget::InUse(), before);
    // libtiff's raster is as large as the bitmap: both do not fit in 1 MiB.
    EXPECT_PL_ERROR(Decode(tiff), PL_ERRNO_MEMORY, "");
    EXPECT_EQ(CPictureBudget::InUse(), before);
    CPictureBudget::SetLimit(1300000);
    EXPECT_EQ(Decode(tiff)->GetWidth(), 400);
    EXPECT_EQ(CPictureBudget::InUse(), before);

    // The data check comes first: a GIF of 2000 × 2000 from a few codes is a
    // short file, not a picture too large for the budget (its indices alone
    // would be 4 MB).
    std::string gif = "GIF89a" + Le16(2000) + Le16(2000) + std::string{'\x80', 0, 0} +
                      std::string("\0\0\0\xFF\xFF\xFF", 6) + "," + Le16(0) + Le16(0) +
                      Le16(2000) + Le16(2000) + std::string(1, '\0') +
                      std::string("\x02\x02\x4C\x01\x00;", 6);
    EXPECT_PL_ERROR(Decode(gif), PL_ERREND_OF_FILE, kTextEndOfFile);
    EXPECT_EQ(CPictureBudget::InUse(), before);
}
