#include "encode/AudioFeed.h"

#include "audio/AudioSrc.h"

#include <algorithm>
#include <cstring>

std::int64_t SamplesThrough(std::int64_t frame, int sampleRate, int rateNum, int rateDen) {
    if (frame < 0 || rateNum <= 0 || rateDen <= 0)
        return 0;
    // round(x / y) as (2x + y) / (2y) in integers: exact for any length.
    const std::int64_t x = (frame + 1) * std::int64_t(sampleRate) * rateDen;
    return (2 * x + rateNum) / (2 * std::int64_t(rateNum));
}

int SamplesForFrame(std::int64_t frame, int sampleRate, int rateNum, int rateDen) {
    return int(SamplesThrough(frame, sampleRate, rateNum, rateDen) -
               SamplesThrough(frame - 1, sampleRate, rateNum, rateDen));
}

CAudioFeed::CAudioFeed(IAudioSrc* source) : m_source(source) { m_ended = source == nullptr; }

bool CAudioFeed::Refill() {
    if (m_ended)
        return false;
    int count = m_source->GetSampleRate();
    if (count <= 0)
        count = 44100;
    const std::uint8_t* data = m_source->Read(count);
    if (!data || count < 1) {
        m_ended = true;
        return false;
    }
    const int channels = m_source->GetChannels();
    const int bits = m_source->GetBitsPerSample();
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(m_pendingStart * 2));
    m_pendingStart = 0;
    std::size_t old = m_pending.size();
    m_pending.resize(old + std::size_t(count) * 2);
    std::int16_t* out = m_pending.data() + old;
    if (bits == 16 && channels == 2) {
        std::memcpy(out, data, std::size_t(count) * kBlockAlign);
    } else {
        const int step = std::max(1, channels) * (bits == 8 ? 1 : 2);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = data + std::size_t(i) * std::size_t(step);
            auto sample = [&](int channel) -> std::int16_t {
                if (bits == 8)
                    return std::int16_t((p[channel] - 128) * 256);
                std::int16_t v;
                std::memcpy(&v, p + 2 * channel, 2);
                return v;
            };
            out[2 * i] = sample(0);
            out[2 * i + 1] = sample(channels >= 2 ? 1 : 0);
        }
    }
    m_fromSource += count;
    return true;
}

const std::uint8_t* CAudioFeed::Take(int count) {
    count = std::max(0, count);
    m_out.assign(std::size_t(count) * 2, 0);
    std::size_t done = 0;
    while (done < std::size_t(count)) {
        std::size_t available = m_pending.size() / 2 - m_pendingStart;
        if (available == 0 && !Refill())
            break;
        available = m_pending.size() / 2 - m_pendingStart;
        std::size_t m = std::min(available, std::size_t(count) - done);
        std::memcpy(m_out.data() + done * 2, m_pending.data() + m_pendingStart * 2, m * kBlockAlign);
        m_pendingStart += m;
        done += m;
    }
    // What the source could not give stays silent (m_out starts zeroed).
    m_silence += std::int64_t(count) - std::int64_t(done);
    return reinterpret_cast<const std::uint8_t*>(m_out.data());
}

const std::uint8_t* CAudioFeed::ReadBlock(int& count) {
    count = 0;
    if (m_pending.size() / 2 == m_pendingStart && !Refill())
        return nullptr;
    count = int(m_pending.size() / 2 - m_pendingStart);
    m_out.assign(m_pending.begin() + std::ptrdiff_t(m_pendingStart * 2), m_pending.end());
    m_pendingStart = m_pending.size() / 2;
    return reinterpret_cast<const std::uint8_t*>(m_out.data());
}
