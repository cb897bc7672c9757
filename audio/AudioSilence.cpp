#include "audio/AudioSilence.h"

std::int64_t CAudioSilence::Seek(std::int64_t position, int origin) {
    if (origin == kFromCurrent)
        position += m_position;
    else if (origin == kFromEnd)
        position += m_length;
    m_position = std::clamp<std::int64_t>(position, 0, m_length);
    return m_position;
}

const std::uint8_t* CAudioSilence::Read(int& count) {
    count = int(std::clamp<std::int64_t>(m_length - m_position, 0, std::max(0, count)));
    if (count == 0)
        return nullptr;
    m_buffer.assign(std::size_t(count) * std::size_t(GetBlockAlign()), m_bits <= 8 ? 0x80 : 0);
    m_position += count;
    return m_buffer.data();
}
