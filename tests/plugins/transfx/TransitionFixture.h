#pragma once

#include "effects/api/EffectInterface.h"
#include "plugins/transfx/Transition.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// A top-down picture of four-byte pixels.
struct STestPicture {
    int w = 0, h = 0;
    std::vector<std::uint8_t> bytes;

    STestPicture(int width, int height) : w(width), h(height), bytes(std::size_t(width) * height * 4) {}
    // Fills every pixel from f(x, y).
    STestPicture(int width, int height,
                 const std::function<std::array<std::uint8_t, 4>(int, int)>& f);

    std::uint8_t* At(int x, int y) { return bytes.data() + (std::size_t(y) * w + x) * 4; }
    const std::uint8_t* At(int x, int y) const {
        return bytes.data() + (std::size_t(y) * w + x) * 4;
    }
    // The three colour bytes of a pixel.
    [[nodiscard]] std::array<int, 3> Colour(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        return {p[0], p[1], p[2]};
    }
    // Whether the colour bytes equal those of other everywhere.
    [[nodiscard]] bool SameColours(const STestPicture& other) const;
};

// Two distinct test pictures: A varies across, B down.
STestPicture PictureA(int w, int h);
STestPicture PictureB(int w, int h);
// A picture of one colour.
STestPicture Solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r);

// Hands the transition a picture, stored top-down or bottom-up as the host
// would pass it: the lowest row in memory with a negative stride when bottom-up.
class CPictureSrc : public ItransfxSrc {
public:
    CPictureSrc(STestPicture& picture, bool bottomUp, bool available = true)
        : m_picture(picture), m_bottomUp(bottomUp), m_available(available) {}
    int GetFrame(std::uint8_t** bits, int* stride) override;

private:
    STestPicture& m_picture;
    bool m_bottomUp;
    bool m_available;
};

// The catalogue index of the transition with internal name `name`; fails the
// test and gives −1 when there is none.
int TransitionIndex(const char* name);

// One transition of transfx set up as the host sets it up, rendering frames of
// a given size and count from copies of two pictures (transitions may
// overwrite their sources).
class CTransitionRun {
public:
    CTransitionRun(int index, int w, int h, int frames);
    // The transition of internal name `name`.
    CTransitionRun(const char* name, int w, int h, int frames)
        : CTransitionRun(TransitionIndex(name), w, h, frames) {}
    ~CTransitionRun();

    // Sets parameter `key` through the validation; fails the test if rejected.
    void Set(const char* key, int value);
    // Frame i drawn into a cleared destination, both pictures fresh copies;
    // bottomUp hands all three buffers over bottom-up, as the host does.
    STestPicture Frame(int i, const STestPicture& a, const STestPicture& b, bool bottomUp = false);

    CTransition* effect = nullptr;
    int w, h, frames;
};

// The frames of a run asked for in the given order on one set-up (Prepare
// once), as a host that seeks would; returned in request order.
std::vector<STestPicture> Sequence(CTransitionRun& run, const std::vector<int>& frames,
                                   const STestPicture& a, const STestPicture& b,
                                   bool bottomUp = false);

// A transition and the parameter that picks its direction or mode (null for
// none) with that parameter's number of choices.
struct STransitionCase {
    const char* name;
    const char* key;
    int values;
};

// Expects the first frame to be A and the last B exactly, the frames drawn in
// order as a render asks for them, for every choice of the case's parameter,
// 2, 3, 4 and 25 frames, frames of 64 x 48, 61 x 37 and 36 x 70, and both
// row orders.
void ExpectStartOnAAndEndOnB(const STransitionCase& c);
