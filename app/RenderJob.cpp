#include "app/RenderJob.h"

#include "audio/AlbumAudioSrc.h"
#include "encode/AlbumFrameSrc.h"
#include "encode/EncodeEngine.h"
#include "encode/Encoder.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"
#include "render/Overlay.h"

namespace {

constexpr int kPollInterval = 40; // ms between looks at the worker's notices

} // namespace

CRenderJob::CRenderJob(QObject* parent) : QObject(parent) {
    m_poll.setInterval(kPollInterval);
    connect(&m_poll, &QTimer::timeout, this, &CRenderJob::Poll);
}

CRenderJob::~CRenderJob() {
    Stop();
    Release();
}

void CRenderJob::Release() {
    m_encoder.reset();
    m_engine.reset();
    m_audio.reset();
    m_video.reset();
    m_album.reset();
}

void CRenderJob::Prepare(CProjTmpl& tmpl) {
    if (IsRunning())
        return;
    Release();
    m_album = std::make_unique<CAlbum>();
    tmpl.ApplyTo(*m_album, true);
    auto video = std::make_unique<CAlbumFrameSrc>(true);
    video->SetAlbum(m_album.get(), &tmpl);
    video->SetOverlay(OverlayFromSettings());
    m_video = std::move(video);
    auto track = std::make_unique<CAlbumAudioSrc>();
    track->Build(*m_album);
    if (track->GetLength() != 0)
        m_audio = std::move(track);
}

bool CRenderJob::Begin(std::unique_ptr<IEncodeEngine> engine, const std::string& path) {
    if (!m_video || !engine || IsRunning())
        return false;
    // The previous encode borrowed the previous engine.
    m_encoder.reset();
    m_engine = std::move(engine);
    m_encoder = std::make_unique<CEncoder>(*m_engine);
    m_outputPath = path;
    m_frameCount = m_video->GetFrameCount();
    // The worker opens the sound: decoding long music would hold the window.
    if (!m_encoder->Begin(m_video.get(), m_audio.get(), m_outputPath, &m_notices, true))
        return false;
    m_poll.start();
    return true;
}

void CRenderJob::Cancel() {
    if (m_encoder)
        m_encoder->Cancel();
}

void CRenderJob::Stop() {
    if (!m_encoder)
        return;
    m_encoder->Cancel();
    m_encoder->Join();
}

void CRenderJob::Poll() {
    SJobNotice notice;
    while (m_notices.TryPop(notice))
        OnNotice(notice);
}

void CRenderJob::OnNotice(const SJobNotice& notice) {
    switch (notice.kind) {
    case SJobNotice::kProgress:
        emit Progress(notice.value);
        return;
    case SJobNotice::kStatus:
        return;
    default:
        break;
    }
    // One of the three final notices: the worker is idle again.
    m_poll.stop();
    const EEnd end = notice.kind == SJobNotice::kDone        ? EEnd::kDone
                     : notice.kind == SJobNotice::kCancelled ? EEnd::kCancelled
                                                             : EEnd::kFailed;
    emit Ended(end, QString::fromStdString(notice.text));
}
