// What every strip, cell and card transition shares: it starts on A and ends
// on B exactly, for every parameter value, frame count, size and buffer
// orientation, and it stays inside the frame on sizes far below its strips
// and cells. Also the exact scaling their drawings share.
#include "plugins/transfx/ExactRatio.h"
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using SCase = STransitionCase;

const SCase kMotions[] = {
    {"Blinds Plugin", "Direction", 2},    {"Accordion Plugin", "Direction", 2},
    {"DiagCells Plugin", "Direction", 2}, {"FlipCells Plugin", "Direction", 2},
    {"FlyCell Plugin", "Direction", 2},   {"Confetti Plugin", "Mode", 3},
    {"Door Plugin", "Direction", 2},      {"Flip Plugin", "Direction", 2},
    {"FlyIn Plugin", "Direction", 2},     {"RotateIn Plugin", "Direction", 2},
    {"Spin Plugin", "Direction", 2},
};

std::string Describe(const SCase& c, int value, int w, int h, int n, bool bottomUp) {
    return std::string(c.name) + " " + c.key + "=" + std::to_string(value) + " " +
           std::to_string(w) + "x" + std::to_string(h) + " n=" + std::to_string(n) +
           (bottomUp ? " bottom-up" : " top-down");
}

} // namespace

TEST(Motions, StartOnAAndEndOnBExactly) {
    for (const SCase& c : kMotions)
        ExpectStartOnAAndEndOnB(c);
}

TEST(Motions, LayOutTheirGeometryInMemoryOrderOrRestoreTopDown) {
    // Handed bottom-up, transitions that work in memory order draw the same
    // bytes as top-down; those that restore top-down order draw the picture
    // the same way up, so rows come out reversed in memory.
    auto reversed = [](const STestPicture& p) {
        STestPicture r(p.w, p.h);
        for (int y = 0; y < p.h; ++y)
            std::memcpy(r.At(0, y), p.At(0, p.h - 1 - y), std::size_t(p.w) * 4);
        return r;
    };
    const STestPicture a = PictureA(64, 48), b = PictureB(64, 48);
    for (const SCase& c : kMotions) {
        const std::string name = c.name;
        const bool topDown =
            name == "DiagCells Plugin" || name == "FlipCells Plugin" || name == "FlyIn Plugin";
        CTransitionRun run(TransitionIndex(c.name), 64, 48, 9);
        const STestPicture up = run.Frame(3, a, b);
        const STestPicture down = topDown ? reversed(run.Frame(3, reversed(a), reversed(b), true))
                                          : run.Frame(3, a, b, true);
        EXPECT_TRUE(down.SameColours(up)) << c.name;
        EXPECT_FALSE(up.SameColours(reversed(up))) << c.name; // the frame has an up and a down
    }
}

TEST(Motions, StayInsideTinyOddAndUnevenFrames) {
    // Run under the address and undefined-behaviour sanitizers: the pictures
    // are exactly as large as the frame, so a read or write outside shows.
    // Frames narrower or lower than one strip or cell still start on A and
    // end on B.
    for (const SCase& c : kMotions) {
        const int index = TransitionIndex(c.name);
        for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{2, 9}, std::pair{50, 3},
                            std::pair{721, 577}}) {
            const STestPicture a = PictureA(w, h), b = PictureB(w, h);
            const int n = w > 100 ? 5 : 7;
            for (int value = 0; value < c.values; ++value) {
                CTransitionRun run(index, w, h, n);
                run.Set(c.key, value);
                for (int i = 0; i < n; ++i) {
                    const bool bottomUp = i % 2 == 1;
                    const STestPicture d = run.Frame(i, a, b, bottomUp);
                    if (i == 0) {
                        EXPECT_TRUE(d.SameColours(a)) << Describe(c, value, w, h, n, bottomUp);
                    }
                    if (i == n - 1) {
                        EXPECT_TRUE(d.SameColours(b)) << Describe(c, value, w, h, n, bottomUp);
                    }
                }
            }
        }
    }
}

TEST(Motions, ExtremeParameterValuesStayInside) {
    // The smallest and largest strip and cell counts on frames the largest
    // counts do not divide, and on the tiny ones.
    const std::vector<std::pair<const char*, std::vector<std::pair<const char*, int>>>> cases = {
        {"Blinds Plugin", {{"Blinds", 4}}},     {"Blinds Plugin", {{"Blinds", 16}}},
        {"DiagCells Plugin", {{"NumCells", 8}}}, {"DiagCells Plugin", {{"NumCells", 32}}},
        {"FlipCells Plugin", {{"NumCells", 4}}}, {"FlipCells Plugin", {{"NumCells", 16}}},
        {"FlyCell Plugin", {{"Columns", 2}, {"Rows", 2}, {"Pattern", 0}}},
        {"FlyCell Plugin", {{"Columns", 24}, {"Rows", 18}, {"Pattern", 255}}},
    };
    for (const auto& [name, params] : cases) {
        for (auto [w, h] : {std::pair{101, 67}, std::pair{13, 11}, std::pair{1, 1}, std::pair{3, 2}}) {
            const STestPicture a = PictureA(w, h), b = PictureB(w, h);
            CTransitionRun run(TransitionIndex(name), w, h, 9);
            for (const auto& [key, value] : params)
                run.Set(key, value);
            for (int i = 0; i < 9; ++i)
                run.Frame(i, a, b);
            EXPECT_TRUE(run.Frame(0, a, b).SameColours(a)) << name << " " << w;
            EXPECT_TRUE(run.Frame(8, a, b).SameColours(b)) << name << " " << w;
        }
    }
}

TEST(ExactRatio, EqualsTheQuotientForFrameSizedOperands) {
    for (unsigned den = 1; den <= 1100; ++den) {
        for (unsigned num : {0u, 1u, den / 3, den, den + 1, 577u, 1080u, 4095u}) {
            const CExactRatio ratio(num, den);
            for (unsigned k = 0; k <= 1100; ++k)
                ASSERT_EQ(ratio(k), int(k * num / den)) << k << "·" << num << "/" << den;
        }
    }
    // Sides of a 4K frame: the largest operands the transitions use.
    for (unsigned den : {2159u, 2160u, 3839u, 3840u})
        for (unsigned num : {1u, 2160u, 3840u}) {
            const CExactRatio ratio(num, den);
            for (unsigned k = 0; k < 4000; ++k)
                ASSERT_EQ(ratio(k), int(std::uint64_t(k) * num / den));
        }
}
