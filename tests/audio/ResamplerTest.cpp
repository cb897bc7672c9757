#include "audio/AudioConvert.h"
#include "audio/Resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

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

// One whole signal through a fresh resampler, flushed at the end.
std::vector<std::int16_t> ResampleAll(int from, int to, const std::vector<std::int16_t>& input) {
    CResampler resampler;
    EXPECT_TRUE(resampler.Init(from, to));
    std::vector<std::int16_t> output;
    resampler.Process(input.data(), input.size(), output);
    resampler.Flush(output);
    return output;
}

// The short signals the pinned values are taken from: an impulse of 2^14,
// which makes every product exactly its coefficient, and a ramp from -16000
// in steps of 500.
std::vector<std::int16_t> Impulse(std::size_t length) {
    std::vector<std::int16_t> samples(length, 0);
    samples[0] = 16384;
    return samples;
}

std::vector<std::int16_t> Ramp(std::size_t length) {
    std::vector<std::int16_t> samples(length);
    for (std::size_t i = 0; i < length; ++i)
        samples[i] = std::int16_t(500 * int(i) - 16000);
    return samples;
}

// A 16-bit stereo source over fixed samples, for the converter.
class CStereoSrc final : public IAudioSrc {
public:
    CStereoSrc(int rate, std::vector<std::int16_t> left, std::vector<std::int16_t> right)
        : m_srcRate(rate), m_left(std::move(left)), m_right(std::move(right)) {}

    bool Open() override {
        m_position = 0;
        return true;
    }
    void Close() override {}
    [[nodiscard]] int GetSampleRate() const override { return m_srcRate; }
    [[nodiscard]] int GetChannels() const override { return 2; }
    [[nodiscard]] int GetBitsPerSample() const override { return 16; }
    [[nodiscard]] std::int64_t GetLength() override { return std::int64_t(m_left.size()); }
    std::int64_t Seek(std::int64_t position, int) override {
        return m_position = std::clamp<std::int64_t>(position, 0, GetLength());
    }
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override {
        count = int(std::clamp<std::int64_t>(GetLength() - m_position, 0, count));
        if (count == 0)
            return nullptr;
        m_frames.resize(2 * std::size_t(count));
        for (std::size_t i = 0; i < std::size_t(count); ++i) {
            m_frames[2 * i] = m_left[std::size_t(m_position) + i];
            m_frames[2 * i + 1] = m_right[std::size_t(m_position) + i];
        }
        m_position += count;
        return reinterpret_cast<const std::uint8_t*>(m_frames.data());
    }

private:
    int m_srcRate;
    std::vector<std::int16_t> m_left, m_right, m_frames;
    std::int64_t m_position = 0;
};

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


// Pinned output samples. Where the arithmetic allows, the values are worked out
// from the documented chain: for a single nonzero input sample of 2^14, each
// output has one nonzero product, Product(c, 2^14) = c exactly (the low 14
// bits are zero, so there is nothing to round), and the output is
// Finish(c) = ((c >> 2) · scale + 4096) >> 13. The ramps' values pin today's
// output: the chain is too long to follow by hand there, and they are here so
// that any change of the arithmetic shows.

TEST(Resampler, FilterTableEntriesArePinned) {
    // The coefficients the impulse responses below read, at every half zero
    // crossing of the unstretched filter (index 128·k).
    const auto& table = CResampler::FilterTable();
    const int expected[12] = {32297, 24670, 8730, -2757, -4472, -1065,
                              1192,  897,   0,    -233,  -74,   13};
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(table[std::size_t(128 * k)], expected[k]) << "index " << 128 * k;
}

TEST(Resampler, UpsamplingOutputIsPinned) {
    // 22050 -> 44100: the time step is 2^15 / 2 = 16384, so output k lies k/2
    // input samples after the first one, at phase 16384·(k mod 2). The left
    // wing then reads the impulse with coefficient (16384·(k mod 2) >> 7) +
    // 256·floor(k / 2) = 128·k, and the scale is 12471. For k = 0:
    // ((32297 >> 2) · 12471 + 4096) >> 13 = (8074 · 12471 + 4096) >> 13 = 12291;
    // for k = 3: ((-2757 >> 2) · 12471 + 4096) >> 13 = (-690 · 12471 + 4096) >> 13
    // = -1050 (the shifts round towards minus infinity). From k = 12 on the
    // impulse is beyond the filter's reach.
    const std::vector<std::int16_t> impulse = ResampleAll(22050, 44100, Impulse(32));
    const std::vector<std::int16_t> expected = {12291, 9388, 3322, -1050, -1702, -406,
                                                454,   341,  0,    -90,   -29,   5};
    ASSERT_EQ(impulse.size(), 66u); // two per input sample, and two more from the flush
    EXPECT_EQ(std::vector<std::int16_t>(impulse.begin(), impulse.begin() + 12), expected);
    EXPECT_EQ(std::count(impulse.begin() + 12, impulse.end(), 0), 66 - 12);

    // The ramp: the ringing where it starts from silence, the middle (even
    // outputs on the input samples, odd ones halfway between), and the ringing
    // where it stops.
    const std::vector<std::int16_t> ramp = ResampleAll(22050, 44100, Ramp(64));
    ASSERT_EQ(ramp.size(), 130u);
    const std::vector<std::int16_t> start = {-13967, -16954, -16775, -15394};
    const std::vector<std::int16_t> middle = {-6001, -5750, -5500, -5251, -5001, -4750};
    const std::vector<std::int16_t> end = {16417, 13529, 7785, 1962, -1134};
    EXPECT_EQ(std::vector<std::int16_t>(ramp.begin(), ramp.begin() + 4), start);
    EXPECT_EQ(std::vector<std::int16_t>(ramp.begin() + 40, ramp.begin() + 46), middle);
    EXPECT_EQ(std::vector<std::int16_t>(ramp.end() - 5, ramp.end()), end);
    // Away from both ends the output follows the line within two levels.
    for (std::size_t k = 24; k + 24 < ramp.size(); ++k)
        EXPECT_NEAR(ramp[k], 250.0 * double(k) - 16000, 2.0) << "output " << k;
}

TEST(Resampler, DownsamplingOutputIsPinnedInMonoAndStereo) {
    // 48000 -> 44100 (factor 0.91875): time step round(2^15 / 0.91875) = 35666,
    // filter step round(0.91875 · 256 · 2^7) = 30106, scale round(12471 ·
    // 0.91875) = 11458. Output k lies d = floor(35666·k / 2^15) samples after
    // the impulse at phase p = 35666·k mod 2^15 and reads coefficient
    // (((p · 30106) >> 15) + d · 30106) >> 7: k = 1 gives p = 2898, (2662 +
    // 30106) >> 7 = 256; k = 2 gives p = 5796, (5325 + 60212) >> 7 = 512, and so
    // on, 256·k up to k = 5 (coefficients 32297, 8730, -4472, 1192, 0, -74).
    // So output 0 is ((32297 >> 2) · 11458 + 4096) >> 13 = 11293 and output 2
    // is (-1118 · 11458 + 4096) >> 13 = -1564.
    const std::vector<std::int16_t> impulse = {11293, 3052, -1564, 417, 0, -27, 0};
    const std::vector<std::int16_t> rampStart = {-13479, -16786, -14587, -14423};
    const std::vector<std::int16_t> rampMiddle = {-5135, -4592, -4042, -3487, -2943};
    const std::vector<std::int16_t> rampEnd = {13904, 14181, 16478, 11859, 712};

    const std::vector<std::int16_t> mono = ResampleAll(48000, 44100, Impulse(32));
    ASSERT_EQ(mono.size(), 31u);
    EXPECT_EQ(std::vector<std::int16_t>(mono.begin(), mono.begin() + 7), impulse);
    EXPECT_EQ(std::count(mono.begin() + 6, mono.end(), 0), 31 - 6);
    const std::vector<std::int16_t> ramp = ResampleAll(48000, 44100, Ramp(64));
    ASSERT_EQ(ramp.size(), 60u);
    EXPECT_EQ(std::vector<std::int16_t>(ramp.begin(), ramp.begin() + 4), rampStart);
    EXPECT_EQ(std::vector<std::int16_t>(ramp.begin() + 20, ramp.begin() + 25), rampMiddle);
    EXPECT_EQ(std::vector<std::int16_t>(ramp.end() - 5, ramp.end()), rampEnd);

    // Stereo through the converter: each channel has a resampler of its own,
    // so the impulse on the left and the ramp on the right come out as they
    // do alone, side by side in each frame. The converter delivers the
    // promised length, 64 · 44100 / 48000 = 58.8, so 58 frames.
    CStereoSrc source(48000, Impulse(64), Ramp(64));
    CAudioConvert convert;
    convert.SetFormat(44100, 2, 16);
    convert.AddInput(&source);
    ASSERT_TRUE(convert.Open());
    std::vector<std::int16_t> left, right;
    for (int count = 7; const std::uint8_t* data = convert.Read(count); count = 7) {
        std::vector<std::int16_t> frames(2 * std::size_t(count));
        std::memcpy(frames.data(), data, frames.size() * 2);
        for (std::size_t i = 0; i < frames.size(); i += 2) {
            left.push_back(frames[i]);
            right.push_back(frames[i + 1]);
        }
    }
    ASSERT_EQ(left.size(), 58u);
    EXPECT_EQ(std::vector<std::int16_t>(left.begin(), left.begin() + 7), impulse);
    EXPECT_EQ(std::count(left.begin() + 6, left.end(), 0), 58 - 6);
    EXPECT_EQ(std::vector<std::int16_t>(right.begin(), right.begin() + 4), rampStart);
    EXPECT_EQ(std::vector<std::int16_t>(right.begin() + 20, right.begin() + 25), rampMiddle);
    EXPECT_EQ(right, std::vector<std::int16_t>(ramp.begin(), ramp.begin() + 58));
}
