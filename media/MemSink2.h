#pragma once

#include "media/DataSink.h"

#include <cstdint>
#include <memory>

// A growable memory sink. A write that does not fit grows the buffer to
// used + count + step bytes, copying what was written.
class CMemSink2 : public PLDataSink {
public:
    explicit CMemSink2(std::size_t growthStep) : m_step(growthStep ? growthStep : 1) {}
    // Allocates a buffer of one step and forgets what was written.
    bool Open();
    std::size_t WriteNBytes(std::size_t count, const void* data) override;
    std::size_t WriteByte(std::uint8_t byte) { return WriteNBytes(1, &byte); }
    // Writes count zero bytes.
    std::size_t WriteZeros(std::size_t count);

    [[nodiscard]] const std::uint8_t* GetBuffer() const { return m_buffer.get(); }
    [[nodiscard]] std::size_t GetUsed() const { return m_used; }
    [[nodiscard]] std::size_t GetCapacity() const { return m_capacity; }
    // Hands the buffer to the caller; the sink is empty afterwards.
    std::unique_ptr<std::uint8_t[]> Detach();

private:
    bool Reserve(std::size_t count);

    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_used = 0;
    std::size_t m_capacity = 0;
    std::size_t m_step;
};
