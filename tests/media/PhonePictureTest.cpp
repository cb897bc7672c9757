// The formats phones write: WebP through libwebp. Files are made at test
// time with the library's own encoder.
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
    PLAnyBmp lossy;
    DecodeBytes(WebpBytes(alpha, {.keepAlpha = true}), lossy);
    EXPECT_EQ(PixelAt(lossy, 40, 5)[3], 128);
    EXPECT_TRUE(Near(PixelAt(lossy, 40, 5), 10, 200, 10));
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
    } cases[] = {{0, 0, 401, 301},      {96, 96, 201, 151},      {40, 40, 101, 76},
                 {10, 10, 51, 38},      {300, 0, 401, 301},      {96, 96, 101, 76, true},
                 {200, 150, 201, 151},  {201, 150, 401, 301}};
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

TEST(PhonePictureFacts, ExifTextOfWebpFiles) {
    CTempDir dir;
    const STestImage image = QuadrantImage(32, 32);
    std::vector<std::string> paths = {
        dir.WriteFile("a.webp", WebpBytes(image, {.modTime = "2021:03:04 05:06:07",
                                                  .description = "Harbour"}))};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(GetExifText(path, "Main.Desc"), "Harbour");
        EXPECT_EQ(GetExifText(path, "Main.ModTime"), "2021:03:04 05:06:07");
        std::time_t date = 0;
        ASSERT_TRUE(GetPictureDate(path, date));
        std::tm local{};
        localtime_r(&date, &local);
        EXPECT_EQ(local.tm_year, 121);
        EXPECT_EQ(local.tm_hour, 5);
    }
    // Without an EXIF chunk there is nothing to tell.
    const std::string plain = WebpBytes(image);
    PLAnyPicDecoder dec;
    PLMemSource src;
    src.Open(Bytes(plain), plain.size());
    dec.Open(&src);
    CExifRecord record;
    EXPECT_FALSE(dec.GetExif(record));
}

TEST(PictureRecognition, WebpBySignature) {
    auto typeOf = [](const std::string& bytes) {
        PLMemSource src;
        src.Open(Bytes(bytes), bytes.size());
        return PLAnyPicDecoder::DetermineType(src);
    };
    const std::string zeros(8, '\0');
    EXPECT_EQ(typeOf("RIFF" + zeros.substr(0, 4) + "WEBPVP8 " + zeros), PLAnyPicDecoder::kWebp);
    EXPECT_EQ(typeOf("RIFF" + zeros.substr(0, 4) + "WAVEfmt " + zeros), PLAnyPicDecoder::kUnknown);
}

TEST(PictureBadInput, TruncatedWebpFilesRaiseEndOfFile) {
    const STestImage image = QuadrantImage(64, 48);
    std::vector<std::string> files = {WebpBytes(image),
                                      WebpBytes(image, {.lossless = true, .orientation = 6}),
                                      WebpAnimationBytes({image, image})};
    for (const std::string& whole : files) {
        for (std::size_t cut : {std::size_t(20), whole.size() / 4, whole.size() / 2,
                                whole.size() - 1}) {
            SCOPED_TRACE(whole.substr(8, 4) + " cut at " + std::to_string(cut) + " of " +
                         std::to_string(whole.size()));
            PLAnyBmp bmp;
            EXPECT_PL_ERROR(DecodeBytes(whole.substr(0, cut), bmp), PL_ERREND_OF_FILE,
                            kTextEndOfFile);
        }
    }
}

// Damaged files behind a valid signature: every one decodes or raises the
// decoder error, never anything else. Run under the memory checkers, this is
// where reads out of bounds show.
TEST(PictureBadInput, DamagedWebpFilesFailCleanly) {
    const STestImage image = QuadrantImage(32, 24);
    std::vector<std::string> files = {WebpBytes(image),
                                      WebpBytes(image, {.lossless = true, .keepAlpha = true,
                                                        .orientation = 5}),
                                      WebpAnimationBytes({image, image})};
    std::mt19937 random(27);
    int decoded = 0, failed = 0;
    for (const std::string& whole : files) {
        for (int round = 0; round < 60; ++round) {
            std::string damaged = whole;
            // Keep the signature so the damage reaches the format decoder; damage a few bytes
            // elsewhere, or replace the rest with noise.
            const std::size_t keep = 16;
            if (round % 10 == 9) {
                for (std::size_t k = keep; k < damaged.size(); ++k)
                    damaged[k] = char(random());
            } else {
                for (int hits = 1 + round % 4; hits > 0; --hits)
                    damaged[keep + random() % (damaged.size() - keep)] = char(random());
            }
            try {
                PLAnyBmp bmp;
                DecodeBytes(damaged, bmp, round % 3 ? 0 : 8, round % 3 ? 0 : 8);
                ++decoded;
            } catch (const PLTextException& e) {
                EXPECT_GE(e.GetCode(), 6) << e.what();
                ++failed;
            }
        }
    }
    EXPECT_GT(failed, 0);
    RecordProperty("decoded", decoded);
}
