#include "tests/plugins/maskfx/MaskFixture.h"

#include <gtest/gtest.h>

#include <cstring>

SMaskTestPicture::SMaskTestPicture(int width, int height,
                                   const std::function<std::array<std::uint8_t, 4>(int, int)>& f)
    : SMaskTestPicture(width, height) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto px = f(x, y);
            std::memcpy(At(x, y), px.data(), 4);
        }
}

SMaskTestPicture MaskPictureA(int w, int h) {
    return SMaskTestPicture(w, h, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 7 + 3), std::uint8_t(y * 13), 10, 0x11};
    });
}

SMaskTestPicture MaskPictureB(int w, int h) {
    return SMaskTestPicture(w, h, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(250 - x * 3), std::uint8_t(100 + y % 100),
                                           240, 0x22};
    });
}

std::string GreyBmp(int w, int h, const std::function<int(int, int)>& level) {
    const int rowBytes = (w * 3 + 3) / 4 * 4;
    const std::uint32_t size = 54 + std::uint32_t(rowBytes) * std::uint32_t(h);
    std::string bytes(size, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            bytes[at + std::size_t(k)] = char((v >> (8 * k)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, size);  // file size
    put32(10, 54);   // offset of the pixels
    put32(14, 40);   // info header size
    put32(18, std::uint32_t(w));
    put32(22, std::uint32_t(h)); // positive: rows bottom-up
    bytes[26] = 1;   // planes
    bytes[28] = 24;  // bits per pixel; compression 0 at 30
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const char g = char(level(x, y));
            const std::size_t at = 54 + std::size_t(h - 1 - y) * rowBytes + std::size_t(x) * 3;
            bytes[at] = bytes[at + 1] = bytes[at + 2] = g;
        }
    return bytes;
}

int CMaskPictureSrc::GetFrame(std::uint8_t** bits, int* stride) {
    *bits = m_picture.bytes.data();
    *stride = m_bottomUp ? -m_picture.w * 4 : m_picture.w * 4;
    return 1;
}

void SetMaskParam(CMaskTransition& t, const char* key, int value) {
    int count = 0;
    CEffectSetting* params = t.GetParams(&count);
    for (int i = 0; i < count; ++i)
        if (std::strcmp(params[i].key, key) == 0) {
            EXPECT_TRUE(params[i].SetValue(value)) << key << " = " << value;
            return;
        }
    ADD_FAILURE() << "no parameter " << key;
}

namespace {

// A top-down picture turned into bottom-up memory order and back.
SMaskTestPicture Flip(const SMaskTestPicture& p) {
    SMaskTestPicture out(p.w, p.h);
    for (int y = 0; y < p.h; ++y)
        std::memcpy(out.At(0, y), p.At(0, p.h - 1 - y), std::size_t(p.w) * 4);
    return out;
}

} // namespace

SMaskTestPicture RenderMaskFrame(CMaskTransition& t, int i, const SMaskTestPicture& a,
                                 const SMaskTestPicture& b, bool bottomUp, int* status) {
    SMaskTestPicture ca = bottomUp ? Flip(a) : a, cb = bottomUp ? Flip(b) : b, d(a.w, a.h);
    CMaskPictureSrc sa(ca, bottomUp), sb(cb, bottomUp);
    t.SetSources(&sa, &sb);
    t.Prepare();
    const int result = t.Render(i, d.bytes.data(), bottomUp ? -d.w * 4 : d.w * 4);
    if (status)
        *status = result;
    t.SetSources(nullptr, nullptr);
    return bottomUp ? Flip(d) : d;
}

std::array<int, 4> ExpectedMaskPixel(int h, int e, int s, const std::array<int, 4>& p,
                                     const std::array<int, 4>& q) {
    const int l = (10 - s) * h / 10;
    if (e < l)
        return p;
    if (e >= h)
        return q;
    std::array<int, 4> out{0, 0, 0, 0};
    for (int c = 0; c < 3; ++c) {
        // Rounded down as an exact fraction; P + (Q − P)·t lies in [0, 255].
        const int num = p[c] * (h - l) + (q[c] - p[c]) * (e - l);
        out[c] = num / (h - l);
    }
    return out;
}
