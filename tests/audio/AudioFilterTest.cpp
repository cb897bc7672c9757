#include "audio/AudioConvert.h"
#include "audio/AudioCrop.h"
#include "audio/AudioFade.h"
#include "audio/AudioLoop.h"
#include "audio/AudioMix.h"
#include "audio/AudioSeq.h"
#include "audio/AudioSilence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// A 16-bit (or 8-bit) source whose every sample is a function of its frame,
// so a test can tell which frame it received.
class CTestSrc final : public IAudioSrc {
public:
    CTestSrc(std::int64_t length, int rate, int channels, int bits,
             std::function<int(std::int64_t)> value = [](std::int64_t f) { return int(f % 30000); })
        : m_length(length), m_srcRate(rate), m_srcChannels(channels), m_srcBits(bits),
          m_value(std::move(value)) {}

    bool Open() override { ++opens; m_position = 0; return !failOpen; }
    void Close() override {}
    [[nodiscard]] int GetSampleRate() const override { return m_srcRate; }
    [[nodiscard]] int GetChannels() const override { return m_srcChannels; }
    [[nodiscard]] int GetBitsPerSample() const override { return m_srcBits; }
    [[nodiscard]] std::int64_t GetLength() override { return m_length; }
    std::int64_t Seek(std::int64_t position, int origin) override {
        if (origin == kFromCurrent)
            position += m_position;
        m_position = std::clamp<std::int64_t>(position, 0, m_length);
        return m_position;
    }
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override {
        count = int(std::clamp<std::int64_t>(m_length - m_position, 0, count));
        if (count == 0)
            return nullptr;
        m_buffer.assign(std::size_t(count) * std::size_t(GetBlockAlign()), 0);
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < m_srcChannels; ++c) {
                int v = m_value(m_position + i);
                std::size_t k = std::size_t(i) * std::size_t(m_srcChannels) + std::size_t(c);
                if (m_srcBits == 8)
                    m_buffer[k] = std::uint8_t(v);
                else
                    reinterpret_cast<std::int16_t*>(m_buffer.data())[k] = std::int16_t(v);
            }
        m_position += count;
        return m_buffer.data();
    }
    bool failOpen = false;
    int opens = 0;

private:
    std::int64_t m_length, m_position = 0;
    int m_srcRate, m_srcChannels, m_srcBits;
    std::function<int(std::int64_t)> m_value;
    std::vector<std::uint8_t> m_buffer;
};

// Reads a source to its end (or max frames) as 16-bit samples of channel 0.
std::vector<int> ReadAll(IAudioSrc& src, std::size_t max = 1u << 24, int block = 1000) {
    std::vector<int> out;
    int channels = src.GetChannels();
    while (out.size() < max) {
        int count = block;
        const std::uint8_t* data = src.Read(count);
        if (!data || count == 0)
            break;
        for (int i = 0; i < count; ++i) {
            std::size_t k = std::size_t(i) * std::size_t(channels);
            out.push_back(src.GetBitsPerSample() == 8 ? int(data[k])
                                                      : reinterpret_cast<const std::int16_t*>(data)[k]);
        }
    }
    return out;
}

} // namespace

TEST(AudioFilters, SilenceIsSilentInEitherWidth) {
    CAudioSilence silence(100);
    silence.SetFormat(8000, 1, 8);
    ASSERT_TRUE(silence.Open());
    EXPECT_EQ(ReadAll(silence), std::vector<int>(100, 0x80));
    EXPECT_EQ(silence.Seek(500, IAudioSrc::kFromStart), 100);
    silence.SetFormat(8000, 2, 16);
    silence.Seek(90, IAudioSrc::kFromStart);
    EXPECT_EQ(ReadAll(silence), std::vector<int>(10, 0));
}

TEST(AudioFilters, CropDeliversItsWindow) {
    CTestSrc input(1000, 1000, 1, 16);
    CAudioCrop crop;
    crop.AddInput(&input);
    crop.SetRange(0.1, 0.25);
    ASSERT_TRUE(crop.Open());
    EXPECT_EQ(crop.GetLength(), 250);
    std::vector<int> got = ReadAll(crop, 1000, 64);
    ASSERT_EQ(got.size(), 250u);
    EXPECT_EQ(got.front(), 100);
    EXPECT_EQ(got.back(), 349);
    EXPECT_EQ(crop.Seek(10, IAudioSrc::kFromStart), 10);
    EXPECT_EQ(ReadAll(crop, 1).front(), 110);
    // A window running past the input's end ends with the input.
    crop.SetRange(0.9, 0.5);
    EXPECT_EQ(crop.GetLength(), 100);
}

TEST(AudioFilters, LoopWrapsToItsTotalLength) {
    CTestSrc input(3000, 1000, 1, 16);
    CAudioLoop loop;
    loop.AddInput(&input);
    loop.SetTotalLength(10.0);
    ASSERT_TRUE(loop.Open());
    EXPECT_EQ(loop.GetLength(), 10000);
    std::vector<int> got = ReadAll(loop, 1u << 20, 700);
    ASSERT_EQ(got.size(), 10000u);
    for (std::size_t i = 0; i < got.size(); i += 37)
        ASSERT_EQ(got[i], int(i % 3000)) << i;
    EXPECT_EQ(loop.Seek(7500, IAudioSrc::kFromStart), 7500);
    EXPECT_EQ(ReadAll(loop, 1).front(), 1500);

    CAudioLoop twice;
    twice.AddInput(&input);
    twice.SetRepeatCount(2);
    EXPECT_EQ(twice.GetLength(), 6000);
}

TEST(AudioFilters, UnitGainLeavesFullScaleSamplesUntouched) {
    for (int value : {32767, -32768}) {
        CTestSrc input(1000, 1000, 2, 16, [value](std::int64_t) { return value; });
        CAudioFade fade(1.0, 1.0);
        fade.AddInput(&input);
        ASSERT_TRUE(fade.Open());
        EXPECT_EQ(ReadAll(fade), std::vector<int>(1000, value));
    }
}

TEST(AudioFilters, FadeFollowsItsKeys) {
    CTestSrc input(1000, 1000, 1, 16, [](std::int64_t) { return 10000; });
    CAudioFade fade(0.0, 0.0);
    fade.AddInput(&input);
    fade.AddKey(0.2, 1.0);
    fade.AddKey(0.8, 1.0);
    ASSERT_TRUE(fade.Open());
    std::vector<int> got = ReadAll(fade, 1u << 20, 333);
    ASSERT_EQ(got.size(), 1000u);
    EXPECT_EQ(got[0], 0);
    EXPECT_EQ(got[100], 5000);   // halfway up: 0.5
    EXPECT_EQ(got[500], 10000);  // between two keys of 1.0: untouched
    EXPECT_EQ(got[900], 5000);   // halfway down to the end gain at 1000
    EXPECT_EQ(got[999], 50);     // gain 0.005
    EXPECT_DOUBLE_EQ(fade.GainAt(150), 0.75);

    // 8-bit samples scale around 128.
    CTestSrc eight(100, 1000, 1, 8, [](std::int64_t) { return 228; });
    CAudioFade half(0.5, 0.5);
    half.AddInput(&eight);
    ASSERT_TRUE(half.Open());
    EXPECT_EQ(ReadAll(half).front(), 178);
}

TEST(AudioFilters, MixingSaturatesAndLeavesGapsSilent) {
    CTestSrc a(1000, 1000, 2, 16, [](std::int64_t) { return 30000; });
    CTestSrc b(1000, 1000, 2, 16, [](std::int64_t) { return 30000; });
    CTestSrc late(1000, 1000, 2, 16, [](std::int64_t f) { return int(f) + 1; });
    CAudioMix mix;
    mix.SetFormat(1000, 2, 16);
    mix.AddSource(&a, 0);
    mix.AddSource(&b, 0.5);
    mix.AddSource(&late, 5.0);
    ASSERT_TRUE(mix.Open());
    EXPECT_EQ(mix.GetLength(), 6000);
    std::vector<int> got = ReadAll(mix, 1u << 20, 777);
    ASSERT_EQ(got.size(), 6000u);
    EXPECT_EQ(got[100], 30000);
    EXPECT_EQ(got[600], 32767);  // 30000 + 30000 saturates
    EXPECT_EQ(got[1200], 30000);
    EXPECT_EQ(got[3000], 0);     // the gap before the late source
    EXPECT_EQ(got[5000], 1);
    EXPECT_EQ(got[5999], 1000);
    auto spans = mix.Spans();
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans[1].sources, 2u);

    // Seeking into a gap and into the middle of an interval.
    EXPECT_EQ(mix.Seek(4990, IAudioSrc::kFromStart), 4990);
    got = ReadAll(mix, 20, 20);
    EXPECT_EQ(got[9], 0);
    EXPECT_EQ(got[10], 1);

    // 8-bit sources mix as signed values with clamping.
    CTestSrc up(10, 1000, 1, 8, [](std::int64_t) { return 250; });
    CTestSrc up2(10, 1000, 1, 8, [](std::int64_t) { return 250; });
    CTestSrc down(10, 1000, 1, 8, [](std::int64_t) { return 28; });
    CAudioMix eight;
    eight.SetFormat(1000, 1, 8);
    eight.AddSource(&up, 0);
    eight.AddSource(&up2, 0);
    ASSERT_TRUE(eight.Open());
    EXPECT_EQ(ReadAll(eight).front(), 255);
    CAudioMix balanced;
    balanced.SetFormat(1000, 1, 8);
    balanced.AddSource(&up, 0);
    balanced.AddSource(&down, 0);
    ASSERT_TRUE(balanced.Open());
    EXPECT_EQ(ReadAll(balanced).front(), 150); // 122 - 100 + 128
}

TEST(AudioFilters, MembersThatFailPlayAsSilence) {
    CTestSrc good(500, 1000, 2, 16, [](std::int64_t) { return 7; });
    CTestSrc bad(300, 1000, 2, 16, [](std::int64_t) { return 9; });
    bad.failOpen = true;
    CAudioSeq sequence;
    sequence.SetFormat(1000, 2, 16);
    sequence.AddInput(&bad);
    sequence.AddInput(&good);
    ASSERT_TRUE(sequence.Open());
    EXPECT_EQ(sequence.GetLength(), 800);
    std::vector<int> got = ReadAll(sequence, 1u << 20, 128);
    ASSERT_EQ(got.size(), 800u);
    EXPECT_EQ(got[299], 0);
    EXPECT_EQ(got[300], 7);
    EXPECT_EQ(sequence.Seek(650, IAudioSrc::kFromStart), 650);

    CAudioMix mix;
    mix.SetFormat(1000, 2, 16);
    CTestSrc alone(300, 1000, 2, 16);
    alone.failOpen = true;
    mix.AddSource(&alone, 0);
    EXPECT_FALSE(mix.Open()); // no member opened
}

TEST(AudioFilters, ConversionPathsKeepChannelsAndLength) {
    // 16-bit mono at 22050 Hz through the resampler, copied to both channels.
    CTestSrc mono(22050, 22050, 1, 16, [](std::int64_t f) { return int(8000 * std::sin(f * 0.05)); });
    CAudioConvert convert;
    convert.SetFormat(44100, 2, 16);
    convert.AddInput(&mono);
    ASSERT_TRUE(convert.Open());
    EXPECT_EQ(convert.GetLength(), 44100);
    std::size_t frames = 0;
    bool same = true;
    for (int count = 1000; const std::uint8_t* data = convert.Read(count); count = 1000) {
        const auto* s = reinterpret_cast<const std::int16_t*>(data);
        for (int i = 0; i < count; ++i)
            same = same && s[2 * i] == s[2 * i + 1];
        frames += std::size_t(count);
    }
    EXPECT_TRUE(same);
    EXPECT_EQ(frames, 44100u);

    // 8-bit mono at 22050 Hz through the general converter.
    CTestSrc eight(2205, 22050, 1, 8, [](std::int64_t) { return 0x80 + 64; });
    CAudioConvert other;
    other.SetFormat(44100, 2, 16);
    other.AddInput(&eight);
    ASSERT_TRUE(other.Open());
    std::vector<int> got = ReadAll(other);
    ASSERT_EQ(got.size(), 4410u);
    EXPECT_NEAR(got[2000], 64 * 256, 64);

    // The same format passes through untouched.
    CTestSrc same16(100, 44100, 2, 16);
    CAudioConvert through;
    through.AddInput(&same16);
    ASSERT_TRUE(through.Open());
    got = ReadAll(through);
    EXPECT_EQ(got[42], 42);
}
