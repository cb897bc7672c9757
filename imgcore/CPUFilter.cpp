// The box filter and border replication.
#include "imgcore/CPU.h"

#include "imgcore/CPUInternal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

using imgcore::CheckPicture;
using imgcore::Row;

namespace {

// Division by a fixed n rounded to nearest, halves up: floor((2s + n)/(2n)),
// done as a multiply and shift. With m = ceil(2^55/(2n)) the quotient is exact
// while (2s + n)·(m·2n − 2^55) < 2^55, which holds for every window sum s of
// bytes when 1022·n² < 2^55; larger windows divide.
class CRoundingDivider {
public:
    explicit CRoundingDivider(std::uint64_t n)
        : m_n(n), m_exact(1022.0 * double(n) * double(n) < double(1ull << 55)),
          m_magic(((1ull << 55) + 2 * n - 1) / (2 * n)) {}

    [[nodiscard]] std::uint8_t operator()(std::uint64_t sum) const {
        const std::uint64_t x = 2 * sum + m_n;
        return std::uint8_t(m_exact ? (x * m_magic) >> 55 : x / (2 * m_n));
    }

private:
    std::uint64_t m_n;
    bool m_exact;
    std::uint64_t m_magic;
};

// Working memory reused between calls on the same thread, so that a blur per
// frame does not allocate per frame.
struct SBoxScratch {
    std::vector<std::uint8_t> pixels; // the window area, three bytes a pixel
    std::vector<std::uint32_t> columns;
};

} // namespace

IppStatus CCPU::ippiFilterBox_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize dstRoiSize,
                                       IppiSize maskSize, IppiPoint anchor) {
    if (IppStatus s = CheckPicture(pSrcDst, srcDstStep, dstRoiSize, 4))
        return s;
    if (maskSize.width < 1 || maskSize.height < 1)
        return ippStsMaskSizeErr;
    if (anchor.x < 0 || anchor.x >= maskSize.width || anchor.y < 0 || anchor.y >= maskSize.height)
        return ippStsAnchorErr;

    const int w = dstRoiSize.width, h = dstRoiSize.height;
    const int mw = maskSize.width, mh = maskSize.height;
    const int ew = w + mw - 1, eh = h + mh - 1; // the area the windows read
    thread_local SBoxScratch scratch;
    scratch.pixels.resize(std::size_t(ew) * std::size_t(eh) * 3);
    scratch.columns.assign(std::size_t(ew) * 3, 0);

    // Copy the area first: outputs overwrite pixels that later windows read.
    for (int y = 0; y < eh; ++y) {
        const Ipp8u* s = Row(pSrcDst, srcDstStep, y - anchor.y) - 4 * anchor.x;
        std::uint8_t* d = scratch.pixels.data() + std::size_t(y) * std::size_t(ew) * 3;
        for (int x = 0; x < ew; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    const std::size_t rowLen = std::size_t(ew) * 3;
    std::uint32_t* col = scratch.columns.data();
    auto areaRow = [&](int y) { return scratch.pixels.data() + std::size_t(y) * rowLen; };
    for (int y = 0; y < mh; ++y) {
        const std::uint8_t* r = areaRow(y);
        for (std::size_t i = 0; i < rowLen; ++i)
            col[i] += r[i];
    }

    const CRoundingDivider divide(std::uint64_t(mw) * std::uint64_t(mh));
    for (int y = 0; y < h; ++y) {
        Ipp8u* d = Row(pSrcDst, srcDstStep, y);
        std::uint64_t sum[3] = {0, 0, 0};
        for (int x = 0; x < mw; ++x)
            for (int c = 0; c < 3; ++c)
                sum[c] += col[3 * x + c];
        for (int x = 0;; ++x) {
            d[4 * x] = divide(sum[0]);
            d[4 * x + 1] = divide(sum[1]);
            d[4 * x + 2] = divide(sum[2]);
            if (x + 1 == w)
                break;
            for (int c = 0; c < 3; ++c)
                sum[c] += std::uint64_t(col[3 * (x + mw) + c]) - col[3 * x + c];
        }
        if (y + 1 < h) {
            const std::uint8_t* in = areaRow(y + mh);
            const std::uint8_t* out = areaRow(y);
            for (std::size_t i = 0; i < rowLen; ++i)
                col[i] += std::uint32_t(in[i]) - out[i];
        }
    }
    return ippStsNoErr;
}

IppStatus CCPU::ippiCopyReplicateBorder_8u_AC4R(const Ipp8u* pSrc, int srcStep,
                                                IppiSize srcRoiSize, Ipp8u* pDst, int dstStep,
                                                IppiSize dstRoiSize, int topBorderHeight,
                                                int leftBorderWidth) {
    if (IppStatus s = CheckPicture(pSrc, srcStep, srcRoiSize, 4))
        return s;
    if (IppStatus s = CheckPicture(pDst, dstStep, dstRoiSize, 4))
        return s;
    if (topBorderHeight < 0 || leftBorderWidth < 0 ||
        dstRoiSize.width < srcRoiSize.width + leftBorderWidth ||
        dstRoiSize.height < srcRoiSize.height + topBorderHeight)
        return ippStsSizeErr;
    const int sw = srcRoiSize.width, sh = srcRoiSize.height;
    auto put = [](Ipp8u* d, const Ipp8u* s) { imgcore::CopyColour(s, d); };
    for (int y = 0; y < dstRoiSize.height; ++y) {
        const Ipp8u* s = Row(pSrc, srcStep, std::clamp(y - topBorderHeight, 0, sh - 1));
        Ipp8u* d = Row(pDst, dstStep, y);
        int x = 0;
        for (; x < leftBorderWidth; ++x)
            put(d + 4 * x, s);
        for (int i = 0; i < sw; ++i, ++x)
            put(d + 4 * x, s + 4 * i);
        for (; x < dstRoiSize.width; ++x)
            put(d + 4 * x, s + 4 * (sw - 1));
    }
    return ippStsNoErr;
}
