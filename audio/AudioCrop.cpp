#include "audio/AudioCrop.h"

#include <algorithm>

void CAudioCrop::SetRange(double start, double length) {
    int rate = GetSampleRate();
    m_start = FramesAt(rate, start);
    m_length = FramesAt(rate, length);
}

bool CAudioCrop::Open() {
    if (!IAudioFilter::Open())
        return false;
    Seek(0, kFromStart);
    return true;
}

std::int64_t CAudioCrop::GetLength() {
    std::int64_t input = m_input ? m_input->GetLength() : 0;
    if (m_length > 0 && (input < 0 || m_start + m_length < input))
        return m_length;
    return std::max<std::int64_t>(0, input - m_start);
}

std::int64_t CAudioCrop::Seek(std::int64_t position, int origin) {
    std::int64_t length = GetLength();
    if (origin == kFromCurrent)
        position += m_position;
    else if (origin == kFromEnd)
        position += length - 1;
    position = std::clamp<std::int64_t>(position, 0, length);
    if (!m_input || m_input->Seek(m_start + position, kFromStart) < 0)
        return -1;
    m_position = position;
    return position;
}

const std::uint8_t* CAudioCrop::Read(int& count) {
    std::int64_t left = GetLength() - m_position;
    count = int(std::clamp<std::int64_t>(left, 0, std::max(0, count)));
    if (count == 0 || !m_input) {
        count = 0;
        return nullptr;
    }
    const std::uint8_t* data = m_input->Read(count);
    if (!data) {
        count = 0;
        return nullptr;
    }
    m_position += count;
    return data;
}

void CAudioCrop::OnRateChange(int oldRate, int newRate) {
    m_start = RescaleFrames(m_start, oldRate, newRate);
    m_length = RescaleFrames(m_length, oldRate, newRate);
}
