#pragma once

#include "render/frame/ImageView.h"
#include "render/frame/TripleBuffer.h"

#include <array>
#include <cstdint>

// Three frame buffers of one size behind a triple buffer, each with a view
// and the rectangle drawn into it since it was last cleared. The buffers are
// allocated (cleared to transparent black) and owned here. With an output
// rectangle every view covers only that part of its buffer.
class CBufferedFrame {
public:
    CBufferedFrame(int width, int height, bool bottomUp);
    CBufferedFrame(int width, int height, bool bottomUp, const SRect& output);
    CBufferedFrame(const CBufferedFrame&) = delete;
    CBufferedFrame& operator=(const CBufferedFrame&) = delete;
    ~CBufferedFrame();

    [[nodiscard]] bool IsValid() const { return m_buffers[0] != nullptr; }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }

    // The consumer's view and what was drawn in it.
    [[nodiscard]] const CImageView& FrontView(SRect* dirty = nullptr) const;
    // The producer's view; its dirty rectangle may be changed through dirty.
    CImageView& BackView(SRect** dirty = nullptr);
    void FillBack(std::uint32_t colour);
    void FillBack(std::uint32_t colour, const SRect& rect);
    bool Acquire() { return m_triple.Acquire(); }
    void Publish() { m_triple.Publish(); }

private:
    void Allocate(const SRect& output);

    CTripleBuffer m_triple;
    int m_width, m_height, m_stride = 0;
    bool m_bottomUp;
    std::array<std::uint8_t*, 3> m_buffers{};
    std::array<CImageView, 3> m_views;
    std::array<SRect, 3> m_dirty{};
};
