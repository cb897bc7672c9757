#include "encode/AudioFeed.h"
#include "tests/encode/EncodeTestKit.h"

#include <gtest/gtest.h>

#include <cmath>

// Each picture takes the samples up to where its running total ends.
TEST(SamplesPerFrame, FollowTheRunningTotal) {
    EXPECT_EQ(SamplesForFrame(0, 44100, 25, 1), 1764);
    EXPECT_EQ(SamplesForFrame(0, 48000, 25, 1), 1920);
    // 44100 x 1001 / 30000 = 1471.47: frames take 1471 or 1472.
    int low = 0, high = 0;
    for (int k = 0; k < 1000; ++k) {
        int n = SamplesForFrame(k, 44100, 30000, 1001);
        ASSERT_TRUE(n == 1471 || n == 1472) << "frame " << k << ": " << n;
        (n == 1471 ? low : high)++;
    }
    EXPECT_NEAR(low, 530, 2);
    EXPECT_NEAR(high, 470, 2);
    // 48000 x 1001 / 30000 = 1601.6.
    for (int k = 0; k < 100; ++k) {
        int n = SamplesForFrame(k, 48000, 30000, 1001);
        ASSERT_TRUE(n == 1601 || n == 1602) << n;
    }
}

// An hour of NTSC pictures: the sound written in all never strays half a
// sample from the pictures' time, where a fixed 1471 per frame would fall
// behind by more than a second.
TEST(SamplesPerFrame, StayInStepForAnHour) {
    const std::int64_t frames = 3600LL * 30000 / 1001; // 107892
    std::int64_t written = 0;
    for (std::int64_t k = 0; k < frames; ++k) {
        written += SamplesForFrame(k, 44100, 30000, 1001);
        const double exact = double(k + 1) * 44100.0 * 1001.0 / 30000.0;
        ASSERT_LE(std::fabs(double(written) - exact), 0.5) << "after frame " << k;
    }
    EXPECT_EQ(written, SamplesThrough(frames - 1, 44100, 30000, 1001));
    const double fixedRuleDrift = double(frames) * 44100.0 * 1001.0 / 30000.0 - double(frames) * 1471;
    EXPECT_GT(fixedRuleDrift, 44100.0);
}

// Short reads are topped up from further reads; the end of the source
// becomes silence; mono 8-bit sound is widened to 16-bit stereo.
TEST(AudioFeed, TopsUpShortReadsAndPadsWithSilence) {
    CToneSrc tone(0.1); // 4410 frames at 44100 Hz, delivered a second at a time
    CAudioFeed feed(&tone);
    const auto* first = reinterpret_cast<const std::int16_t*>(feed.Take(3000));
    EXPECT_EQ(first[0], 0);
    EXPECT_NE(first[2 * 10], 0);
    EXPECT_EQ(first[2 * 10], first[2 * 10 + 1]);
    const auto* second = reinterpret_cast<const std::int16_t*>(feed.Take(3000));
    EXPECT_NE(second[2 * 1000], 0);          // frame 4000: still the tone
    for (int i = 1410; i < 3000; ++i)        // frames 4410 on: silence
        ASSERT_EQ(second[2 * i], 0) << i;
    EXPECT_TRUE(feed.Ended());
    EXPECT_EQ(feed.FromSource(), 4410);
    EXPECT_EQ(feed.Silence(), 6000 - 4410);

    CToneSrc mono(0.01);
    mono.SetFormat(8000, 1, 8);
    CAudioFeed wide(&mono);
    int count = 0;
    const auto* block = reinterpret_cast<const std::int16_t*>(wide.ReadBlock(count));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(count, 80);
    EXPECT_EQ(block[2 * 5], block[2 * 5 + 1]);
    EXPECT_EQ(wide.ReadBlock(count), nullptr);
}
