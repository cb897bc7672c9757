#include "audio/AudioMix.h"

#include "audio/AudioConvert.h"
#include "audio/AudioSilence.h"

#include <algorithm>
#include <cstring>

CAudioMix::CAudioMix() : IAudioFilter(true) {}
CAudioMix::~CAudioMix() = default;

void CAudioMix::RemoveInputs() {
    IAudioFilter::RemoveInputs();
    m_intervals.clear();
    m_members.clear();
    m_silences.clear();
    m_current = 0;
    m_position = 0;
}

void CAudioMix::SplitAt(std::int64_t frame) {
    for (std::size_t i = 0; i < m_intervals.size(); ++i) {
        SInterval& iv = m_intervals[i];
        if (iv.start < frame && frame < iv.end) {
            SInterval tail{frame, iv.end, iv.sources};
            for (SPlaced& placed : tail.sources)
                placed.offset += frame - iv.start;
            iv.end = frame;
            m_intervals.insert(m_intervals.begin() + std::ptrdiff_t(i) + 1, std::move(tail));
            return;
        }
    }
}

void CAudioMix::AddSource(IAudioSrc* source, double start) {
    if (!source)
        return;
    auto member = std::make_unique<CAudioConvert>();
    member->SetFormat(m_rate, m_channels, m_bits);
    member->AddInput(source);
    CAudioConvert* placed = member.get();
    m_inputs.push_back(placed);
    m_input = m_inputs.front();
    m_members.push_back(std::move(member));

    std::int64_t begin = FramesAt(m_rate, start);
    std::int64_t length = placed->GetLength();
    if (length <= 0)
        return;
    std::int64_t end = begin + length;
    SplitAt(begin);
    SplitAt(end);
    std::vector<SInterval> merged;
    std::int64_t cursor = begin;
    for (SInterval& iv : m_intervals) {
        if (iv.end <= begin || iv.start >= end) {
            merged.push_back(std::move(iv));
            continue;
        }
        if (cursor < iv.start) // a gap the new source fills alone
            merged.push_back({cursor, iv.start, {{placed, cursor - begin}}});
        iv.sources.push_back({placed, iv.start - begin});
        cursor = iv.end;
        merged.push_back(std::move(iv));
    }
    if (cursor < end)
        merged.push_back({cursor, end, {{placed, cursor - begin}}});
    std::sort(merged.begin(), merged.end(),
              [](const SInterval& a, const SInterval& b) { return a.start < b.start; });
    m_intervals = std::move(merged);
}

std::vector<CAudioMix::SSpan> CAudioMix::Spans() const {
    std::vector<SSpan> spans;
    for (const SInterval& iv : m_intervals)
        spans.push_back({iv.start, iv.end, iv.sources.size()});
    return spans;
}

bool CAudioMix::Open() {
    bool any = CAudioConvert::OpenMembers(m_members, m_silences);
    if (any)
        Seek(0, kFromStart);
    return any;
}

void CAudioMix::Close() {
    for (auto& member : m_members)
        member->Close();
}

void CAudioMix::SetFormat(int rate, int channels, int bits) {
    int old = m_rate;
    IAudioSrc::SetFormat(rate, channels, bits);
    for (auto& member : m_members)
        member->SetFormat(rate, channels, bits);
    if (old != rate) {
        for (SInterval& iv : m_intervals) {
            iv.start = RescaleFrames(iv.start, old, rate);
            iv.end = RescaleFrames(iv.end, old, rate);
            for (SPlaced& placed : iv.sources)
                placed.offset = RescaleFrames(placed.offset, old, rate);
        }
        m_position = RescaleFrames(m_position, old, rate);
    }
}

std::int64_t CAudioMix::GetLength() {
    return m_intervals.empty() ? 0 : m_intervals.back().end;
}

std::int64_t CAudioMix::Seek(std::int64_t position, int origin) {
    if (origin == kFromCurrent)
        position += m_position;
    else if (origin == kFromEnd)
        position += GetLength() - 1;
    position = std::max<std::int64_t>(0, position);
    m_current = m_intervals.size();
    for (std::size_t i = 0; i < m_intervals.size(); ++i) {
        SInterval& iv = m_intervals[i];
        if (iv.end <= position)
            continue;
        std::int64_t inside = position - iv.start; // negative in the gap before it
        for (SPlaced& placed : iv.sources)
            placed.source->Seek(placed.offset + std::max<std::int64_t>(0, inside), kFromStart);
        m_current = i;
        break;
    }
    m_position = std::min(position, GetLength());
    return m_position;
}

const std::uint8_t* CAudioMix::Read(int& count) {
    int wanted = std::max(0, count);
    count = 0;
    std::size_t blockAlign = std::size_t(GetBlockAlign());
    m_buffer.assign(std::size_t(wanted) * blockAlign, 0);
    bool eightBit = m_bits == 8;
    int done = 0;
    while (done < wanted && m_current < m_intervals.size()) {
        SInterval& iv = m_intervals[m_current];
        if (m_position >= iv.end) { // this interval is done: move to the next
            Seek(m_position, kFromStart);
            continue;
        }
        if (m_position < iv.start) {
            int gap = int(std::min<std::int64_t>(wanted - done, iv.start - m_position));
            done += gap;
            m_position += gap;
            continue;
        }
        int m = int(std::min<std::int64_t>(wanted - done, iv.end - m_position));
        int advance = 0;
        std::uint8_t* out = m_buffer.data() + std::size_t(done) * blockAlign;
        for (SPlaced& placed : iv.sources) {
            int got = m;
            const std::uint8_t* data = placed.source->Read(got);
            if (!data || got <= 0)
                continue;
            got = std::min(got, m);
            advance = std::max(advance, got);
            std::size_t samples = std::size_t(got) * std::size_t(m_channels);
            if (eightBit) {
                for (std::size_t k = 0; k < samples; ++k) {
                    int sum = std::int8_t(out[k]) + std::int8_t(data[k] ^ 0x80);
                    out[k] = std::uint8_t(std::int8_t(std::clamp(sum, -128, 127)));
                }
            } else {
                auto* o = reinterpret_cast<std::int16_t*>(out);
                const auto* d = reinterpret_cast<const std::int16_t*>(data);
                for (std::size_t k = 0; k < samples; ++k)
                    o[k] = std::int16_t(std::clamp(int(o[k]) + int(d[k]), -32768, 32767));
            }
        }
        if (advance == 0)
            advance = m;
        done += advance;
        m_position += advance;
        if (done < wanted)
            Seek(m_position, kFromStart);
    }
    if (eightBit)
        for (std::size_t k = 0; k < std::size_t(done) * blockAlign; ++k)
            m_buffer[k] ^= 0x80;
    count = done;
    return done > 0 ? m_buffer.data() : nullptr;
}
