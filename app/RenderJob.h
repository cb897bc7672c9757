#pragma once

#include "encode/NoticeQueue.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class CAlbum;
class CEncoder;
class CProjTmpl;
class IAudioSrc;
class IEncodeEngine;
class IVideoSrc;

// One render of the template's album into a video file: the album with the
// user's pictures in it, its frame source and sound track, the engine and
// the encode on a worker thread. The job belongs to the GUI thread: it looks
// at the worker's notices on a timer there and tells what it saw through
// its signals, so nothing waits on the encode.
class CRenderJob final : public QObject {
    Q_OBJECT
public:
    // Makes an engine for the sources and path (the Settings tab's formats,
    // or a test's engine); null ends the start without a message unless
    // error says why.
    using EngineFactory = std::function<std::unique_ptr<IEncodeEngine>(
        IVideoSrc* video, IAudioSrc* audio, const std::string& path, std::string* error)>;
    enum class EEnd { kDone, kCancelled, kFailed };
    Q_ENUM(EEnd)

    explicit CRenderJob(QObject* parent = nullptr);
    // Cancels a running encode and waits for it; no signal comes after.
    ~CRenderJob() override;

    // Builds a new album from the template (not owned) with its current
    // replacements, the frame source over it and its sound track (none when
    // the album is silent). What an earlier render made goes first. Not
    // while running.
    void Prepare(CProjTmpl& tmpl);
    [[nodiscard]] IVideoSrc* Video() const { return m_video.get(); }
    [[nodiscard]] IAudioSrc* Audio() const { return m_audio.get(); }

    // Starts the encode of the prepared sources with the engine (the job
    // keeps it) into path; the sound track, when there is one and it opens,
    // goes along. False when it cannot start: nothing runs then and no
    // signal comes.
    bool Begin(std::unique_ptr<IEncodeEngine> engine, const std::string& path);
    // Asks the engine to stop at its next progress report; Ended follows.
    void Cancel();
    // Cancels and waits for the worker; its last notice is then waiting for
    // Poll.
    void Stop();
    // Tells now what the worker reported since the last look.
    void Poll();

    [[nodiscard]] bool IsRunning() const { return m_poll.isActive(); }
    [[nodiscard]] const std::string& OutputPath() const { return m_outputPath; }
    // The video's frames, as the source counted them when the encode began.
    [[nodiscard]] unsigned int FrameCount() const { return m_frameCount; }

signals:
    // The percentage done, rising.
    void Progress(int percent);
    // The encode is over; reason is the engine's text for a failure (may
    // be empty). The job is idle again and its sound track closed.
    void Ended(CRenderJob::EEnd end, const QString& reason);

private:
    void OnNotice(const SJobNotice& notice);
    // The encode, the engine, the sources and the album, in that order: each
    // borrows what follows it.
    void Release();

    std::unique_ptr<CAlbum> m_album;
    std::unique_ptr<IVideoSrc> m_video;
    std::unique_ptr<IAudioSrc> m_audio;
    std::unique_ptr<IEncodeEngine> m_engine;
    std::unique_ptr<CEncoder> m_encoder;
    std::string m_outputPath;
    unsigned int m_frameCount = 0;
    CNoticeQueue m_notices;
    QTimer m_poll;
};
