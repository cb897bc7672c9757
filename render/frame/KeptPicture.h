#pragma once

#include "media/PictureBudget.h"

#include <cstdint>
#include <memory>

// A decoded picture as clips show it: premultiplied, at the size its decode
// box asks for. It does not change once made, so several clips (on any
// thread) may show one. Its pixels are charged to the picture memory budget
// while it lives.
class CKeptPicture {
public:
    // The picture of top-down 32-bit pixels (not premultiplied) of width x
    // height, kept as it comes up to twice the size fitted inside the box
    // maxWidth x maxHeight (or covering it, with cover) and reduced to that
    // when larger; no reduction without a box (0). Raises PLTextException
    // code 10 past the budget; null when the pixels cannot be made otherwise.
    static std::shared_ptr<const CKeptPicture> Make(const std::uint8_t* bgra, int width, int height,
                                                    int stride, int maxWidth, int maxHeight,
                                                    bool cover);

    CKeptPicture(const CKeptPicture&) = delete;
    CKeptPicture& operator=(const CKeptPicture&) = delete;
    ~CKeptPicture();

    // Row 0 (the top row) and the distance between rows, positive.
    [[nodiscard]] const std::uint8_t* Bits() const { return m_bits; }
    [[nodiscard]] int Stride() const { return m_stride; }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    // No pixel is even partly transparent.
    [[nodiscard]] bool Opaque() const { return m_opaque; }

private:
    CKeptPicture() = default;

    std::uint8_t* m_bits = nullptr;
    int m_stride = 0, m_width = 0, m_height = 0;
    bool m_opaque = true;
    CPictureBudget::CCharge m_charge;
};
