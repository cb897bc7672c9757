#include "encode/AlbumFrameSrc.h"

#include <cstdint>
#include <cstring>

CAlbumFrameSrc::CAlbumFrameSrc(bool withCaptions, CEffectMgr* effects)
    : m_withCaptions(withCaptions), m_effects(effects) {}

CAlbumFrameSrc::~CAlbumFrameSrc() { m_director.reset(); }

bool CAlbumFrameSrc::Load() {
    if (!m_director->LoadAlbum(m_album, m_assets))
        return false;
    m_clock.SetFrameCount(m_director->GetFrameCount());
    m_clock.SetFrame(0, 1);
    return true;
}

bool CAlbumFrameSrc::SetAlbum(CAlbum* album, IAssetLoader* assets) {
    m_album = album;
    m_assets = assets;
    return !m_director || Load();
}

int CAlbumFrameSrc::SetOutputFormat(const int size[2], double pixelAspect, double frameRate,
                                    int /*reserved*/, const SRect* outputRect) {
    m_director.reset();
    m_clock.SetFrameCount(0);
    if (!size || size[0] <= 0 || size[1] <= 0 || !(frameRate > 0))
        return 0;
    m_width = size[0];
    m_height = size[1];
    m_pixelAspect = pixelAspect;
    m_clock.SetFrameRate(frameRate);
    // The album in part of the frame: the director draws it at that size
    // (captions and overlay placed within it too) and each frame gets bars.
    const SRect whole{0, 0, m_width, m_height};
    m_albumRect = outputRect ? Intersect(*outputRect, whole) : whole;
    if (IsEmpty(m_albumRect))
        m_albumRect = whole;
    m_barred.clear();
    const int albumWidth = m_albumRect.right - m_albumRect.left;
    const int albumHeight = m_albumRect.bottom - m_albumRect.top;
    if (albumWidth != m_width || albumHeight != m_height) {
        m_barred.resize(std::size_t(m_width) * std::size_t(m_height) * 4);
        for (std::size_t i = 3; i < m_barred.size(); i += 4)
            m_barred[i] = 255; // opaque black
    }
    m_director = std::make_unique<CAlbumDirector>(CAlbumDirector::SSize{albumWidth, albumHeight},
                                                  pixelAspect, m_clock, m_withCaptions, nullptr,
                                                  m_effects);
    m_director->SetOverlay(m_overlay);
    return m_album && Load() ? 1 : 0;
}

void CAlbumFrameSrc::GetFrameSize(int* width, int* height) {
    if (width)
        *width = m_width;
    if (height)
        *height = m_height;
}

unsigned int CAlbumFrameSrc::GetFrameCount() { return unsigned(m_clock.GetFrameCount()); }

const std::uint8_t* CAlbumFrameSrc::GetFrame(int frame, int* stride) {
    if (!m_director || frame < 0 || frame >= m_clock.GetFrameCount())
        return nullptr;
    m_clock.SetFrame(frame, 1);
    const CImageView* view = m_director->RenderCurrent(true);
    if (!view)
        return nullptr;
    if (!m_barred.empty()) {
        // Bottom-up like the director's frames: memory row 0 is the bottom.
        const std::size_t rowBytes = std::size_t(m_width) * 4;
        for (int y = 0; y < view->Height(); ++y) {
            const std::size_t row = std::size_t(m_height - 1 - m_albumRect.top - y);
            std::memcpy(m_barred.data() + row * rowBytes + std::size_t(m_albumRect.left) * 4,
                        view->Row(y), std::size_t(view->Width()) * 4);
        }
        if (stride)
            *stride = -int(rowBytes);
        return m_barred.data();
    }
    if (stride)
        *stride = -view->Stride();
    return view->PixelAt(view->Bounds());
}
