// The library-backed formats through PLAnyPicDecoder: recognition, the depth
// rule, reduced JPEG sizes, EXIF orientation, transparency and bad input.
#include "media/AnyPicDecoder.h"
#include "media/JPEGDecoder.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <zlib.h>

#include <cstring>

namespace {

void DecodeBytes(const std::string& bytes, PLBmp& bmp, int bpp = 32, int rw = 0, int rh = 0) {
    PLAnyPicDecoder dec;
    dec.SetRequestedSize(rw, rh);
    dec.DecodeMemory(Bytes(bytes), bytes.size(), &bmp, bpp);
}

// A PNG holding only a signature and a header chunk of the given size.
std::string PngHeaderOnly(std::uint32_t w, std::uint32_t h) {
    std::string ihdr = "IHDR";
    for (std::uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8)
            ihdr += char((v >> s) & 0xFF);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    std::uint32_t crc = std::uint32_t(crc32(0, Bytes(ihdr), uInt(ihdr.size())));
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\x00\x00\x00\x0d", 4) + ihdr;
    for (int s = 24; s >= 0; s -= 8)
        png += char((crc >> s) & 0xFF);
    return png;
}

} // namespace

TEST(JPEGDecoder, ReducedSizesFollowTheRequest) {
    std::string jpeg = JpegBytes(QuadrantImage(3000, 2000), {.quality = 50});
    // By default the reduced picture covers the request; asked to fit, it
    // only needs to hold the picture fitted inside it.
    struct SCase {
        int rw, rh, w, h;
        bool fit = false;
    } cases[] = {{96, 96, 375, 250},       {1000, 1000, 1500, 1000},   {0, 0, 3000, 2000},
                 {750, 0, 3000, 2000},     {2999, 1, 3000, 2000},      {400, 400, 750, 500},
                 {200, 400, 750, 500},     {200, 400, 375, 250, true}, {750, 0, 750, 500, true},
                 {0, 0, 3000, 2000, true}, {1000, 1000, 1500, 1000, true}};
    for (const SCase& c : cases) {
        PLAnyPicDecoder dec;
        PLMemSource src;
        src.Open(Bytes(jpeg), jpeg.size());
        dec.SetRequestedSize(c.rw, c.rh);
        dec.SetFitRequested(c.fit);
        dec.Open(&src);
        EXPECT_EQ(dec.GetWidth(), c.w) << c.rw << "x" << c.rh << (c.fit ? " fit" : "");
        EXPECT_EQ(dec.GetHeight(), c.h) << c.rw << "x" << c.rh << (c.fit ? " fit" : "");
        EXPECT_EQ(dec.GetBitsPerPixel(), 32);
        EXPECT_TRUE(dec.HasAlpha());
    }
    PLAnyBmp bmp;
    DecodeBytes(jpeg, bmp, 32, 96, 96);
    ASSERT_EQ(bmp.GetWidth(), 375);
    EXPECT_TRUE(Near(PixelAt(bmp, 10, 10), 255, 0, 0));
    EXPECT_TRUE(Near(PixelAt(bmp, 370, 10), 0, 255, 0));
    EXPECT_TRUE(Near(PixelAt(bmp, 370, 245), 0, 0, 255));
    EXPECT_EQ(PixelAt(bmp, 100, 100)[3], 255);
}

TEST(JPEGDecoder, ADraftOfAProgressivePictureAtOneEighthReadsOnlyTheFirstDCScan) {
    STestImage textured(800, 800, [](int x, int y) -> std::array<std::uint8_t, 4> {
        return {std::uint8_t(x * 5 ^ y * 3), std::uint8_t((x * y) >> 4), std::uint8_t(y + x / 3),
                255};
    });
    const std::string jpeg = JpegBytes(textured, {.quality = 80, .progressive = true});
    auto decode = [](const std::string& bytes, bool draft, PLAnyBmp& bmp) {
        PLAnyPicDecoder dec;
        dec.SetRequestedSize(96, 96);
        dec.SetDraft(draft);
        dec.DecodeMemory(Bytes(bytes), bytes.size(), &bmp, 32);
    };
    PLAnyBmp whole, draft;
    decode(jpeg, false, whole);
    decode(jpeg, true, draft);
    ASSERT_EQ(whole.GetWidth(), 100);
    ASSERT_EQ(draft.GetWidth(), 100);
    ASSERT_EQ(draft.GetHeight(), 100);
    // Brightness comes from the DC coefficients alone, which may lack their
    // lowest bit; colour, from the chroma DC coefficients, is as sharp as
    // 2 x 2 pixels here: compare brightness per pixel, colour per 2 x 2.
    auto luma = [](const PLAnyBmp& bmp, int x, int y) {
        const std::uint8_t* p = bmp.GetLineArray()[y] + 4 * x;
        return 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2];
    };
    double worstLuma = 0, sumLuma = 0, worstColour = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const double d = std::abs(luma(whole, x, y) - luma(draft, x, y));
            worstLuma = std::max(worstLuma, d);
            sumLuma += d;
        }
    for (int y = 0; y < 100; y += 2)
        for (int x = 0; x < 100; x += 2)
            for (int c = 0; c < 3; ++c) {
                int a = 0, b = 0;
                for (int k = 0; k < 4; ++k) {
                    a += whole.GetLineArray()[y + k / 2][4 * (x + k % 2) + c];
                    b += draft.GetLineArray()[y + k / 2][4 * (x + k % 2) + c];
                }
                worstColour = std::max(worstColour, std::abs(a - b) / 4.0);
            }
    EXPECT_LE(worstLuma, 12);
    EXPECT_LT(sumLuma / 10000.0, 2.0);
    EXPECT_LE(worstColour, 24);

    // The standard progression sends the DC coefficients but their lowest
    // bit in its first scan. Cut at the second scan's header, the data ends
    // early for a whole decode but not for a draft; cut inside the first
    // scan, for both.
    std::vector<std::size_t> scans;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (std::uint8_t(jpeg[i]) == 0xFF && std::uint8_t(jpeg[i + 1]) == 0xDA)
            scans.push_back(i);
    ASSERT_EQ(scans.size(), 10u);
    const std::string afterDC = jpeg.substr(0, scans[1]);
    EXPECT_PL_ERROR(decode(afterDC, false, whole), PL_ERREND_OF_FILE, kTextEndOfFile);
    PLAnyBmp cut;
    decode(afterDC, true, cut);
    for (int y = 0; y < 100; ++y)
        ASSERT_EQ(std::memcmp(draft.GetLineArray()[y], cut.GetLineArray()[y], 400), 0);
    const std::string inDC = jpeg.substr(0, scans[0] + 40);
    EXPECT_PL_ERROR(decode(inDC, true, cut), PL_ERREND_OF_FILE, kTextEndOfFile);
}

TEST(JPEGDecoder, GreyPicturesArriveGrey) {
    STestImage image(16, 8, [](int x, int) -> std::array<std::uint8_t, 4> {
        auto v = std::uint8_t(x < 8 ? 40 : 200);
        return {v, v, v, 255};
    });
    PLAnyBmp bmp;
    DecodeBytes(JpegBytes(image, {.grey = true}), bmp);
    EXPECT_TRUE(bmp.IsGreyscale());
    EXPECT_TRUE(Near(PixelAt(bmp, 2, 4), 40, 40, 40, 6));
    EXPECT_TRUE(Near(PixelAt(bmp, 13, 4), 200, 200, 200, 6));
    EXPECT_EQ(PixelAt(bmp, 13, 4)[3], 255);
}

TEST(JPEGDecoder, EveryExifOrientationArrivesUpright) {
    const int w = 48, h = 32;
    STestImage stored = QuadrantImage(w, h);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        std::string jpeg = JpegBytes(stored, {.orientation = o});
        PLAnyBmp bmp;
        DecodeBytes(jpeg, bmp);
        int uw = o >= 5 ? h : w, uh = o >= 5 ? w : h;
        ASSERT_EQ(bmp.GetWidth(), uw);
        ASSERT_EQ(bmp.GetHeight(), uh);
        // The middle of each upright quadrant shows the stored colour it maps to.
        for (int qy = 0; qy < 2; ++qy)
            for (int qx = 0; qx < 2; ++qx) {
                int x = uw / 4 + qx * uw / 2, y = uh / 4 + qy * uh / 2;
                auto [sx, sy] = StoredOf(o, x, y, w, h);
                const std::uint8_t* e = stored.At(sx, sy);
                EXPECT_TRUE(Near(PixelAt(bmp, x, y), e[0], e[1], e[2])) << x << "," << y;
            }
    }
    // Reduction is judged on the upright size: 32 × 48 asked for 8 × 24 is a half.
    PLJPEGDecoder dec;
    PLMemSource src;
    std::string turned = JpegBytes(stored, {.orientation = 6});
    src.Open(Bytes(turned), turned.size());
    dec.SetRequestedSize(8, 24);
    dec.Open(&src);
    EXPECT_EQ(dec.GetScale(), 2);
    EXPECT_EQ(dec.GetWidth(), 16);
    EXPECT_EQ(dec.GetHeight(), 24);
}

TEST(PictureRecognition, ContentDecidesNotTheName) {
    CTempDir dir;
    STestImage image = QuadrantImage(20, 10);
    std::string path = dir.WriteFile("photo.jpg", PngBytes(image, false));
    PLAnyPicDecoder dec;
    PLAnyBmp bmp;
    dec.DecodeFile(path, &bmp, 32);
    EXPECT_EQ(bmp.GetWidth(), 20);
    EXPECT_TRUE(Near(PixelAt(bmp, 15, 8), 0, 0, 255, 0)); // lossless: PNG, not JPEG

    std::string junk = "This is no picture at all, just some words.";
    EXPECT_PL_ERROR(DecodeBytes(junk, bmp), PL_ERRUNKNOWN_FILE_TYPE, "Unknown file type.");
    EXPECT_PL_ERROR(DecodeBytes("", bmp), PL_ERRUNKNOWN_FILE_TYPE, "Unknown file type.");
    EXPECT_PL_ERROR(dec.DecodeFile(dir / "missing.png", &bmp, 32), PL_ERRFILE_NOT_FOUND,
                    ("Opening " + (dir / "missing.png") + " failed").c_str());
}

TEST(PictureRecognition, MetafilesOnlyByName) {
    CTempDir dir;
    // A placeable metafile header: matches no content test.
    std::string wmf("\xD7\xCD\xC6\x9A\x00\x00\x00\x00\x00\x00\x40\x01\xF0\x00", 14);
    wmf += std::string(40, '\0');
    PLAnyPicDecoder dec;
    PLAnyBmp bmp;
    EXPECT_PL_ERROR(dec.DecodeFile(dir.WriteFile("drawing.WMF", wmf), &bmp, 32),
                    PL_ERRFORMAT_NOT_COMPILED, "Library not compiled for this file type.");
    EXPECT_PL_ERROR(dec.DecodeFile(dir.WriteFile("a.emf.bak", wmf), &bmp, 32),
                    PL_ERRFORMAT_NOT_COMPILED, "Library not compiled for this file type.");
    EXPECT_PL_ERROR(DecodeBytes(wmf, bmp), PL_ERRUNKNOWN_FILE_TYPE, "Unknown file type.");
}

TEST(PictureRecognition, EpsPreviewIsThePicture) {
    std::string tiff = TiffBytes(QuadrantImage(12, 6), false);
    auto le32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    std::string postscript = "%!PS-Adobe-3.0 EPSF-3.0\n";
    // Header: magic, PostScript offset and length, metafile offset and length,
    // TIFF offset and length, checksum.
    std::string eps = std::string("\xC5\xD0\xD3\xC6", 4) + le32(32) + le32(postscript.size()) +
                      le32(0) + le32(0) + le32(32 + postscript.size()) + le32(tiff.size()) +
                      std::string("\xFF\xFF", 2);
    eps += std::string(2, '\0') + postscript + tiff;
    PLAnyBmp bmp;
    DecodeBytes(eps, bmp);
    EXPECT_EQ(bmp.GetWidth(), 12);
    EXPECT_TRUE(Near(PixelAt(bmp, 9, 1), 0, 255, 0, 0));

    std::string noPreview = eps;
    noPreview.replace(20, 8, std::string(8, '\0'));
    EXPECT_PL_ERROR(DecodeBytes(noPreview, bmp), PL_ERRUNKNOWN_FILE_TYPE, "Unknown file type.");
}

TEST(PictureDepth, PalettedGifExpandsAndDeeperRequestsFail) {
    // 4 × 2 with a transparent index 2.
    std::vector<std::uint8_t> idx{0, 1, 2, 3, 3, 2, 1, 0};
    std::vector<std::array<std::uint8_t, 3>> pal{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    std::string gif = GifBytes(4, 2, idx, pal, 2);
    PLAnyBmp own;
    DecodeBytes(gif, own, 0);
    EXPECT_EQ(own.GetBitsPerPixel(), 8);
    EXPECT_EQ(own.GetLineArray()[1][0], 3);

    PLAnyBmp bmp;
    DecodeBytes(gif, bmp, 32);
    ASSERT_EQ(bmp.GetBitsPerPixel(), 32);
    EXPECT_TRUE(bmp.HasAlpha());
    const std::uint8_t* p = PixelAt(bmp, 0, 0); // red, opaque
    EXPECT_EQ(p[0], 0); EXPECT_EQ(p[2], 255); EXPECT_EQ(p[3], 255);
    EXPECT_EQ(PixelAt(bmp, 2, 0)[3], 0);        // transparent
    p = PixelAt(bmp, 0, 1);
    EXPECT_EQ(p[0], 7); EXPECT_EQ(p[1], 8); EXPECT_EQ(p[2], 9);

    // Interlaced rows land where they belong.
    std::vector<std::uint8_t> tall(4 * 9);
    for (int y = 0; y < 9; ++y)
        std::fill(tall.begin() + 4 * y, tall.begin() + 4 * y + 4, std::uint8_t(y % 4));
    PLAnyBmp inter;
    DecodeBytes(GifBytes(4, 9, tall, pal, -1, true), inter, 0);
    for (int y = 0; y < 9; ++y)
        EXPECT_EQ(inter.GetLineArray()[y][1], y % 4) << y;

    std::string png = PngBytes(QuadrantImage(4, 4), false);
    EXPECT_PL_ERROR(DecodeBytes(png, bmp, 24), PL_ERRFORMAT_NOT_SUPPORTED,
                    "Image bit depth doesn't match request.");
    EXPECT_PL_ERROR(DecodeBytes(png, bmp, 8), PL_ERRFORMAT_NOT_SUPPORTED,
                    "Image bit depth doesn't match request.");
}

TEST(PictureTransparency, PngAndTiffAlphaMapsToAlpha) {
    STestImage image(6, 4, [](int x, int y) -> std::array<std::uint8_t, 4> {
        return {std::uint8_t(x * 40), std::uint8_t(y * 60), 90, std::uint8_t(x * 50)};
    });
    for (const std::string& bytes : {PngBytes(image, true), TiffBytes(image, true)}) {
        PLAnyBmp bmp;
        DecodeBytes(bytes, bmp);
        EXPECT_TRUE(bmp.HasAlpha());
        // libtiff premultiplies on the way; faint pixels come back within rounding.
        for (int x = 1; x < 6; ++x) {
            EXPECT_EQ(PixelAt(bmp, x, 3)[3], x * 50);
            EXPECT_TRUE(Near(PixelAt(bmp, x, 3), x * 40, 180, 90, 5));
        }
    }
    PLAnyBmp opaque;
    DecodeBytes(TiffBytes(image, false), opaque);
    EXPECT_FALSE(opaque.HasAlpha());
    EXPECT_EQ(PixelAt(opaque, 2, 2)[3], 255);
}

TEST(PictureBadInput, TruncatedFilesOfEveryLibraryFormatRaise) {
    STestImage image = QuadrantImage(64, 48);
    std::vector<std::uint8_t> idx(64 * 48);
    for (std::size_t k = 0; k < idx.size(); ++k)
        idx[k] = std::uint8_t(k * 7 % 4);
    std::vector<std::array<std::uint8_t, 3>> pal{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    const std::string files[] = {JpegBytes(image), PngBytes(image, true),
                                 GifBytes(64, 48, idx, pal, -1), TiffBytes(image, false)};
    for (const std::string& whole : files) {
        for (std::size_t cut : {std::size_t(4), whole.size() / 4, whole.size() / 2,
                                whole.size() * 3 / 4}) {
            std::string part = whole.substr(0, cut);
            PLAnyBmp bmp;
            try {
                DecodeBytes(part, bmp);
                ADD_FAILURE() << "decoded " << cut << " of " << whole.size() << " bytes";
            } catch (const PLTextException& e) {
                EXPECT_GE(e.GetCode(), 6) << e.what();
            }
        }
    }
}

TEST(PictureBadInput, ImpossibleSizesFailWithCode10BeforeAllocating) {
    PLAnyBmp bmp;
    // The text says what is wrong: the size, not memory.
    EXPECT_PL_ERROR(DecodeBytes(PngHeaderOnly(30000, 10), bmp), PL_ERRNO_MEMORY,
                    "The picture is too large: 30000 x 10 pixels (at most 20000 a side and "
                    "268435456 in all).");
    EXPECT_PL_ERROR(DecodeBytes(PngHeaderOnly(19000, 19000), bmp), PL_ERRNO_MEMORY, "");
    // A bitmap file header and info header claiming 40000 × 2 pixels.
    std::string bmpFile("BM\0\0\0\0\0\0\0\0\x36\0\0\0" "\x28\0\0\0" "\x40\x9c\0\0" "\x02\0\0\0"
                        "\x01\0\x18\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
                        54);
    EXPECT_PL_ERROR(DecodeBytes(bmpFile, bmp), PL_ERRNO_MEMORY, "");
}

// Headers that claim more than their compressed data can expand to are
// refused when the picture is opened, before memory is taken for it; the
// tightest compression the libraries make still opens and decodes.
namespace {

// Opens with format recognition: the header is read, the pixels not.
void OpenOnly(const std::string& file) {
    PLMemSource source;
    source.Open(Bytes(file), file.size());
    PLAnyPicDecoder dec;
    dec.Open(&source);
}

std::string Be32(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string Le16(int v) { return {char(v), char(v >> 8)}; }
std::string Le32(std::uint32_t v) { return Le16(int(v & 0xFFFF)) + Le16(int(v >> 16)); }

std::string Deflated(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, Bytes(raw), uLong(raw.size()),
                        Z_BEST_COMPRESSION),
              Z_OK);
    out.resize(size);
    return out;
}

std::string PngChunk(const std::string& type, const std::string& data) {
    std::string body = type + data;
    return Be32(std::uint32_t(data.size())) + body +
           Be32(std::uint32_t(crc32(0, Bytes(body), uInt(body.size()))));
}

// Signature, header (8-bit samples of a colour type), one IDAT, IEND.
std::string PngFile(std::uint32_t w, std::uint32_t h, int colourType, const std::string& idat) {
    return "\x89PNG\r\n\x1a\n" +
           PngChunk("IHDR", Be32(w) + Be32(h) + std::string{8, char(colourType), 0, 0, 0}) +
           PngChunk("IDAT", idat) + PngChunk("IEND", "");
}

// A little-endian TIFF of one strip: size, samples of `bits` each (grey for
// one, RGB with unassociated alpha for four), compression, strip bytes.
std::string TiffFile(std::uint32_t w, std::uint32_t h, int samples, std::uint32_t bits,
                     int compression, const std::string& strip) {
    struct SEntry {
        int tag, type;
        std::uint32_t count, value;
    };
    const std::uint32_t entries = samples == 4 ? 11 : 10;
    const std::uint32_t bitsAt = 8 + 2 + 12 * entries + 4, stripAt = bitsAt + 2 * samples;
    std::vector<SEntry> ifd{{256, 4, 1, w},
                            {257, 4, 1, h},
                            {258, 3, std::uint32_t(samples), samples == 1 ? bits : bitsAt},
                            {259, 3, 1, std::uint32_t(compression)},
                            {262, 3, 1, samples == 1 ? 1u : 2u},
                            {273, 4, 1, stripAt},
                            {277, 3, 1, std::uint32_t(samples)},
                            {278, 4, 1, h},
                            {279, 4, 1, std::uint32_t(strip.size())},
                            {284, 3, 1, 1}};
    if (samples == 4)
        ifd.push_back({338, 3, 1, 2});
    std::string file = "II*" + std::string(1, '\0') + Le32(8) + Le16(int(entries));
    for (const SEntry& e : ifd) {
        file += Le16(e.tag) + Le16(e.type) + Le32(e.count);
        // Short values lie in the first two bytes of the field.
        const bool inline16 = e.type == 3 && e.count == 1;
        file += inline16 ? Le16(int(e.value)) + Le16(0) : Le32(e.value);
    }
    file += Le32(0);
    // The bit counts, read from here when there are several.
    for (int s = 0; s < samples; ++s)
        file += Le16(int(bits));
    return file + strip;
}

} // namespace

TEST(PictureBadInput, HeadersClaimingMoreThanTheDataCanHoldAreRefusedWhenOpened) {
    // PNG: 16384 × 16384 RGBA from a few bytes of deflate data.
    EXPECT_PL_ERROR(OpenOnly(PngFile(16384, 16384, 6, Deflated(std::string(100, '\0')))),
                    PL_ERREND_OF_FILE, kTextEndOfFile);
    // 258 × 258 RGBA is 1032 × 258 bytes of samples: 258 bytes of IDAT at least.
    EXPECT_PL_ERROR(OpenOnly(PngFile(258, 258, 6, std::string(257, '\0'))), PL_ERREND_OF_FILE,
                    "");
    OpenOnly(PngFile(258, 258, 6, std::string(258, '\0')));
    // The tightest deflate there is, of a uniform picture, still decodes.
    const std::string zeros(std::size_t(2064) * (1 + 2064 * 4), '\0');
    PLAnyBmp uniform;
    DecodeBytes(PngFile(2064, 2064, 6, Deflated(zeros)), uniform);
    EXPECT_EQ(PixelAt(uniform, 2063, 2063)[3], 0);

    // TIFF: 650 bytes claiming 16000 × 16000 RGBA at 16 bits, deflated.
    std::string hostile = TiffFile(16000, 16000, 4, 16, 8, Deflated(std::string(1000, '\0')));
    hostile.resize(650, '\0');
    EXPECT_PL_ERROR(OpenOnly(hostile), PL_ERREND_OF_FILE, kTextEndOfFile);
    // A strip count beyond the file counts only the bytes the file has.
    std::string claims = TiffFile(4, 2, 1, 8, 1, std::string(7, '\1'));
    claims.replace(8 + 2 + 12 * 8 + 8, 4, Le32(8));
    EXPECT_PL_ERROR(OpenOnly(claims), PL_ERREND_OF_FILE, "");
    PLAnyBmp grey;
    DecodeBytes(TiffFile(4, 2, 1, 8, 1, std::string(8, '\x40')), grey);
    EXPECT_TRUE(Near(PixelAt(grey, 3, 1), 0x40, 0x40, 0x40, 0));
    PLAnyBmp deflated;
    DecodeBytes(TiffFile(2064, 2000, 1, 8, 8, Deflated(std::string(2064 * 2000, '\0'))), deflated);
    EXPECT_TRUE(Near(PixelAt(deflated, 2063, 1999), 0, 0, 0, 0));

    // GIF: a 1000 × 1000 picture from a handful of LZW codes.
    std::string gif = "GIF89a" + Le16(1000) + Le16(1000) + std::string{'\x80', 0, 0} +
                      std::string("\0\0\0\xFF\xFF\xFF", 6) + "," + Le16(0) + Le16(0) +
                      Le16(1000) + Le16(1000) + std::string(1, '\0') +
                      std::string("\x02\x02\x4C\x01\x00;", 6);
    EXPECT_PL_ERROR(OpenOnly(gif), PL_ERREND_OF_FILE, kTextEndOfFile);
}
