#include "render/frame/BufferedFrame.h"

#include "imgcore/CPU.h"

#include <cstring>

CBufferedFrame::CBufferedFrame(int width, int height, bool bottomUp, ETurns turns)
    : CBufferedFrame(width, height, bottomUp, SRect{0, 0, width, height}, turns) {}

CBufferedFrame::CBufferedFrame(int width, int height, bool bottomUp, const SRect& output,
                               ETurns turns)
    : m_width(width), m_height(height), m_bottomUp(bottomUp),
      m_count(turns == ETurns::kInTurn ? 1 : 3) {
    Allocate(Intersect(output, {0, 0, width, height}));
}

CBufferedFrame::~CBufferedFrame() {
    for (std::uint8_t* buffer : m_buffers)
        CCPU::ippiFree(buffer);
}

void CBufferedFrame::Allocate(const SRect& output) {
    for (std::size_t i = 0; i < m_count; ++i) {
        m_buffers[i] = CCPU::ippiMalloc_8u_C4(m_width, m_height, &m_stride);
        if (!m_buffers[i]) {
            for (std::uint8_t*& buffer : m_buffers) {
                CCPU::ippiFree(buffer);
                buffer = nullptr;
            }
            return;
        }
        std::memset(m_buffers[i], 0, std::size_t(m_stride) * std::size_t(m_height));
        // A view of the whole buffer, then narrowed to the output rectangle.
        CImageView whole;
        whole.Attach(m_buffers[i], m_width, m_height, m_bottomUp ? -m_stride : m_stride);
        std::uint8_t* first = whole.PixelAt(output);
        int w = output.right - output.left, h = output.bottom - output.top;
        if (!first || w <= 0 || h <= 0)
            m_views[i] = whole;
        else
            m_views[i].Attach(first, w, h, m_bottomUp ? -m_stride : m_stride);
    }
}

const CImageView& CBufferedFrame::FrontView(SRect* dirty) const {
    int front = Front();
    if (dirty)
        *dirty = m_dirty[std::size_t(front)];
    return m_views[std::size_t(front)];
}

CImageView& CBufferedFrame::BackView(SRect** dirty) {
    int back = Back();
    if (dirty) {
        *dirty = &m_dirty[std::size_t(back)];
        m_plain[std::size_t(back)].reset();
    }
    return m_views[std::size_t(back)];
}

void CBufferedFrame::FillBack(std::uint32_t colour) {
    SRect* dirty = nullptr;
    CImageView& view = BackView(&dirty);
    view.Fill(colour);
    *dirty = colour ? view.Bounds() : SRect{0, 0, 0, 0};
    m_plain[std::size_t(Back())] = colour;
}

void CBufferedFrame::FillBack(std::uint32_t colour, const SRect& rect) {
    SRect* dirty = nullptr;
    BackView(&dirty).Fill(colour, rect);
    *dirty = Union(*dirty, Intersect(rect, BackView().Bounds()));
}
