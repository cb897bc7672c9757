#pragma once

#include "render/frame/ImageView.h"
#include "render/frame/TripleBuffer.h"

#include <array>
#include <cstdint>
#include <optional>

// Frame buffers of one size through which a producer hands frames to a
// consumer, each with a view and the rectangle drawn into it since it was
// last cleared. The buffers are allocated (cleared to transparent black) and
// owned here. With an output rectangle every view covers only that part of
// its buffer.
class CBufferedFrame {
public:
    // How producer and consumer take turns. Concurrent: three buffers behind
    // a triple buffer, so neither waits for the other's drawing. In turn: one
    // buffer, for a producer that never draws while the consumer reads (the
    // workers of a clock that waits for them); a third of the memory, which
    // at 3840 x 2160 is 66 MB a frame less.
    enum class ETurns { kConcurrent, kInTurn };

    CBufferedFrame(int width, int height, bool bottomUp, ETurns turns = ETurns::kConcurrent);
    CBufferedFrame(int width, int height, bool bottomUp, const SRect& output,
                   ETurns turns = ETurns::kConcurrent);
    CBufferedFrame(const CBufferedFrame&) = delete;
    CBufferedFrame& operator=(const CBufferedFrame&) = delete;
    ~CBufferedFrame();

    [[nodiscard]] bool IsValid() const { return m_buffers[0] != nullptr; }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }

    // The consumer's view and what was drawn in it.
    [[nodiscard]] const CImageView& FrontView(SRect* dirty = nullptr) const;
    // The producer's view; its dirty rectangle may be changed through dirty.
    // Taking it with the dirty rectangle (to draw) forgets that it was plain.
    CImageView& BackView(SRect** dirty = nullptr);
    // The whole back view filled with the colour; it is then plain.
    void FillBack(std::uint32_t colour);
    // Whether the back view holds nothing but the colour since FillBack
    // filled it: a producer with nothing else to draw may leave it so (a
    // slide's frames outside its pictures' times, every frame of a slot not
    // shown yet).
    [[nodiscard]] bool BackIsPlain(std::uint32_t colour) const {
        return m_plain[std::size_t(Back())] == colour;
    }
    void FillBack(std::uint32_t colour, const SRect& rect);
    bool Acquire() { return m_count == 1 || m_triple.Acquire(); }
    void Publish() {
        if (m_count > 1)
            m_triple.Publish();
    }

private:
    void Allocate(const SRect& output);
    [[nodiscard]] int Front() const { return m_count == 1 ? 0 : m_triple.Front(); }
    [[nodiscard]] int Back() const { return m_count == 1 ? 0 : m_triple.Back(); }

    CTripleBuffer m_triple;
    int m_width, m_height, m_stride = 0;
    bool m_bottomUp;
    std::size_t m_count;
    std::array<std::uint8_t*, 3> m_buffers{};
    std::array<CImageView, 3> m_views;
    std::array<SRect, 3> m_dirty{};
    std::array<std::optional<std::uint32_t>, 3> m_plain{}; // see BackIsPlain
};
