#include "media/MemSink2.h"

#include <cstring>
#include <new>

bool CMemSink2::Open() {
    m_buffer.reset(new (std::nothrow) std::uint8_t[m_step]);
    m_used = 0;
    m_capacity = m_buffer ? m_step : 0;
    return m_buffer != nullptr;
}

bool CMemSink2::Reserve(std::size_t count) {
    if (count <= m_capacity - m_used)
        return true;
    if (count > SIZE_MAX - m_used - m_step)
        return false;
    std::size_t capacity = m_used + count + m_step;
    std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow) std::uint8_t[capacity]);
    if (!grown)
        return false;
    if (m_used)
        std::memcpy(grown.get(), m_buffer.get(), m_used);
    m_buffer = std::move(grown);
    m_capacity = capacity;
    return true;
}

std::size_t CMemSink2::WriteNBytes(std::size_t count, const void* data) {
    if (!Reserve(count))
        return 0;
    if (count)
        std::memcpy(m_buffer.get() + m_used, data, count);
    m_used += count;
    return count;
}

std::size_t CMemSink2::WriteZeros(std::size_t count) {
    if (!Reserve(count))
        return 0;
    if (count)
        std::memset(m_buffer.get() + m_used, 0, count);
    m_used += count;
    return count;
}

std::unique_ptr<std::uint8_t[]> CMemSink2::Detach() {
    m_used = m_capacity = 0;
    return std::move(m_buffer);
}
