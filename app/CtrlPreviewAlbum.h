#pragma once

#include "app/CtrlPreview.h"
#include "audio/AudioPlay2.h"
#include "audio/SoundDevice.h"

#include <memory>
#include <string>

class CAlbum;
class CAlbumAudioSrc;
class CAlbumDirector;
class IAssetLoader;

// The preview of an album: an album director following the audio clock, at
// the window's size, with captions, and the album's sound track played
// through the sound device. Without a sound device (or with the dummy driver)
// it plays silently and the clock steps by itself.
class CCtrlPreviewAlbum final : public CCtrlPreview {
    Q_OBJECT

public:
    explicit CCtrlPreviewAlbum(QWidget* parent = nullptr);
    ~CCtrlPreviewAlbum() override;

    // Shows an album (not owned, nor the asset loader; both must outlive the
    // preview or the next SetAlbum), stopped at frame 0. Shows the wait cursor
    // meanwhile.
    void SetAlbum(CAlbum* album, IAssetLoader* assets);
    // A new file for a picture or the background of a slide; redraws when the
    // director took it. 0 for a slide or item that does not exist.
    int ReplacePicture(int slideIndex, int itemIndex, const std::string& path);
    int SetBackgroundPicture(int slideIndex, const std::string& path);

    // Builds the sound track on the first Play after SetAlbum.
    void Play() override;
    const CImageView* GetCurrentBitmap(bool renderNow) override;
    [[nodiscard]] QSize GetRenderSize() const override;
    void Rebuild(QSize size) override;

    // The first frame that shows the first slide whole (the end of the
    // album's opening transition); 0 without an album.
    [[nodiscard]] int IdleFrame() const;
    // The album's length in seconds.
    [[nodiscard]] double GetDuration() const { return m_duration; }
    // Whether the sound track plays through a device.
    [[nodiscard]] bool HasSound() const { return m_player.IsOpen(); }
    // The director (null before the first SetAlbum), for tests and benchmarks.
    [[nodiscard]] const CAlbumDirector* Director() const { return m_director.get(); }

private:
    // A director for the size, loaded with the album; under the render lock.
    void MakeDirector(QSize size);
    void CloseSound();

    CSoundDevice m_device;
    CAudioPlay2 m_player{m_device};
    std::unique_ptr<CAlbumDirector> m_director;
    std::unique_ptr<CAlbumAudioSrc> m_audio;
    CAlbum* m_album = nullptr;
    IAssetLoader* m_assets = nullptr;
    double m_duration = 0;
    bool m_rebuildSound = true;
};
