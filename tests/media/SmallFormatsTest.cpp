// The decoders of our own, on hand-made files.
#include "media/AnyPicDecoder.h"
#include "media/TGADecoder.h"
#include "tests/media/MediaTestUtil.h"

#include <initializer_list>
#include <vector>

namespace {

std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s += char(b);
    return s;
}
std::string Le16(int v) { return B({v & 255, (v >> 8) & 255}); }
std::string Le32(std::uint32_t v) { return Le16(int(v & 0xFFFF)) + Le16(int(v >> 16)); }
std::string Be16(int v) { return B({(v >> 8) & 255, v & 255}); }
std::string Be32(std::uint32_t v) { return Be16(int(v >> 16)) + Be16(int(v & 0xFFFF)); }

PLAnyBmp Decode(const std::string& bytes) {
    PLAnyBmp bmp;
    PLAnyPicDecoder dec;
    dec.DecodeMemory(Bytes(bytes), bytes.size(), &bmp, 32);
    return bmp;
}

void ExpectPixel(const PLBmp& bmp, int x, int y, int b, int g, int r, int a = 255) {
    const std::uint8_t* p = PixelAt(bmp, x, y);
    EXPECT_EQ(p[0], b) << x << "," << y;
    EXPECT_EQ(p[1], g) << x << "," << y;
    EXPECT_EQ(p[2], r) << x << "," << y;
    EXPECT_EQ(p[3], a) << x << "," << y;
}

// A BITMAPINFOHEADER-style file: header, info header of 40 bytes, palette, bits.
std::string BmpFile(int w, int h, int bpp, int compression, const std::string& palette,
                    const std::string& bits) {
    std::uint32_t offset = 14 + 40 + std::uint32_t(palette.size());
    return "BM" + Le32(offset + std::uint32_t(bits.size())) + Le32(0) + Le32(offset) + Le32(40) +
           Le32(std::uint32_t(w)) + Le32(std::uint32_t(h)) + Le16(1) + Le16(bpp) +
           Le32(std::uint32_t(compression)) + Le32(std::uint32_t(bits.size())) + Le32(2835) +
           Le32(2835) + Le32(std::uint32_t(palette.size() / 4)) + Le32(0) + palette + bits;
}

} // namespace

TEST(BmpDecoder, TwentyFourBitRowsBottomUpWithPadding) {
    // Rows of two pixels (6 bytes) padded to 8; the bottom row comes first.
    std::string bits = B({1, 2, 3, 4, 5, 6, 0, 0, /* top: */ 7, 8, 9, 10, 11, 12, 0, 0});
    PLAnyBmp bmp = Decode(BmpFile(2, 2, 24, 0, "", bits));
    ExpectPixel(bmp, 0, 0, 7, 8, 9);
    ExpectPixel(bmp, 1, 1, 4, 5, 6);
    EXPECT_EQ(bmp.m_XRes, 72);
    // Negative height: top-down.
    PLAnyBmp down = Decode(BmpFile(2, -2, 24, 0, "", bits));
    ExpectPixel(down, 0, 0, 1, 2, 3);
}

TEST(BmpDecoder, PalettedRunLengthAndBitFields) {
    std::string palette = B({10, 20, 30, 0, 40, 50, 60, 0});
    // RLE8 3 × 2: bottom row a run of three 1s; top row literal 0 1 0, then end.
    std::string rle = B({3, 1, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1});
    PLAnyBmp bmp = Decode(BmpFile(3, 2, 8, 1, palette, rle));
    ExpectPixel(bmp, 2, 1, 40, 50, 60);
    ExpectPixel(bmp, 0, 0, 10, 20, 30);
    ExpectPixel(bmp, 1, 0, 40, 50, 60);
    // A literal run that points past the data ends with code 11.
    std::string cut = rle.substr(0, 7);
    try {
        Decode(BmpFile(3, 2, 8, 1, palette, cut));
        ADD_FAILURE();
    } catch (const PLTextException& e) {
        EXPECT_EQ(e.GetCode(), PL_ERREND_OF_FILE);
    }
    // 1 bit per pixel: 0b10 → colours 1, 0.
    PLAnyBmp mono = Decode(BmpFile(2, 1, 1, 0, palette, B({0x80, 0, 0, 0})));
    ExpectPixel(mono, 0, 0, 40, 50, 60);
    ExpectPixel(mono, 1, 0, 10, 20, 30);
}

TEST(BmpDecoder, OffsetsPastTheEndRaise) {
    std::string file = BmpFile(2, 2, 24, 0, "", std::string(16, '\0'));
    file.replace(10, 4, Le32(100000));
    EXPECT_PL_ERROR(Decode(file), PL_ERREND_OF_FILE, "End of file reached while decoding.\n");
    EXPECT_PL_ERROR(Decode(file.substr(0, 20)), PL_ERREND_OF_FILE, "");
}

TEST(TGADecoder, RunLengthTrueColourWithAlphaTopDown) {
    // Type 10, 32 bits, descriptor 0x28: top-left origin, 8 alpha bits.
    std::string h = B({0, 0, 10}) + std::string(5, '\0') + Le16(0) + Le16(0) + Le16(3) + Le16(2) +
                    B({32, 0x28});
    std::string data = B({0x82, 1, 2, 3, 4,                         // three of one pixel
                          0x02, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}); // three literals
    PLAnyBmp bmp = Decode(h + data);
    EXPECT_TRUE(bmp.HasAlpha());
    ExpectPixel(bmp, 2, 0, 1, 2, 3, 4);
    ExpectPixel(bmp, 0, 1, 5, 6, 7, 8);
    ExpectPixel(bmp, 2, 1, 13, 14, 15, 16);
    // Bottom-up (descriptor bit 5 clear): the first row read is the bottom one.
    std::string up = h;
    up[17] = 0x08;
    PLAnyBmp flipped = Decode(up + data);
    ExpectPixel(flipped, 0, 0, 5, 6, 7, 8);
    EXPECT_PL_ERROR(Decode(h + data.substr(0, 9)), PL_ERREND_OF_FILE, "");
}

TEST(PCXDecoder, EightBitPaletteWithRuns) {
    std::string h(128, '\0');
    h[0] = 0x0A; h[1] = 5; h[2] = 1; h[3] = 8;
    h.replace(8, 2, Le16(2)); // xmax: 3 pixels wide
    h.replace(10, 2, Le16(0)); // ymax: 1 row
    h[65] = 1;
    h.replace(66, 2, Le16(4)); // bytes per line (even)
    std::string data = B({0xC3, 2, 7});   // three of index 2, then one byte of padding
    std::string palette = B({0x0C}) + std::string(768, '\0');
    palette[1 + 2 * 3] = char(200); palette[1 + 2 * 3 + 2] = char(100); // colour 2: r 200, b 100
    PLAnyBmp bmp = Decode(h + data + palette);
    ASSERT_EQ(bmp.GetWidth(), 3);
    ExpectPixel(bmp, 2, 0, 100, 0, 200);
}

TEST(PnmDecoders, PlainAndRawGreyAndColourMaps) {
    PLAnyBmp raw = Decode("P5\n# comment\n2 1\n255\n" + B({0, 200}));
    EXPECT_TRUE(raw.IsGreyscale());
    ExpectPixel(raw, 1, 0, 200, 200, 200);
    PLAnyBmp plain = Decode("P2 2 1 10\n5 10");
    ExpectPixel(plain, 0, 0, 127, 127, 127);
    ExpectPixel(plain, 1, 0, 255, 255, 255);
    PLAnyBmp deep = Decode("P6 1 1 65535\n" + B({0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00}));
    ExpectPixel(deep, 0, 0, 0, 127, 255);
    PLAnyBmp colour = Decode("P3 1 1 255 1 2 3");
    ExpectPixel(colour, 0, 0, 3, 2, 1);
    EXPECT_PL_ERROR(Decode("P6 4 4 255\n" + B({1, 2, 3})), PL_ERREND_OF_FILE, "");
    EXPECT_PL_ERROR(Decode("P5 x 1 255\n"), PL_ERRINTERNAL, "");
}

TEST(PSDDecoder, CompositeRawAndPackBits) {
    auto header = [](int channels, int mode) {
        return "8BPS" + Be16(1) + std::string(6, '\0') + Be16(channels) + Be32(1) + Be32(2) +
               Be16(8) + Be16(mode) + Be32(0) + Be32(0) + Be32(0);
    };
    // Raw RGBA, 2 × 1: planes R, G, B, A.
    PLAnyBmp rgba = Decode(header(4, 3) + Be16(0) + B({10, 11, 20, 21, 30, 31, 0, 255}));
    EXPECT_TRUE(rgba.HasAlpha());
    ExpectPixel(rgba, 0, 0, 30, 20, 10, 0);
    ExpectPixel(rgba, 1, 0, 31, 21, 11, 255);
    // PackBits RGB: each plane's row is one repeat of two bytes (code −1).
    std::string rle = header(3, 3) + Be16(1) + Be16(2) + Be16(2) + Be16(2) +
                      B({0xFF, 50, 0xFF, 60, 0xFF, 70});
    PLAnyBmp rgb = Decode(rle);
    ExpectPixel(rgb, 1, 0, 70, 60, 50);
    std::string bad = rle;
    bad[bad.size() - 2] = char(0xF0); // a run longer than the row
    EXPECT_PL_ERROR(Decode(bad), PL_ERRINTERNAL, "");
}

TEST(PictDecoder, PixmapAndUnsupportedOpcodes) {
    std::string pixmap = Be16(0x0098) + Be16(0x8002) + Be16(0) + Be16(0) + Be16(2) + Be16(2) +
                         Be16(0) + Be16(0) + Be32(0) + Be32(0x480000) + Be32(0x480000) +
                         Be16(0) + Be16(8) + Be16(1) + Be16(8) + Be32(0) + Be32(0) + Be32(0) +
                         // colour table: seed, flags, size − 1, two entries
                         Be32(0) + Be16(0) + Be16(1) + Be16(0) + Be16(0xFFFF) + Be16(0) +
                         Be16(0) + Be16(1) + Be16(0) + Be16(0) + Be16(0xFFFF) +
                         // source and destination rectangles, mode
                         std::string(16, '\0') + Be16(0) +
                         // two unpacked rows of two indices
                         B({0, 1, 1, 0});
    auto pict = [&](int firstOpcode) {
        return std::string(512, '\0') + Be16(0) + std::string(8, '\0') + Be16(0x0011) +
               Be16(0x02FF) + Be16(0x0C00) + std::string(24, '\0') + Be16(firstOpcode) + pixmap +
               Be16(0x00FF);
    };
    PLAnyBmp bmp = Decode(pict(0x001E));
    ASSERT_EQ(bmp.GetWidth(), 2);
    ExpectPixel(bmp, 0, 0, 0, 0, 255);
    ExpectPixel(bmp, 1, 0, 255, 0, 0);
    ExpectPixel(bmp, 0, 1, 255, 0, 0);
    EXPECT_PL_ERROR(Decode(pict(0x0030)), PL_ERRFORMAT_NOT_COMPILED,
                    "Library not compiled for this file type.");
}

// Hostile headers: every read of colour-map and pixel bytes stays inside the
// file. The files are decoded from a copy of exactly their size, so that a
// sanitizer build sees a read one byte past the end.
namespace {

PLAnyBmp DecodeExact(PLPicDecoder& dec, const std::string& bytes) {
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    PLAnyBmp bmp;
    dec.DecodeMemory(exact.data(), exact.size(), &bmp, 32);
    return bmp;
}

PLAnyBmp DecodeExact(const std::string& bytes) {
    PLAnyPicDecoder dec;
    return DecodeExact(dec, bytes);
}

// A TGA header: id length 0, colour-map type, image type, map start, map
// length, map entry bits, origin (0, 0), size, pixel bits, descriptor (top-down).
std::string TgaHeader(int mapType, int type, int mapFirst, int mapCount, int mapBits, int w, int h,
                      int bits) {
    return B({0, mapType, type}) + Le16(mapFirst) + Le16(mapCount) + B({mapBits}) + Le16(0) +
           Le16(0) + Le16(w) + Le16(h) + B({bits, 0x20});
}

} // namespace

TEST(TGADecoder, ColourMapsAreDecodedOnlyWhenUsedAndOnlyAtReadableDepths) {
    // True colour with a colour map of 34,304 entries of 0 bits (a fuzzer's
    // find): the map takes no bytes and is skipped; the pixel follows.
    PLAnyBmp skipped = DecodeExact(TgaHeader(1, 2, 1, 0x8600, 0, 1, 1, 24) + B({1, 2, 3}));
    ExpectPixel(skipped, 0, 0, 1, 2, 3);
    // A 24-bit map in front of a true-colour picture is skipped whole.
    PLAnyBmp skipped24 =
        DecodeExact(TgaHeader(1, 2, 0, 2, 24, 1, 1, 24) + std::string(6, '\x7F') + B({4, 5, 6}));
    ExpectPixel(skipped24, 0, 0, 4, 5, 6);
    // A colour-mapped picture needs entries it can read: 0-bit entries are
    // refused, 24-bit ones give the colours.
    EXPECT_PL_ERROR(DecodeExact(TgaHeader(1, 1, 0, 2, 0, 2, 1, 8) + B({0, 1})),
                    PL_ERRFORMAT_NOT_SUPPORTED, "");
    PLAnyBmp mapped = DecodeExact(TgaHeader(1, 1, 0, 2, 24, 2, 1, 8) +
                                  B({10, 20, 30, 40, 50, 60}) + B({1, 0}));
    ExpectPixel(mapped, 0, 0, 40, 50, 60);
    ExpectPixel(mapped, 1, 0, 10, 20, 30);
    // Pixel depths other than 8, 15, 16, 24 and 32 are refused even when the
    // decoder is used without format recognition: a 12-bit pixel would be
    // read as four bytes.
    PLTGADecoder tga;
    EXPECT_PL_ERROR(DecodeExact(tga, TgaHeader(0, 2, 0, 0, 0, 2, 1, 12) + B({1, 2, 3, 4})),
                    PL_ERRFORMAT_NOT_SUPPORTED, "");
}

TEST(TGADecoder, HeadersClaimingMorePixelsThanTheFileHoldsAreRefusedWhenOpened) {
    // 10,752 × 12,832 pixels in 38 bytes (a fuzzer's find): no memory is
    // taken for the picture, since Open already refuses it. Runs of 128
    // pixels need at least a count byte and a pixel each.
    auto opens = [](const std::string& file) {
        PLMemSource source;
        source.Open(Bytes(file), file.size());
        PLTGADecoder tga;
        tga.Open(&source);
    };
    EXPECT_PL_ERROR(opens(TgaHeader(0, 10, 0, 0, 0, 10752, 12832, 15) + std::string(20, '\0')),
                    PL_ERREND_OF_FILE, "End of file reached while decoding.\n");
    EXPECT_PL_ERROR(opens(TgaHeader(0, 2, 0, 0, 0, 3, 1, 24) + std::string(8, '\0')),
                    PL_ERREND_OF_FILE, "");
    opens(TgaHeader(0, 2, 0, 0, 0, 3, 1, 24) + std::string(9, '\0'));
    // 256 pixels in runs: two packets of a count byte and three bytes at least.
    EXPECT_PL_ERROR(opens(TgaHeader(0, 10, 0, 0, 0, 256, 1, 24) + std::string(7, '\0')),
                    PL_ERREND_OF_FILE, "");
    opens(TgaHeader(0, 10, 0, 0, 0, 256, 1, 24) + B({0xFF, 1, 2, 3, 0xFF, 4, 5, 6}));
}

namespace {

// A version 2 PICT file whose first opcode after the header is `body`.
std::string PictFile(const std::string& body) {
    return std::string(512, '\0') + Be16(0) + std::string(8, '\0') + Be16(0x0011) +
           Be16(0x02FF) + Be16(0x0C00) + std::string(24, '\0') + body + Be16(0x00FF);
}

// The 2 × 2 bounds and the 36-byte pixmap record that follow a row-bytes
// field: version, pack type, pack size, resolutions, pixel type, pixel size,
// component count and size, plane bytes, table, reserved.
std::string PixMap(int packType, int pixelSize, int components, int width = 2, int height = 2) {
    return Be16(0) + Be16(0) + Be16(height) + Be16(width) + Be16(0) + Be16(packType) + Be32(0) +
           Be32(0x480000) + Be32(0x480000) + Be16(pixelSize == 32 ? 16 : 0) + Be16(pixelSize) +
           Be16(components) + Be16(8) + Be32(0) + Be32(0) + Be32(0);
}

} // namespace

TEST(PictDecoder, ColourTablesLongerThanAPaletteAndPlanarRowsWithTooFewPlanes) {
    // Indexed by position (flag 0x8000) with 300 entries: entries 256 … 299
    // have no place in the palette and are dropped. Entry 0 is blue, 1 red.
    std::string table = Be32(0) + Be16(0x8000) + Be16(299);
    for (int k = 0; k < 300; ++k)
        table += Be16(0) + Be16(k == 1 ? 0xFFFF : 0) + Be16(0) + Be16(k == 0 ? 0xFFFF : 0);
    PLAnyBmp bmp = DecodeExact(PictFile(Be16(0x0098) + Be16(0x8002) + PixMap(0, 8, 1) + table +
                                        std::string(18, '\0') + B({0, 1, 1, 0})));
    ExpectPixel(bmp, 0, 0, 255, 0, 0);
    ExpectPixel(bmp, 1, 0, 0, 0, 255);
    ExpectPixel(bmp, 0, 1, 0, 0, 255);

    // A direct pixmap packed by planes (type 4) reads the red, green and blue
    // planes of each row, so it needs three or four components; two are
    // refused. Rows: 5 bytes, one literal run of the 4 bytes of two planes.
    std::string rows = B({5, 3, 1, 2, 3, 4, 5, 3, 1, 2, 3, 4});
    auto planar = [&](int components) {
        return PictFile(Be16(0x009A) + Be32(0xFF) + Be16(0x8000 | 8) +
                        PixMap(4, 32, components) + std::string(18, '\0') + rows);
    };
    EXPECT_PL_ERROR(DecodeExact(planar(2)), PL_ERRFORMAT_NOT_SUPPORTED, "");
    EXPECT_PL_ERROR(DecodeExact(planar(0)), PL_ERRFORMAT_NOT_SUPPORTED, "");
    // Three planes of two bytes: red 1 2, green 3 4, blue 5 6.
    std::string three = B({7, 5, 1, 2, 3, 4, 5, 6, 7, 5, 1, 2, 3, 4, 5, 6});
    PLAnyBmp rgb = DecodeExact(PictFile(Be16(0x009A) + Be32(0xFF) + Be16(0x8000 | 8) +
                                        PixMap(4, 32, 3) + std::string(18, '\0') + three));
    ExpectPixel(rgb, 0, 0, 5, 3, 1);
    ExpectPixel(rgb, 1, 1, 6, 4, 2);
}

// Headers that claim more pixels than their data can hold are refused when
// the picture is opened, before anything is allocated for it; data that just
// suffices still opens. Each format's least data: its rows stored whole, or
// its best compression (runs) throughout.
namespace {

// Opens with format recognition, which reads the header and allocates
// nothing for the pixels.
void OpenOnly(const std::string& file) {
    PLMemSource source;
    source.Open(Bytes(file), file.size());
    PLAnyPicDecoder dec;
    dec.Open(&source);
}

// A PCX header: version 5, encoding (1: runs, the only one recognised),
// bits, size, planes, bytes per line.
std::string PcxHeader(int encoding, int bits, int w, int h, int planes, int lineBytes) {
    std::string header(128, '\0');
    header[0] = 0x0A; header[1] = 5; header[2] = char(encoding); header[3] = char(bits);
    header.replace(8, 2, Le16(w - 1));
    header.replace(10, 2, Le16(h - 1));
    header[65] = char(planes);
    header.replace(66, 2, Le16(lineBytes));
    return header;
}

// A Photoshop header and three empty sections: channels, mode 3 (RGB), 8 bits.
std::string PsdHeader(int channels, std::uint32_t w, std::uint32_t h) {
    return "8BPS" + Be16(1) + std::string(6, '\0') + Be16(channels) + Be32(h) + Be32(w) +
           Be16(8) + Be16(3) + Be32(0) + Be32(0) + Be32(0);
}

} // namespace

TEST(SmallFormats, HeadersClaimingMoreThanTheDataHoldsAreRefusedWhenOpened) {
    const char* eof = kTextEndOfFile;
    // BMP, 24 bits, 3 × 2: one padded row of 12 bytes and a last row of 9.
    EXPECT_PL_ERROR(OpenOnly(BmpFile(16384, 16384, 24, 0, "", std::string(100, '\0'))),
                    PL_ERREND_OF_FILE, eof);
    EXPECT_PL_ERROR(OpenOnly(BmpFile(3, 2, 24, 0, "", std::string(20, '\0'))), PL_ERREND_OF_FILE,
                    "");
    OpenOnly(BmpFile(3, 2, 24, 0, "", std::string(21, '\0')));
    // Run-length data may end the picture with its first mark (the rest is
    // colour 0): such a picture is left to the memory budget.
    OpenOnly(BmpFile(16384, 16384, 8, 1, std::string(8, '\0'), B({0, 1})));
    EXPECT_PL_ERROR(OpenOnly(BmpFile(3, 2, 8, 1, std::string(8, '\0'), B({0}))),
                    PL_ERREND_OF_FILE, "");

    // Netpbm: raw samples of one or two bytes; plain ones a digit and a
    // separator, the last without.
    EXPECT_PL_ERROR(OpenOnly("P5\n16384 16384\n255\n" + std::string(100, '\0')),
                    PL_ERREND_OF_FILE, eof);
    EXPECT_PL_ERROR(OpenOnly("P6 2 1 65535\n" + std::string(11, '\0')), PL_ERREND_OF_FILE, "");
    OpenOnly("P6 2 1 65535\n" + std::string(12, '\0'));
    EXPECT_PL_ERROR(OpenOnly("P2 3 1 9\n1 2"), PL_ERREND_OF_FILE, "");
    OpenOnly("P2 3 1 9\n1 2 3");

    // PCX: 8 bits × 3 planes of 16384 bytes, with runs of 63 bytes in two.
    EXPECT_PL_ERROR(OpenOnly(PcxHeader(1, 8, 16384, 16384, 3, 16384) + std::string(100, '\0')),
                    PL_ERREND_OF_FILE, eof);
    // 2 × 2, one plane of 64 bytes a line: a run of 63 and a byte, 3 a line.
    EXPECT_PL_ERROR(OpenOnly(PcxHeader(1, 1, 2, 2, 1, 64) + std::string(5, '\0')),
                    PL_ERREND_OF_FILE, "");
    OpenOnly(PcxHeader(1, 1, 2, 2, 1, 64) + std::string(6, '\0'));
    // 256 colours add their palette at the end.
    EXPECT_PL_ERROR(OpenOnly(PcxHeader(1, 8, 2, 2, 1, 2) + std::string(2 + 768, '\0')),
                    PL_ERREND_OF_FILE, "");
    OpenOnly(PcxHeader(1, 8, 2, 2, 1, 2) + std::string(2 + 769, '\0'));

    // Photoshop: 40 bytes claiming 16384 × 16384 raw RGB.
    const std::string big = PsdHeader(3, 16384, 16384) + Be16(0);
    ASSERT_EQ(big.size(), 40u);
    EXPECT_PL_ERROR(OpenOnly(big), PL_ERREND_OF_FILE, eof);
    // 2 × 1 RGBA read as four planes of two bytes.
    EXPECT_PL_ERROR(OpenOnly(PsdHeader(4, 2, 1) + Be16(0) + std::string(7, '\0')),
                    PL_ERREND_OF_FILE, "");
    OpenOnly(PsdHeader(4, 2, 1) + Be16(0) + std::string(8, '\0'));
    // PackBits: the row-length table (every channel) and two bytes a row.
    EXPECT_PL_ERROR(OpenOnly(PsdHeader(3, 300, 1) + Be16(1) + std::string(6 + 3 * 6 - 1, '\0')),
                    PL_ERREND_OF_FILE, "");
    OpenOnly(PsdHeader(3, 300, 1) + Be16(1) + std::string(6 + 3 * 6, '\0'));
    // A compression the decoder does not read is refused as soon.
    EXPECT_PL_ERROR(OpenOnly(PsdHeader(3, 2, 1) + Be16(2) + std::string(6, '\0')),
                    PL_ERRFORMAT_NOT_SUPPORTED, "PSD: unsupported compression.");

    // PICT: a packed 8-bit pixmap of 16000 × 16000 needs at least a length
    // and two bytes per 256 for each row.
    auto pict8 = [](int w, int h, int rowBytes, const std::string& rows) {
        return PictFile(Be16(0x0098) + Be16(0x8000 | rowBytes) + PixMap(0, 8, 1, w, h) +
                        Be32(0) + Be16(0) + Be16(0) + std::string(8, '\0') +
                        std::string(18, '\0') + rows);
    };
    EXPECT_PL_ERROR(OpenOnly(pict8(16000, 16000, 16000, std::string(100, '\0'))),
                    PL_ERREND_OF_FILE, eof);
    // 300 × 2 with 300-byte rows: a two-byte length and 4 bytes of runs each;
    // the file's closing opcode counts as data.
    EXPECT_PL_ERROR(OpenOnly(pict8(300, 2, 300, std::string(12 - 1 - 2, '\0'))),
                    PL_ERREND_OF_FILE, "");
    OpenOnly(pict8(300, 2, 300, std::string(12 - 2, '\0')));
}
