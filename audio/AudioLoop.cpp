#include "audio/AudioLoop.h"

#include <algorithm>

void CAudioLoop::SetTotalLength(double seconds) {
    m_total = seconds < 0 ? -1 : FramesAt(GetSampleRate(), seconds);
}

std::int64_t CAudioLoop::GetLength() {
    std::int64_t input = m_input ? m_input->GetLength() : 0;
    if (m_repeat >= 0) {
        std::int64_t length = std::int64_t(m_repeat) * std::max<std::int64_t>(0, input);
        return m_total >= 0 ? std::min(length, m_total) : length;
    }
    return m_total;
}

std::int64_t CAudioLoop::Seek(std::int64_t position, int origin) {
    std::int64_t length = GetLength();
    if (origin == kFromCurrent)
        position += m_position;
    else if (origin == kFromEnd)
        position += length - 1;
    position = std::max<std::int64_t>(0, position);
    if (length >= 0)
        position = std::min(position, length);
    std::int64_t input = m_input ? m_input->GetLength() : 0;
    if (!m_input || input <= 0)
        return -1;
    if (m_input->Seek(position % input, kFromStart) < 0)
        return -1;
    m_position = position;
    return position;
}

const std::uint8_t* CAudioLoop::Read(int& count) {
    std::int64_t length = GetLength();
    if (!m_input || (length >= 0 && m_position >= length) || count <= 0) {
        count = 0;
        return nullptr;
    }
    if (length >= 0)
        count = int(std::min<std::int64_t>(count, length - m_position));
    int wanted = count;
    const std::uint8_t* data = m_input->Read(count);
    if (!data || count == 0) {
        // The input's end: start it again and read the same request.
        count = wanted;
        if (m_input->Seek(0, kFromStart) < 0 || !(data = m_input->Read(count)) || count == 0) {
            count = 0;
            return nullptr;
        }
    }
    m_position += count;
    std::int64_t input = m_input->GetLength();
    if (length < 0 && input > 0)
        m_position %= input;
    return data;
}

void CAudioLoop::OnRateChange(int oldRate, int newRate) {
    if (m_total >= 0)
        m_total = RescaleFrames(m_total, oldRate, newRate);
}
