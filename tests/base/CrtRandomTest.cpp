#include "base/CrtRandom.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(CrtRandom, StateOneGivesTheClassicSequence) {
    // The first numbers the C runtime's generator gives after seeding with 1.
    CCrtRandom random;
    for (int expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358})
        EXPECT_EQ(random.Next(), expected);

    // The steps on an outside state agree with the object, and the state wraps
    // modulo 2^32: 1·214013 + 2531011 = 2745024, whose bits 16 to 30 are 41.
    std::uint32_t state = 1;
    EXPECT_EQ(CCrtRandom::Step(state), 41);
    EXPECT_EQ(state, 2745024u);
    EXPECT_EQ(CCrtRandom::NextState(0xFFFFFFFFu), 2531011u - 214013u);
    EXPECT_EQ(CCrtRandom::Value(0xFFFFFFFFu), CCrtRandom::kMax); // bit 31 is not part of it

    random.Seed(1);
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.GetState(), 2745024u);
}
