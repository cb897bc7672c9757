// Conversion of four-byte BGR pictures to planar Y'CbCr 4:2:0 for the video
// encoders, without a general-purpose scaler.
#include "imgcore/CPU.h"
#include "imgcore/CPUInternal.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace imgcore;

namespace {

// The matrix in 16-bit fixed point. Each row's weights are rounded so that
// they sum to what the row must give a grey: 219/255 for Y', 0 for Cb and Cr.
struct SMatrix {
    int yr, yg, yb;
    int br, bg, bb;
    int rr, rg, rb;
};

SMatrix MakeMatrix(double kr, double kb) {
    const double kg = 1 - kr - kb, one = 65536;
    SMatrix m{};
    const int ySum = int(std::lround(219.0 / 255 * one));
    m.yr = int(std::lround(219.0 / 255 * kr * one));
    m.yb = int(std::lround(219.0 / 255 * kb * one));
    m.yg = ySum - m.yr - m.yb;
    const double sb = 224.0 / 255 / (2 * (1 - kb)), sr = 224.0 / 255 / (2 * (1 - kr));
    m.br = -int(std::lround(sb * kr * one));
    m.bg = -int(std::lround(sb * kg * one));
    m.bb = -(m.br + m.bg);
    m.rg = -int(std::lround(sr * kg * one));
    m.rb = -int(std::lround(sr * kb * one));
    m.rr = -(m.rg + m.rb);
    return m;
}

const SMatrix& Bt601() {
    static const SMatrix m = MakeMatrix(0.299, 0.114);
    return m;
}

const SMatrix& Bt709() {
    static const SMatrix m = MakeMatrix(0.2126, 0.0722);
    return m;
}

inline Ipp8u Luma(const SMatrix& m, int r, int g, int b) {
    return Ipp8u((m.yr * r + m.yg * g + m.yb * b + (16 << 16) + (1 << 15)) >> 16);
}

// Chroma from sums of eight weighted samples per channel (two rows, columns
// 1 2 1): 128 + weights · sums / (8 · 65536), rounded to nearest. The sum
// with the offset is never negative, so the shift rounds as it should.
inline Ipp8u Chroma(int wr, int wg, int wb, int r, int g, int b) {
    return Ipp8u((wr * r + wg * g + wb * b + (128 << 19) + (1 << 18)) >> 19);
}

// The plain version: every sample from its own pixels.
void ConvertPlain(const SMatrix& m, const Ipp8u* src, int srcStep, Ipp8u* const dst[3],
                  const int dstStep[3], IppiSize roi) {
    for (int y = 0; y < roi.height; ++y) {
        const Ipp8u* s = Row(src, srcStep, y);
        Ipp8u* out = Row(dst[0], dstStep[0], y);
        for (int x = 0; x < roi.width; ++x)
            out[x] = Luma(m, s[4 * x + 2], s[4 * x + 1], s[4 * x]);
    }
    for (int j = 0; j < roi.height / 2; ++j) {
        const Ipp8u* rows[2] = {Row(src, srcStep, 2 * j), Row(src, srcStep, 2 * j + 1)};
        for (int i = 0; i < roi.width / 2; ++i) {
            int sum[3] = {0, 0, 0}; // blue, green, red
            const int columns[3] = {i > 0 ? 2 * i - 1 : 0, 2 * i, 2 * i + 1};
            const int weights[3] = {1, 2, 1};
            for (const Ipp8u* row : rows)
                for (int k = 0; k < 3; ++k)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += weights[k] * row[4 * columns[k] + c];
            Row(dst[1], dstStep[1], j)[i] = Chroma(m.br, m.bg, m.bb, sum[2], sum[1], sum[0]);
            Row(dst[2], dstStep[2], j)[i] = Chroma(m.rr, m.rg, m.rb, sum[2], sum[1], sum[0]);
        }
    }
}

inline std::uint32_t Word(const Ipp8u* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The fast version: the same arithmetic in passes the vectoriser takes on,
// the two rows' sums per column first.
// Inlined into a plain and an AVX2 build (8 products per instruction),
// chosen at run time.
[[gnu::always_inline]] inline void ConvertFastBody(const SMatrix& m, const Ipp8u* src, int srcStep, Ipp8u* const dst[3],
                 const int dstStep[3], IppiSize roi) {
    const int w = roi.width;
    thread_local std::vector<std::uint16_t> sums;
    sums.resize(std::size_t(w) * 3);
    std::uint16_t* sb = sums.data();
    std::uint16_t* sg = sb + w;
    std::uint16_t* sr = sg + w;
    for (int j = 0; j < roi.height / 2; ++j) {
        const Ipp8u* a = Row(src, srcStep, 2 * j);
        const Ipp8u* b = Row(src, srcStep, 2 * j + 1);
        Ipp8u* ya = Row(dst[0], dstStep[0], 2 * j);
        Ipp8u* yb = Row(dst[0], dstStep[0], 2 * j + 1);
        // Whole pixels are read as 32-bit words (blue in the low byte on
        // this little-endian machine), which the vectoriser handles far
        // better than bytes four apart.
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = Word(a + 4 * x);
            ya[x] = Luma(m, int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255));
        }
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = Word(b + 4 * x);
            yb[x] = Luma(m, int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255));
        }
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = Word(a + 4 * x), q = Word(b + 4 * x);
            sb[x] = std::uint16_t((p & 255) + (q & 255));
            sg[x] = std::uint16_t((p >> 8 & 255) + (q >> 8 & 255));
            sr[x] = std::uint16_t((p >> 16 & 255) + (q >> 16 & 255));
        }
        Ipp8u* cb = Row(dst[1], dstStep[1], j);
        Ipp8u* cr = Row(dst[2], dstStep[2], j);
        // The first sample repeats the left edge; the rest read one column
        // either side of their own.
        auto weighted = [](const std::uint16_t* s, int i, int left) {
            return s[left] + 2 * s[2 * i] + s[2 * i + 1];
        };
        cb[0] = Chroma(m.br, m.bg, m.bb, weighted(sr, 0, 0), weighted(sg, 0, 0), weighted(sb, 0, 0));
        cr[0] = Chroma(m.rr, m.rg, m.rb, weighted(sr, 0, 0), weighted(sg, 0, 0), weighted(sb, 0, 0));
        for (int i = 1; i < w / 2; ++i) {
            const int r = weighted(sr, i, 2 * i - 1), g = weighted(sg, i, 2 * i - 1),
                      bl = weighted(sb, i, 2 * i - 1);
            cb[i] = Chroma(m.br, m.bg, m.bb, r, g, bl);
            cr[i] = Chroma(m.rr, m.rg, m.rb, r, g, bl);
        }
    }
}

void ConvertFastDefault(const SMatrix& m, const Ipp8u* src, int srcStep, Ipp8u* const dst[3],
                        const int dstStep[3], IppiSize roi) {
    ConvertFastBody(m, src, srcStep, dst, dstStep, roi);
}

[[gnu::target("avx2")]] void ConvertFastAvx2(const SMatrix& m, const Ipp8u* src, int srcStep,
                                             Ipp8u* const dst[3], const int dstStep[3],
                                             IppiSize roi) {
    ConvertFastBody(m, src, srcStep, dst, dstStep, roi);
}

void ConvertFast(const SMatrix& m, const Ipp8u* src, int srcStep, Ipp8u* const dst[3],
                 const int dstStep[3], IppiSize roi) {
    if (imgcore::UseAvx2())
        ConvertFastAvx2(m, src, srcStep, dst, dstStep, roi);
    else
        ConvertFastDefault(m, src, srcStep, dst, dstStep, roi);
}

IppStatus Convert(const SMatrix& m, const Ipp8u* src, int srcStep, Ipp8u* const dst[3],
                  const int dstStep[3], IppiSize roi) {
    if (!dst || !dstStep)
        return ippStsNullPtrErr;
    if (IppStatus s = CheckPicture(src, srcStep, roi, 4))
        return s;
    if (roi.width % 2 != 0 || roi.height % 2 != 0)
        return ippStsSizeErr;
    const IppiSize half{roi.width / 2, roi.height / 2};
    if (IppStatus s = CheckPicture(dst[0], dstStep[0], roi, 1))
        return s;
    for (int plane = 1; plane < 3; ++plane)
        if (IppStatus s = CheckPicture(dst[plane], dstStep[plane], half, 1))
            return s;
    if (UseReference())
        ConvertPlain(m, src, srcStep, dst, dstStep, roi);
    else
        ConvertFast(m, src, srcStep, dst, dstStep, roi);
    return ippStsNoErr;
}

} // namespace

IppStatus CCPU::ippiBGRToYCbCr420_8u_AC4P3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst[3],
                                            const int dstStep[3], IppiSize roiSize) {
    return Convert(Bt601(), pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus CCPU::ippiBGRToYCbCr420_709CSC_8u_AC4P3R(const Ipp8u* pSrc, int srcStep,
                                                   Ipp8u* pDst[3], const int dstStep[3],
                                                   IppiSize roiSize) {
    return Convert(Bt709(), pSrc, srcStep, pDst, dstStep, roiSize);
}
