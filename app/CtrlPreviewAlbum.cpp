#include "app/CtrlPreviewAlbum.h"

#include "audio/AlbumAudioSrc.h"
#include "project/Album.h"
#include "render/AlbumDirector.h"
#include "render/Overlay.h"

#include <algorithm>
#include <QGuiApplication>

#include <cmath>

namespace {

// The sound track's format: CD quality.
constexpr int kSoundRate = 44100;
constexpr int kSoundChannels = 2;
constexpr int kSoundBits = 16;

// The wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

CCtrlPreviewAlbum::CCtrlPreviewAlbum(QWidget* parent) : CCtrlPreview(parent) {
    // The clock asks the player whether it is open before it follows it.
    MutableAudioClock().SetSound(&m_player);
}

CCtrlPreviewAlbum::~CCtrlPreviewAlbum() {
    Pause();
    CloseSound();
    MutableAudioClock().SetSound(nullptr);
    std::lock_guard lock(RenderLock());
    m_director.reset();
}

void CCtrlPreviewAlbum::CloseSound() {
    m_player.Close();
    m_audio.reset();
}

void CCtrlPreviewAlbum::MakeDirector(QSize size) {
    // Square pixels: the window shows the album at the aspect of its client
    // area, which also picks the 4:3 or 16:9 overlay picture.
    m_director = std::make_unique<CAlbumDirector>(CAlbumDirector::SSize{size.width(), size.height()},
                                                  1.0, MutableAudioClock(), true);
    // Slides load while the user seeks: draft decoding keeps a progressive
    // photo from stalling the picture for a third of a second.
    m_director->SetDraftPictures(true);
    m_director->SetOverlay(OverlayFromSettings());
}

void CCtrlPreviewAlbum::SetAlbum(CAlbum* album, IAssetLoader* assets) {
    CWaitCursor wait;
    Pause();
    // The track was built from the album being replaced, which may be gone.
    CloseSound();
    const QSize size = RenderSizeFor(this->size());
    {
        std::lock_guard lock(RenderLock());
        if (m_director && GetRenderSize() != size)
            m_director.reset();
        if (!m_director)
            MakeDirector(size);
        m_album = album;
        m_assets = assets;
        // The overlay settings may have changed since the last album.
        m_director->SetOverlay(OverlayFromSettings());
        m_director->LoadAlbum(album, assets);
    }
    m_duration = album ? album->GetAlbumDuration() : 0;
    m_rebuildSound = true;
    CTimerAudio& clock = MutableAudioClock();
    clock.SetFrameCount(int(std::lround(clock.GetFrameRate() * m_duration)));
    clock.SetFrame(0, 1);
    // The frame may have been 0 already, with another album's picture.
    Redraw(true);
}

int CCtrlPreviewAlbum::IdleFrame() const {
    if (!m_director || m_director->Timeline().Slides().empty())
        return 0;
    return std::min(m_director->Timeline().Slides().front()->startFrame,
                    std::max(0, GetFrameCount() - 1));
}

void CCtrlPreviewAlbum::Play() {
    if (m_rebuildSound && m_album && !IsPlaying()) {
        CloseSound();
        auto track = std::make_unique<CAlbumAudioSrc>(kSoundRate, kSoundChannels, kSoundBits);
        track->Build(*m_album);
        m_audio = std::move(track);
        // Without a device the player does not open and the clock steps by itself.
        if (m_audio && !m_player.Open(m_audio.get()))
            m_audio.reset();
        // The track starts where the picture stands: the clock moves the sound
        // even when the frame stays.
        CTimerAudio& clock = MutableAudioClock();
        clock.SetFrame(clock.GetCurrentFrame(), 1);
        m_rebuildSound = false;
    }
    CCtrlPreview::Play();
}

const CImageView* CCtrlPreviewAlbum::GetCurrentBitmap(bool renderNow) {
    if (!m_director)
        return nullptr;
    // A jump reloads all three slots. Asked for without waiting first, the
    // loads run side by side on the slots' loaders, and the picture then waits
    // only for the slots it shows, instead of loading all three in turn here.
    if (renderNow)
        m_director->RenderCurrent(false);
    return m_director->RenderCurrent(renderNow);
}

QSize CCtrlPreviewAlbum::GetRenderSize() const {
    if (!m_director)
        return {};
    const CAlbumDirector::SSize size = m_director->GetSize();
    return {size.width, size.height};
}

void CCtrlPreviewAlbum::Rebuild(QSize size) {
    std::lock_guard lock(RenderLock());
    m_director.reset();
    MakeDirector(RenderSizeFor(size));
    m_director->LoadAlbum(m_album, m_assets);
}

int CCtrlPreviewAlbum::ReplacePicture(int slideIndex, int itemIndex, const std::string& path) {
    int changed;
    {
        std::lock_guard lock(RenderLock());
        changed = m_director ? m_director->ReplacePicture(slideIndex, itemIndex, path) : 0;
    }
    if (changed)
        Redraw(true);
    return changed;
}

int CCtrlPreviewAlbum::SetBackgroundPicture(int slideIndex, const std::string& path) {
    int changed;
    {
        std::lock_guard lock(RenderLock());
        changed = m_director ? m_director->SetBackgroundPicture(slideIndex, path) : 0;
    }
    if (changed)
        Redraw(true);
    return changed;
}
