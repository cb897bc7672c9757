#pragma once

#include <cstddef>
#include <cstdint>

// An owned buffer of 32-bit pixels from the image primitives' allocator (rows
// 64-byte aligned), freed with its owner or on Free.
class CPixelBuffer {
public:
    CPixelBuffer() = default;
    CPixelBuffer(const CPixelBuffer&) = delete;
    CPixelBuffer& operator=(const CPixelBuffer&) = delete;
    ~CPixelBuffer() { Free(); }

    // A new buffer of width x height pixels, contents undefined; the old one
    // is freed first. False (and no buffer) when it cannot be had.
    bool Allocate(int width, int height);
    void Free();

    [[nodiscard]] std::uint8_t* Bits() const { return m_bits; }
    // Bytes from one row to the next.
    [[nodiscard]] int Stride() const { return m_stride; }
    // Bytes held: rows times stride.
    [[nodiscard]] std::size_t Bytes() const {
        return std::size_t(m_stride) * std::size_t(m_height);
    }

private:
    std::uint8_t* m_bits = nullptr;
    int m_stride = 0;
    int m_height = 0;
};
