#pragma once

#include "effects/api/EffectInterface.h"
#include "plugins/maskfx/MaskTransition.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A top-down picture of four-byte pixels.
struct SMaskTestPicture {
    int w = 0, h = 0;
    std::vector<std::uint8_t> bytes;

    SMaskTestPicture(int width, int height)
        : w(width), h(height), bytes(std::size_t(width) * height * 4) {}
    SMaskTestPicture(int width, int height,
                     const std::function<std::array<std::uint8_t, 4>(int, int)>& f);

    std::uint8_t* At(int x, int y) { return bytes.data() + (std::size_t(y) * w + x) * 4; }
    const std::uint8_t* At(int x, int y) const { return bytes.data() + (std::size_t(y) * w + x) * 4; }
    [[nodiscard]] std::array<int, 4> Pixel(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        return {p[0], p[1], p[2], p[3]};
    }
};

// Outgoing and incoming test pictures whose pixels all differ from each other.
SMaskTestPicture MaskPictureA(int w, int h);
SMaskTestPicture MaskPictureB(int w, int h);

// A 24-bit Windows bitmap of grey levels, level(x, y) with y from the top.
std::string GreyBmp(int w, int h, const std::function<int(int, int)>& level);

// Hands a transition a picture stored top-down or bottom-up, as the host
// would: bottom-up pictures as their lowest row in memory and a negative stride.
class CMaskPictureSrc : public ItransfxSrc {
public:
    CMaskPictureSrc(SMaskTestPicture& picture, bool bottomUp) : m_picture(picture), m_bottomUp(bottomUp) {}
    int GetFrame(std::uint8_t** bits, int* stride) override;

private:
    SMaskTestPicture& m_picture;
    bool m_bottomUp;
};

// Sets parameter key of a transition through the validation; fails the test
// when it is rejected or missing.
void SetMaskParam(CMaskTransition& t, const char* key, int value);

// Frame i of a sized transition, drawn into a cleared destination from the
// two pictures; bottomUp stores all three buffers bottom-up. The result is
// the destination as a top-down picture; status what Render returned.
SMaskTestPicture RenderMaskFrame(CMaskTransition& t, int i, const SMaskTestPicture& a,
                                 const SMaskTestPicture& b, bool bottomUp = false,
                                 int* status = nullptr);

// The picture a pixel should show, computed from the rule of the masks: P
// while e < l = (10 − s)·h/10, Q once e ≥ h, else ⌊P + (Q − P)·(e − l)/(h − l)⌋
// per colour byte with the fourth byte left as cleared (0).
std::array<int, 4> ExpectedMaskPixel(int h, int e, int s, const std::array<int, 4>& p,
                                     const std::array<int, 4>& q);
