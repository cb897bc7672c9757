#include "encode/AlbumFrameSrc.h"

#include <cstdint>

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
    m_director = std::make_unique<CAlbumDirector>(CAlbumDirector::SSize{m_width, m_height},
                                                  pixelAspect, m_clock, m_withCaptions,
                                                  outputRect, m_effects);
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
    if (stride)
        *stride = -view->Stride();
    return view->PixelAt(view->Bounds());
}
