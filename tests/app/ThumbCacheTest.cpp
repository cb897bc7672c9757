#include "app/ExtThumbCache.h"
#include "app/ProjTmplThumbCache.h"
#include "tests/app/ThumbFakes.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <cstring>
#include <filesystem>

namespace {

// The pixel at (x, y) of a top-down 32-bit bitmap.
PLPixel32 At(PLBmp& bmp, int x, int y) {
    const std::uint8_t* p = bmp.GetLineArray()[y] + 4 * x;
    return PLPixel32{p[0], p[1], p[2], p[3]};
}

bool IsWhite(const PLPixel32& p) { return p.b > 200 && p.g > 200 && p.r > 200; }

// Moves a file's modification time by seconds.
void ShiftModTime(const std::string& path, int seconds) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    struct timeval times[2] = {{st.st_atime, 0}, {st.st_mtime + seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

std::string WritePhoto(const CTempDir& dir, const std::string& name, int w, int h) {
    return dir.WriteFile(name, JpegBytes(QuadrantImage(w, h)));
}

} // namespace

TEST(ExtThumbCache, TheEntryAfterTheFullCacheEvictsTheLeastRecentlyShown) {
    CNamedThumbCache cache;
    ASSERT_EQ(cache.GetCapacity(), 2000u);
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(cache.GetThumbnail("pic" + std::to_string(i)));
    ASSERT_EQ(cache.GetCount(), 2000u) << "two test names share a key";
    // Showing pic0 again makes pic1 the least recently shown.
    ASSERT_TRUE(cache.GetCachedThumbnail("pic0"));
    ASSERT_TRUE(cache.GetThumbnail("pic2000"));
    EXPECT_EQ(cache.made, 2001);
    EXPECT_EQ(cache.GetCount(), 2000u);
    EXPECT_FALSE(cache.Find("pic1"));
    EXPECT_TRUE(cache.Find("pic0"));
    EXPECT_TRUE(cache.Find("pic2"));
    EXPECT_TRUE(cache.Find("pic2000"));
}

TEST(ExtThumbCache, APictureIsFittedOnWhiteAndAChangedFileMissesTheCache) {
    CTempDir dir;
    const std::string photo = WritePhoto(dir, "photo.jpg", 400, 300);
    CCountingThumbCache cache;

    auto thumb = cache.GetThumbnail(photo);
    ASSERT_TRUE(thumb);
    ASSERT_EQ(thumb->GetWidth(), 96);
    ASSERT_EQ(thumb->GetHeight(), 96);
    // 400 x 300 fits as 96 x 72 at (0, 12): white above and below, the
    // quadrants (blue top left, green top right, red bottom right) inside.
    EXPECT_TRUE(IsWhite(At(*thumb, 48, 5)));
    EXPECT_TRUE(IsWhite(At(*thumb, 48, 90)));
    EXPECT_GT(At(*thumb, 20, 30).b, 200);
    EXPECT_LT(At(*thumb, 20, 30).r, 60);
    EXPECT_GT(At(*thumb, 76, 30).g, 200);
    EXPECT_GT(At(*thumb, 76, 70).r, 200);
    EXPECT_EQ(cache.made, 1);

    // A second request is a hit, decoded from the kept JPEG bytes.
    auto again = cache.GetThumbnail(photo);
    ASSERT_TRUE(again);
    EXPECT_EQ(cache.made, 1);
    EXPECT_GT(At(*again, 20, 30).b, 200);

    ShiftModTime(photo, 60);
    EXPECT_FALSE(cache.GetCachedThumbnail(photo));
    ASSERT_TRUE(cache.GetThumbnail(photo));
    EXPECT_EQ(cache.made, 2);
    EXPECT_EQ(cache.GetCount(), 2u);

    // A file whose status cannot be read is never cached and made each time.
    std::filesystem::remove(photo);
    EXPECT_FALSE(cache.GetThumbnail(photo));
    EXPECT_FALSE(cache.GetThumbnail(photo));
    EXPECT_EQ(cache.made, 4);
    EXPECT_EQ(cache.GetCount(), 2u);
}

TEST(ExtThumbCache, AClipThumbnailCarriesSixWhiteSquaresInEachFilmBar) {
    CTempDir dir;
    SClipOptions clip;
    clip.width = 160;
    clip.height = 120;
    clip.frames = 40;
    ASSERT_TRUE(WriteClip(dir / "clip.mpg", clip));
    CExtThumbCache cache;
    auto thumb = cache.MakeThumbnail(dir / "clip.mpg");
    ASSERT_TRUE(thumb);

    for (int bar : {0, 96 - 16}) {
        const int holeTop = bar == 0 ? 4 : 96 - 12;
        for (int y = bar; y < bar + 16; ++y) {
            int squares = 0;
            for (int x = 0; x < 96; ++x) {
                const bool hole = y >= holeTop && y < holeTop + 7 && x >= 4 && (x - 4) % 16 < 7;
                const PLPixel32 p = At(*thumb, x, y);
                ASSERT_TRUE(hole ? (p.b == 255 && p.g == 255 && p.r == 255)
                                 : (p.b == 0 && p.g == 0 && p.r == 0))
                    << "x " << x << " y " << y;
                if (hole && (x - 4) % 16 == 0)
                    ++squares;
            }
            EXPECT_EQ(squares, y >= holeTop && y < holeTop + 7 ? 6 : 0) << "row " << y;
        }
    }
    // Between the bars the clip's 96 x 72 poster frame shows (its bars of
    // bits are black and white), centred on black.
    int lit = 0;
    for (int x = 0; x < 96; ++x)
        lit += IsWhite(At(*thumb, x, 48)) ? 1 : 0;
    EXPECT_GT(lit, 0);
}

TEST(ExtThumbCache, AnEntryIsNeverTrustedBeyondItsLength) {
    CNamedThumbCache cache;
    ASSERT_TRUE(cache.GetThumbnail("a"));
    auto good = cache.Find("a");
    ASSERT_TRUE(good);
    ASSERT_GT(good->size, 100u);

    // Each record holds exactly its bytes, so a read past them is caught by
    // the address sanitizer.
    auto record = [](const std::uint8_t* data, std::size_t size) {
        auto r = std::make_shared<SThumbJpeg>();
        r->bytes.reset(new std::uint8_t[size ? size : 1]);
        std::memcpy(r->bytes.get(), data, size);
        r->size = size;
        return r;
    };
    const std::uint8_t* bytes = good->bytes.get();
    std::vector<std::uint8_t> garbage(300, 0xD8);
    PLAnyBmp large;
    large.Create(200, 200, 32, false, false);
    for (int y = 0; y < 200; ++y)
        std::memset(large.GetLineArray()[y], 0x80, 200 * 4);
    auto otherSize = CExtThumbCache::Compress(large);
    ASSERT_TRUE(otherSize);

    const std::vector<std::pair<const char*, CExtThumbCache::Value>> bad = {
        {"cut in half", record(bytes, good->size / 2)},
        {"header only", record(bytes, 20)},
        {"empty", record(bytes, 0)},
        {"not a JPEG", record(garbage.data(), garbage.size())},
        {"another size", otherSize},
        {"no bytes", std::make_shared<SThumbJpeg>()},
    };
    for (const auto& [what, value] : bad) {
        SCOPED_TRACE(what);
        cache.Insert("a", value);
        EXPECT_FALSE(cache.GetCachedThumbnail("a"));
        // A bad entry counts as a miss: the thumbnail is made anew and replaces it.
        const int made = cache.made;
        ASSERT_TRUE(cache.GetThumbnail("a"));
        EXPECT_EQ(cache.made, made + 1);
        EXPECT_TRUE(cache.GetCachedThumbnail("a"));
    }
}

TEST(ProjTmplThumbCache, PackagedPicturesComeFromThePackageAndBadOnesGiveNone) {
    CTempDir dir;
    CFakePackage package;
    package.files["Files\\a.jpg"] = JpegBytes(QuadrantImage(300, 400));
    package.files["Files\\bad.jpg"] = std::string("\xFF\xD8\xFF\xE0 not really", 15);
    package.files["Files\\empty.png"] = "";
    const std::string own = WritePhoto(dir, "own.jpg", 200, 100);
    CProjTmplThumbCache cache(&package);

    auto thumb = cache.GetThumbnail("Files\\a.jpg");
    ASSERT_TRUE(thumb);
    // 300 x 400 fits as 72 x 96 at (12, 0) on white.
    EXPECT_TRUE(IsWhite(At(*thumb, 5, 48)));
    EXPECT_GT(At(*thumb, 30, 20).b, 200);
    // Filed under the path alone: a path no file system holds is still found.
    EXPECT_TRUE(cache.GetCachedThumbnail("Files\\a.jpg"));

    EXPECT_FALSE(cache.GetThumbnail("Files\\bad.jpg"));
    EXPECT_FALSE(cache.GetThumbnail("Files\\empty.png"));
    EXPECT_FALSE(cache.GetThumbnail("Files\\missing.jpg"));

    // A path the package does not hold is made from the file system...
    ASSERT_TRUE(cache.GetThumbnail(own));
    EXPECT_TRUE(cache.GetCachedThumbnail(own));
    // ...and keyed with its modification time: a file that vanished is not
    // shown from the cache.
    std::filesystem::remove(own);
    EXPECT_FALSE(cache.GetCachedThumbnail(own));
    EXPECT_FALSE(cache.GetThumbnail(own));

    // Without a template, packaged paths are looked for on disk only.
    cache.SetTemplate(nullptr);
    EXPECT_FALSE(cache.MakeThumbnail("Files\\a.jpg"));
}
