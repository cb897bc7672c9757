#include "audio/AudioFade.h"

#include <algorithm>
#include <cstring>

void CAudioFade::AddKey(double seconds, double gain) {
    m_keys.emplace(FramesAt(GetSampleRate(), seconds), gain);
}

bool CAudioFade::Open() {
    if (!IAudioFilter::Open())
        return false;
    m_position = m_input->Tell();
    return true;
}

std::int64_t CAudioFade::Seek(std::int64_t position, int origin) {
    std::int64_t reached = IAudioFilter::Seek(position, origin);
    if (reached >= 0)
        m_position = reached;
    return reached;
}

CAudioFade::SSegment CAudioFade::SegmentAt(std::int64_t frame) {
    SSegment segment{0, -1, m_startGain, m_startGain};
    auto after = m_keys.upper_bound(frame);
    if (after != m_keys.begin()) {
        auto before = std::prev(after);
        segment.p0 = before->first;
        segment.g0 = before->second;
    }
    std::int64_t length = m_input ? m_input->GetLength() : -1;
    if (after != m_keys.end()) {
        segment.p1 = after->first;
        segment.g1 = after->second;
    } else if (length > frame) {
        segment.p1 = length;
        segment.g1 = m_endGain;
    } else {
        segment.g1 = segment.g0;
    }
    return segment;
}

double CAudioFade::GainAt(std::int64_t frame) {
    SSegment s = SegmentAt(frame);
    if (s.p1 <= s.p0)
        return s.g0;
    return s.g0 + double(frame - s.p0) * (s.g1 - s.g0) / double(s.p1 - s.p0);
}

const std::uint8_t* CAudioFade::Read(int& count) {
    const std::uint8_t* data = IAudioFilter::Read(count);
    if (!data)
        return nullptr;
    std::int64_t first = m_position;
    m_position += count;
    int channels = GetChannels();
    bool eightBit = GetBitsPerSample() == 8;
    std::uint8_t* out = nullptr;
    for (int i = 0; i < count;) {
        SSegment s = SegmentAt(first + i);
        // Frames up to the next key share this segment.
        std::int64_t segmentEnd = s.p1 > first + i ? s.p1 : first + count;
        int n = int(std::min<std::int64_t>(count - i, segmentEnd - (first + i)));
        if (s.g0 >= 1.0 && s.g1 >= 1.0) {
            i += n;
            continue;
        }
        if (!out) {
            // Gains are applied to a copy: the input's buffer may be one it reads again.
            m_buffer.assign(data, data + std::size_t(count) * std::size_t(GetBlockAlign()));
            out = m_buffer.data();
        }
        double span = s.p1 > s.p0 ? double(s.p1 - s.p0) : 1.0;
        double slope = s.p1 > s.p0 ? (s.g1 - s.g0) / span : 0.0;
        for (int k = 0; k < n; ++k, ++i) {
            double gain = s.g0 + double(first + i - s.p0) * slope;
            if (eightBit) {
                std::uint8_t* p = out + std::size_t(i) * channels;
                for (int c = 0; c < channels; ++c)
                    p[c] = ScaleSample8(p[c], gain);
            } else {
                auto* p = reinterpret_cast<std::int16_t*>(out) + std::size_t(i) * channels;
                for (int c = 0; c < channels; ++c)
                    p[c] = ScaleSample16(p[c], gain);
            }
        }
    }
    return out ? out : data;
}

void CAudioFade::OnRateChange(int oldRate, int newRate) {
    std::multimap<std::int64_t, double> keys;
    for (const auto& [frame, gain] : m_keys)
        keys.emplace(RescaleFrames(frame, oldRate, newRate), gain);
    m_keys = std::move(keys);
}
