#include "render/frame/KeptPicture.h"

#include "imgcore/CPU.h"

#include <algorithm>
#include <cmath>

std::shared_ptr<const CKeptPicture> CKeptPicture::Make(const std::uint8_t* bgra, int width,
                                                       int height, int stride, int maxWidth,
                                                       int maxHeight, bool cover) {
    if (!bgra || width <= 0 || height <= 0)
        return nullptr;
    // The decode box's reduction: the scale that fits the picture inside the
    // box (or covers it); up to twice that size the picture is kept, so the
    // prepared views resample it only once.
    int f = width, g = height;
    bool reduce = false;
    if (maxWidth > 0 && maxHeight > 0) {
        const double fx = double(maxWidth) / width, fy = double(maxHeight) / height;
        const double need = cover ? std::max(fx, fy) : std::min(fx, fy);
        if (need < 0.5) {
            reduce = true;
            f = std::max(1, int(std::lround(2 * need * width)));
            g = std::max(1, int(std::lround(2 * need * height)));
        }
    }
    std::shared_ptr<CKeptPicture> picture(new CKeptPicture());
    picture->m_charge.Take(std::uint64_t(f) * std::uint64_t(g) * 4);
    picture->m_bits = CCPU::ippiMalloc_8u_C4(f, g, &picture->m_stride);
    if (!picture->m_bits)
        return nullptr;
    picture->m_width = f;
    picture->m_height = g;
    std::uint8_t* bits = picture->m_bits;
    const int pitch = picture->m_stride;
    IppStatus status =
        reduce ? CCPU::ippiResize_8u_C4R(bgra, {width, height}, stride, {0, 0, width, height}, bits,
                                         pitch, {f, g}, double(f) / width, double(g) / height,
                                         IPPI_INTER_SUPER)
               : CCPU::ippiCopy_8u_C4R(bgra, stride, bits, pitch, {f, g});
    if (status == ippStsNoErr)
        status = CCPU::ippiAlphaPremul_8u_AC4IR(bits, pitch, {f, g});
    if (status != ippStsNoErr)
        return nullptr;
    for (int y = 0; y < g && picture->m_opaque; ++y) {
        const std::uint8_t* p = bits + std::size_t(y) * std::size_t(pitch);
        for (int x = 0; x < f; ++x)
            if (p[4 * x + 3] != 255) {
                picture->m_opaque = false;
                break;
            }
    }
    return picture;
}

CKeptPicture::~CKeptPicture() { CCPU::ippiFree(m_bits); }
