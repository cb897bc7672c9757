#pragma once

#include "app/DlgWizard.h"
#include "encode/NoticeQueue.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class CDlgRenderVidOut;
class CEncoder;
class IAudioSrc;
class IEncodeEngine;
class IVideoSrc;
class QProgressBar;

// The render dialog: a wizard sheet that encodes a video source (and an
// audio source, when there is sound) into the output page's file on a worker
// thread, with a progress bar, and Cancel stopping the encode. While busy
// the page and Finish are off; closing the window then cancels the encode
// and waits for it, leaving the partial file as the engine closed it.
class CDlgRenderVid : public CDlgWizard {
    Q_OBJECT
public:
    // Makes an engine for the sources and path (tests stand in for the
    // output page's formats); null ends the start without a message unless
    // error says why.
    using EngineFactory = std::function<std::unique_ptr<IEncodeEngine>(
        IVideoSrc* video, IAudioSrc* audio, const std::string& path, std::string* error)>;

    explicit CDlgRenderVid(QSize size, QWidget* parent = nullptr);
    ~CDlgRenderVid() override;

    void SetEngineFactory(EngineFactory factory) { m_factory = std::move(factory); }

    [[nodiscard]] bool IsBusy() const { return m_busy; }
    [[nodiscard]] QProgressBar* ProgressBar() const { return m_progress; }
    [[nodiscard]] const std::string& GetOutputPath() const { return m_outputPath; }

protected:
    // The page holding the output path and formats (set by the subclass).
    void SetOutputPage(CDlgRenderVidOut* page) { m_outputPage = page; }
    [[nodiscard]] CDlgRenderVidOut* OutputPage() const { return m_outputPage; }
    // The sources of the next encode (the dialog owns them).
    void SetVideoSource(std::unique_ptr<IVideoSrc> video);
    void SetAudioSource(std::unique_ptr<IAudioSrc> audio);
    void SetOutputPath(const std::string& path) { m_outputPath = path; }

    // Checks the path, makes the engine and starts the encode.
    void Start();
    // Cancels a running encode and waits for its worker; afterwards the
    // sources may go.
    void StopJob();
    // The busy state on or off: the output page, Back and Finish follow it;
    // the progress bar shows only while busy.
    virtual void SetBusy(bool busy);
    // The encode finished: the base closes the dialog with the finish code.
    virtual void OnComplete(const std::string& path);

    void OnFinish() override;
    void OnCancel() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void PollJob();
    void OnJobNotice(const SJobNotice& notice);
    // The audio source after a final notice.
    void CloseAudio();
    // The percentage with the speed and the time left, once they are known.
    void ShowSpeed(int percent);

    CDlgRenderVidOut* m_outputPage = nullptr;
    std::unique_ptr<IVideoSrc> m_video;
    std::unique_ptr<IAudioSrc> m_audio;
    bool m_audioOpen = false;
    std::unique_ptr<IEncodeEngine> m_engine;
    std::unique_ptr<CEncoder> m_job;
    std::string m_outputPath;
    EngineFactory m_factory;
    bool m_busy = false;
    QElapsedTimer m_started; // since the encode began: speed and time left
    bool m_closeWhenIdle = false;
    QProgressBar* m_progress;
    CNoticeQueue m_notices;
    QTimer m_poll;
};
