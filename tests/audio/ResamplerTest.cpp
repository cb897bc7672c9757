#include "audio/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Signal to noise and distortion of a sine of known frequency: the best
// fitting sine (least squares over amplitude and phase) is the signal,
// everything else the noise.
double Sinad(const std::vector<std::int16_t>& samples, double frequency, int rate) {
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        double w = 2 * M_PI * frequency * double(i) / rate;
        double s = std::sin(w), c = std::cos(w), y = samples[i];
        ss += s * s, sc += s * c, cc += c * c, ys += y * s, yc += y * c;
    }
    double det = ss * cc - sc * sc;
    double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        double w = 2 * M_PI * frequency * double(i) / rate;
        double fit = a * std::sin(w) + b * std::cos(w);
        signal += fit * fit;
        noise += (samples[i] - fit) * (samples[i] - fit);
    }
    return 10 * std::log10(signal / noise);
}

std::vector<std::int16_t> Resample(int from, int to, double frequency, double seconds,
                                   std::size_t block) {
    std::vector<std::int16_t> input(std::size_t(from * seconds));
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = std::int16_t(std::lround(16000 * std::sin(2 * M_PI * frequency * double(i) / from)));
    CResampler resampler;
    EXPECT_TRUE(resampler.Init(from, to));
    std::vector<std::int16_t> output;
    for (std::size_t at = 0; at < input.size(); at += block)
        resampler.Process(input.data() + at, std::min(block, input.size() - at), output);
    resampler.Flush(output);
    return output;
}

} // namespace

TEST(Resampler, FilterTableIsAWindowedSincWing) {
    const auto& table = CResampler::FilterTable();
    ASSERT_EQ(table.size(), 1536u);
    EXPECT_GT(table[0], 30000);
    EXPECT_LE(std::abs(table[1535]), 40);
    // Zero crossings every 256 / 0.75 coefficients: the first lies between
    // 341 and 342.
    EXPECT_GT(table[340], 0);
    EXPECT_LT(table[342], 0);
}

TEST(Resampler, UpsamplingASineIsClean) {
    // The middle of the output, away from the edges where the signal starts and stops.
    std::vector<std::int16_t> out = Resample(22050, 44100, 1000, 1.0, 4096);
    ASSERT_NEAR(double(out.size()), 44100, 20);
    std::vector<std::int16_t> middle(out.begin() + 2000, out.end() - 2000);
    EXPECT_GE(Sinad(middle, 1000, 44100), 70.0);
}

TEST(Resampler, DownsamplingASineKeepsItsShape) {
    // Down-sampling steps through the table at a spacing that is not a whole
    // number of coefficients and, without interpolation, rounds each position
    // down: that costs accuracy (about 0.4 % gain ripple), so the bound is lower.
    std::vector<std::int16_t> out = Resample(48000, 44100, 1000, 1.0, 1000);
    ASSERT_NEAR(double(out.size()), 44100, 20);
    std::vector<std::int16_t> middle(out.begin() + 2000, out.end() - 2000);
    EXPECT_GE(Sinad(middle, 1000, 44100), 40.0);
}

TEST(Resampler, BlocksJoinWithoutSeams) {
    // The same signal in tiny blocks and in one block gives the same samples.
    EXPECT_EQ(Resample(22050, 44100, 440, 0.3, 17), Resample(22050, 44100, 440, 0.3, 1 << 20));
}

TEST(Resampler, ExtremeFactorsFail) {
    CResampler resampler;
    EXPECT_FALSE(resampler.Init(96000, 300)); // history above 2048 samples
    EXPECT_TRUE(resampler.Init(96000, 8000));
    EXPECT_FALSE(resampler.Init(0, 44100));
}

