// The formats phones write: WebP through libwebp, HEIC and AVIF through
// libheif. Files are made at test time with the libraries' own encoders;
// where this build's libheif has no encoder for a coding, its tests skip.
#include "media/AnyPicDecoder.h"
#include "media/ExifCache.h"
#include "media/ExifRecord.h"
#include "media/WEBPDecoder.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <cstring>
#include <random>

namespace {

void DecodeBytes(const std::string& bytes, PLBmp& bmp, int rw = 0, int rh = 0, bool fit = false) {
    PLAnyPicDecoder dec;
    dec.SetRequestedSize(rw, rh);
    dec.SetFitRequested(fit);
    dec.DecodeMemory(Bytes(bytes), bytes.size(), &bmp, 32);
}

// The middle of each upright quadrant shows the stored colour it maps to
// under the orientation (1 for none).
void ExpectUpright(const PLBmp& bmp, const STestImage& stored, int o, int tol = 24) {
    const int w = stored.width, h = stored.height;
    const int uw = o >= 5 ? h : w, uh = o >= 5 ? w : h;
    ASSERT_EQ(bmp.GetWidth(), uw);
    ASSERT_EQ(bmp.GetHeight(), uh);
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx) {
            const int x = uw / 4 + qx * uw / 2, y = uh / 4 + qy * uh / 2;
            auto [sx, sy] = StoredOf(o, x, y, w, h);
            const std::uint8_t* e = stored.At(sx, sy);
            EXPECT_TRUE(Near(PixelAt(bmp, x, y), e[0], e[1], e[2], tol)) << x << "," << y;
        }
}

// The HEIF file of a coding, or a skip when this libheif cannot write it.
#define HEIF_OR_SKIP(var, image, coding, ...)                                              \
    const std::string var = HeifBytes(image, coding, ##__VA_ARGS__);                       \
    if (var.empty())                                                                       \
        GTEST_SKIP() << "this libheif has no " << coding << " encoder";

// Four quadrants of different alpha: 255, 128, 0 and 40, colours kept.
STestImage AlphaQuadrants(int w, int h) {
    return STestImage(w, h, [=](int x, int y) -> std::array<std::uint8_t, 4> {
        const int q = (y >= h / 2) * 2 + (x >= w / 2);
        static const std::array<std::uint8_t, 4> kColours[4] = {
            {200, 10, 10, 255}, {10, 200, 10, 128}, {10, 10, 200, 0}, {90, 60, 30, 40}};
        return kColours[q];
    });
}

} // namespace

TEST(WEBPDecoder, LossyAndLosslessPicturesKeepColoursAndStraightAlpha) {
    const STestImage opaque = QuadrantImage(64, 48);
    PLAnyBmp bmp;
    DecodeBytes(WebpBytes(opaque), bmp);
    ExpectUpright(bmp, opaque, 1);
    EXPECT_FALSE(bmp.HasAlpha());
    EXPECT_EQ(PixelAt(bmp, 5, 40)[3], 255);

    // Lossless keeps every byte, so colours under partial alpha show whether
    // they arrive straight (as PNG delivers them) or premultiplied.
    const STestImage alpha = AlphaQuadrants(64, 48);
    PLAnyBmp clear;
    DecodeBytes(WebpBytes(alpha, {.lossless = true, .keepAlpha = true}), clear);
    EXPECT_TRUE(clear.HasAlpha());
    for (auto [x, y] : {std::pair{5, 5}, {40, 5}, {5, 40}, {40, 40}})
        EXPECT_EQ(std::memcmp(PixelAt(clear, x, y), alpha.At(x, y), 4), 0) << x << "," << y;
    // A bitmap stored bottom-up gets the same rows.
    PLWinBmp bottomUp;
    DecodeBytes(WebpBytes(alpha, {.lossless = true, .keepAlpha = true}), bottomUp);
    for (int y = 0; y < 48; ++y)
        ASSERT_EQ(std::memcmp(bottomUp.GetLineArray()[y], alpha.At(0, y), 64 * 4), 0) << y;
}

TEST(WEBPDecoder, ExifOrientationTurnsThePictureAndItsAlpha) {
    const int w = 48, h = 32;
    const STestImage stored = QuadrantImage(w, h);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        PLAnyBmp bmp;
        DecodeBytes(WebpBytes(stored, {.orientation = o}), bmp);
        ExpectUpright(bmp, stored, o);
    }
    // Some writers keep the JPEG lead in the chunk.
    PLAnyBmp lead;
    DecodeBytes(WebpBytes(stored, {.orientation = 8, .exifLead = true}), lead);
    ExpectUpright(lead, stored, 8);

    // Alpha goes with its pixel: the stored top right (alpha 128) is the
    // upright bottom right under orientation 6.
    const STestImage alpha = AlphaQuadrants(w, h);
    PLAnyBmp turned;
    DecodeBytes(WebpBytes(alpha, {.lossless = true, .keepAlpha = true, .orientation = 6}), turned);
    ASSERT_EQ(turned.GetWidth(), h);
    EXPECT_EQ(std::memcmp(PixelAt(turned, 3 * h / 4, 3 * w / 4), alpha.At(3 * w / 4, h / 4), 4),
              0);
    EXPECT_EQ(PixelAt(turned, 3 * h / 4, w / 4)[3], 255);
}

TEST(WEBPDecoder, ReducedSizesFollowTheRequest) {
    const STestImage stored = QuadrantImage(401, 301);
    const std::string webp = WebpBytes(stored);
    // As for JPEG: 1/2, 1/4 or 1/8, rounded up, never below the request.
    struct SCase {
        int rw, rh, w, h;
        bool fit = false;
    } cases[] = {{0, 0, 401, 301},     {40, 40, 101, 76},    {10, 10, 51, 38},
                 {200, 150, 201, 151}, {201, 150, 401, 301}, {96, 96, 101, 76, true}};
    for (const SCase& c : cases) {
        PLAnyBmp bmp;
        DecodeBytes(webp, bmp, c.rw, c.rh, c.fit);
        EXPECT_EQ(bmp.GetWidth(), c.w) << c.rw << "x" << c.rh << (c.fit ? " fit" : "");
        EXPECT_EQ(bmp.GetHeight(), c.h) << c.rw << "x" << c.rh << (c.fit ? " fit" : "");
    }
    PLAnyBmp small;
    DecodeBytes(webp, small, 40, 40);
    EXPECT_TRUE(Near(PixelAt(small, 90, 10), 0, 255, 0));
    EXPECT_TRUE(Near(PixelAt(small, 90, 70), 0, 0, 255));

    // The request is for the upright picture: 301 × 401 upright asked for
    // 75 × 200 is a half (a quarter would be 76 × 101, too short).
    PLWEBPDecoder dec;
    PLMemSource src;
    const std::string turned = WebpBytes(stored, {.orientation = 6});
    src.Open(Bytes(turned), turned.size());
    dec.SetRequestedSize(75, 200);
    dec.Open(&src);
    EXPECT_EQ(dec.GetScale(), 2);
    EXPECT_EQ(dec.GetWidth(), 151);
    EXPECT_EQ(dec.GetHeight(), 201);
    PLAnyBmp bmp;
    dec.DecodeTo(&bmp, 32);
    ExpectUpright(bmp, QuadrantImage(201, 151), 6);
}

TEST(WEBPDecoder, AnAnimationShowsItsFirstFrame) {
    const STestImage first = QuadrantImage(40, 30);
    const STestImage second(40, 30, [](int, int) -> std::array<std::uint8_t, 4> {
        return {0, 0, 0, 255};
    });
    const std::string anim = WebpAnimationBytes({first, second});
    ASSERT_FALSE(anim.empty());
    PLAnyBmp bmp;
    DecodeBytes(anim, bmp, 10, 10); // no reduction for animations
    ExpectUpright(bmp, first, 1, 0);
}

TEST(HEIFDecoder, HeicAndAvifPicturesDecodeWithTheirColours) {
    const STestImage image = QuadrantImage(64, 48);
    for (const char* coding : {"heic", "avif"}) {
        SCOPED_TRACE(coding);
        HEIF_OR_SKIP(heif, image, coding);
        PLAnyBmp bmp;
        DecodeBytes(heif, bmp, 16, 16); // decoded at full size whatever the request
        ExpectUpright(bmp, image, 1);
        EXPECT_FALSE(bmp.HasAlpha());
        EXPECT_EQ(PixelAt(bmp, 50, 40)[3], 255);

        HEIF_OR_SKIP(clear, AlphaQuadrants(64, 48), coding, {.keepAlpha = true});
        PLAnyBmp alpha;
        DecodeBytes(clear, alpha);
        EXPECT_TRUE(alpha.HasAlpha());
        EXPECT_NEAR(PixelAt(alpha, 5, 5)[3], 255, 4);
        EXPECT_NEAR(PixelAt(alpha, 48, 12)[3], 128, 8);
        EXPECT_TRUE(Near(PixelAt(alpha, 48, 12), 10, 200, 10)); // straight, not halved
        EXPECT_NEAR(PixelAt(alpha, 16, 36)[3], 0, 4);
    }
}

TEST(HEIFDecoder, TheContainerTurnIsAppliedOnceAndExifOrientationIsNotAdded) {
    const int w = 64, h = 48;
    const STestImage stored = QuadrantImage(w, h);
    // Phones record the same turn in the container and in EXIF.
    HEIF_OR_SKIP(both, stored, "heic", {.orientation = 6, .exifOrientation = 6});
    PLAnyBmp bmp;
    DecodeBytes(both, bmp);
    ExpectUpright(bmp, stored, 6);
    {
        PLAnyPicDecoder dec;
        PLMemSource src;
        src.Open(Bytes(both), both.size());
        dec.Open(&src);
        CExifRecord record;
        ASSERT_TRUE(dec.GetExif(record));
        EXPECT_EQ(record.GetOrientation(), 6); // there, and left alone
    }
    // The EXIF tag alone turns nothing; the container's turn alone is applied.
    HEIF_OR_SKIP(exifOnly, stored, "heic", {.exifOrientation = 6});
    DecodeBytes(exifOnly, bmp);
    ExpectUpright(bmp, stored, 1);
    HEIF_OR_SKIP(disagree, stored, "heic", {.orientation = 3, .exifOrientation = 8});
    DecodeBytes(disagree, bmp);
    ExpectUpright(bmp, stored, 3);
}

TEST(PhonePictureFacts, ExifTextOfWebpAndHeifFiles) {
    CTempDir dir;
    const STestImage image = QuadrantImage(32, 32);
    std::vector<std::string> paths = {
        dir.WriteFile("a.webp", WebpBytes(image, {.modTime = "2021:03:04 05:06:07",
                                                  .description = "Harbour"}))};
    const std::string heic = HeifBytes(image, "heic",
                                       {.modTime = "2021:03:04 05:06:07", .description = "Harbour"});
    if (!heic.empty())
        paths.push_back(dir.WriteFile("b.heic", heic));
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(GetExifText(path, "Main.Desc"), "Harbour");
        EXPECT_EQ(GetExifText(path, "Main.ModTime"), "2021:03:04 05:06:07");
    }
}

TEST(PictureRecognition, WebpAndHeifBySignatureAndBrand) {
    auto typeOf = [](const std::string& bytes) {
        PLMemSource src;
        src.Open(Bytes(bytes), bytes.size());
        return PLAnyPicDecoder::DetermineType(src);
    };
    const std::string zeros(8, '\0');
    EXPECT_EQ(typeOf("RIFF" + zeros.substr(0, 4) + "WEBPVP8 " + zeros), PLAnyPicDecoder::kWebp);
    EXPECT_EQ(typeOf("RIFF" + zeros.substr(0, 4) + "WAVEfmt " + zeros), PLAnyPicDecoder::kUnknown);

    // An ftyp box: size, "ftyp", major brand, minor version, compatible brands.
    auto ftyp = [&](const std::string& major, const std::string& compatible) {
        const std::size_t size = 16 + compatible.size();
        return std::string{0, 0, 0, char(size)} + "ftyp" + major + std::string(4, '\0') +
               compatible + std::string("\0\0\0\x08" "free", 8) + zeros;
    };
    EXPECT_EQ(typeOf(ftyp("heic", "mif1heic")), PLAnyPicDecoder::kHeif);
    EXPECT_EQ(typeOf(ftyp("avif", "")), PLAnyPicDecoder::kHeif);
    EXPECT_EQ(typeOf(ftyp("mp42", "isommif1")), PLAnyPicDecoder::kHeif); // compatible brand
    EXPECT_EQ(typeOf(ftyp("mp42", "isommp42")), PLAnyPicDecoder::kUnknown);
    // A brand only past the box's end does not count.
    std::string shortBox = ftyp("mp42", "isomheic");
    shortBox[3] = 20;
    EXPECT_EQ(typeOf(shortBox), PLAnyPicDecoder::kUnknown);

    // A real MP4 clip is not a picture; a sequence-only HEIF has no primary
    // picture to show. Both fail with the decoder error.
    CTempDir dir;
    ASSERT_TRUE(WriteClip(dir / "clip.mp4", {.frames = 3, .container = "mp4",
                                            .codec = "mpeg4"}));
    PLAnyPicDecoder dec;
    PLAnyBmp bmp;
    EXPECT_PL_ERROR(dec.DecodeFile(dir / "clip.mp4", &bmp, 32), PL_ERRUNKNOWN_FILE_TYPE,
                    "Unknown file type.");
    for (const char* brand : {"msf1", "avis", "hevc"})
        EXPECT_PL_ERROR(DecodeBytes(ftyp(brand, brand), bmp), PL_ERRINTERNAL, "");
}

// Files cut short raise code 11. Damaged files behind a valid signature
// decode or raise the decoder error, never anything else; run under the
// memory checkers, this is where reads out of bounds show.
TEST(PictureBadInput, CutAndDamagedWebpAndHeifFilesFailCleanly) {
    const STestImage image = QuadrantImage(32, 24);
    std::vector<std::string> files = {
        WebpBytes(image), WebpBytes(image, {.lossless = true, .keepAlpha = true, .orientation = 5}),
        WebpAnimationBytes({image, image})};
    for (const char* coding : {"heic", "avif"}) {
        const std::string heif = HeifBytes(image, coding, {.exifOrientation = 3});
        if (!heif.empty())
            files.push_back(heif);
    }
    std::mt19937 random(27);
    int failed = 0;
    for (const std::string& whole : files) {
        for (std::size_t cut : {std::size_t(20), whole.size() / 4, whole.size() / 2,
                                whole.size() - 1}) {
            SCOPED_TRACE(whole.substr(8, 4) + " cut at " + std::to_string(cut));
            PLAnyBmp bmp;
            EXPECT_PL_ERROR(DecodeBytes(whole.substr(0, cut), bmp), PL_ERREND_OF_FILE,
                            kTextEndOfFile);
        }
        for (int round = 0; round < 60; ++round) {
            // The first 16 bytes, the signature, stay so that the damage
            // reaches the format decoder: a few bytes, or all the rest.
            std::string damaged = whole;
            if (round % 10 == 9) {
                for (std::size_t k = 16; k < damaged.size(); ++k)
                    damaged[k] = char(random());
            } else {
                for (int hits = 1 + round % 4; hits > 0; --hits)
                    damaged[16 + random() % (damaged.size() - 16)] = char(random());
            }
            try {
                PLAnyBmp bmp;
                DecodeBytes(damaged, bmp, round % 3 ? 0 : 8, round % 3 ? 0 : 8);
            } catch (const PLTextException& e) {
                EXPECT_GE(e.GetCode(), 6) << e.what();
                ++failed;
            }
        }
    }
    EXPECT_GT(failed, 0);
}
