#include "app/DlgRenderVid.h"

#include "app/DlgRenderVidOut.h"
#include "app/UserPrompts.h"
#include "audio/AudioSrc.h"
#include "encode/EncodeEngine.h"
#include "encode/Encoder.h"
#include "encode/VideoSrc.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr int kJobMessage = 1;
constexpr int kPollInterval = 40; // ms between looks at the job's notices

} // namespace

CDlgRenderVid::CDlgRenderVid(QSize size, QWidget* parent) : CDlgWizard(size, parent) {
    m_progress = new QProgressBar(ButtonRow());
    m_progress->setRange(0, 100);
    m_progress->hide();
    if (auto* row = qobject_cast<QHBoxLayout*>(ButtonRow()->layout()))
        row->insertWidget(0, m_progress, 3);
    m_poll.setInterval(kPollInterval);
    connect(&m_poll, &QTimer::timeout, this, &CDlgRenderVid::PollJob);
}

CDlgRenderVid::~CDlgRenderVid() {
    // The job borrows the engine and the sources: end it before they go.
    StopJob();
    m_job.reset();
    CloseAudio();
}

void CDlgRenderVid::StopJob() {
    if (!m_job)
        return;
    m_job->Cancel();
    m_job->Join();
}

void CDlgRenderVid::SetVideoSource(std::unique_ptr<IVideoSrc> video) { m_video = std::move(video); }

void CDlgRenderVid::SetAudioSource(std::unique_ptr<IAudioSrc> audio) {
    CloseAudio();
    m_audio = std::move(audio);
}

void CDlgRenderVid::Start() {
    if (!m_video || m_busy)
        return;
    if (m_outputPath.empty()) {
        CUserPrompts::Current().Message(this, QMessageBox::Warning, windowTitle(),
                                        tr("Please enter the name of the video file to create."),
                                        QMessageBox::Ok);
        return;
    }
    // The previous job borrowed the previous engine.
    m_job.reset();
    m_engine.reset();
    std::string why;
    if (m_factory)
        m_engine = m_factory(m_video.get(), m_audio.get(), m_outputPath, &why);
    else if (m_outputPage)
        m_engine = m_outputPage->CreateEngine(m_video.get(), m_audio.get(), m_outputPath, &why);
    if (!m_engine) {
        // A cancelled codec choice says nothing; a refused format says why.
        if (!why.empty())
            CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                            tr("The video cannot be created:\n%1")
                                                .arg(QString::fromStdString(why)),
                                            QMessageBox::Ok);
        return;
    }
    if (m_outputPage && !m_outputPage->Confirm())
        return;
    m_job = std::make_unique<CEncoder>(*m_engine);
    IAudioSrc* audio = nullptr;
    if (m_audio && m_audio->Open()) {
        audio = m_audio.get();
        m_audioOpen = true;
    }
    SetBusy(true);
    if (!m_job->Begin(m_video.get(), audio, m_outputPath, &m_notices, kJobMessage)) {
        CloseAudio();
        SetBusy(false);
        CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                        tr("The encode cannot be started."), QMessageBox::Ok);
        return;
    }
    m_poll.start();
}

void CDlgRenderVid::SetBusy(bool busy) {
    m_busy = busy;
    if (m_outputPage)
        m_outputPage->EnableControls(!busy);
    BackButton()->setEnabled(!busy);
    FinishButton()->setEnabled(!busy);
    CancelButton()->setEnabled(true);
    if (busy)
        m_progress->setValue(0);
    m_progress->setVisible(busy);
}

void CDlgRenderVid::OnComplete(const std::string& /*path*/) { done(QDialog::Accepted); }

void CDlgRenderVid::OnFinish() { Start(); }

void CDlgRenderVid::OnCancel() {
    if (!m_busy) {
        CDlgWizard::OnCancel();
        return;
    }
    // The engine sees the request at its next progress report; until the
    // job answers, a second press has nothing to do.
    if (m_job)
        m_job->Cancel();
    CancelButton()->setEnabled(false);
}

// Closing the window while busy ends the encode first, without questions.
void CDlgRenderVid::closeEvent(QCloseEvent* event) {
    if (m_busy && m_job) {
        m_closeWhenIdle = true;
        StopJob();
        PollJob();
        event->accept();
        return;
    }
    CDlgWizard::closeEvent(event);
}

void CDlgRenderVid::PollJob() {
    SJobNotice notice;
    while (m_notices.TryPop(notice))
        OnJobNotice(notice);
}

void CDlgRenderVid::CloseAudio() {
    if (m_audio && m_audioOpen)
        m_audio->Close();
    m_audioOpen = false;
}

void CDlgRenderVid::OnJobNotice(const SJobNotice& notice) {
    switch (notice.kind) {
    case SJobNotice::kProgress:
        m_progress->setValue(notice.value);
        return;
    case SJobNotice::kStatus:
        return;
    default:
        break;
    }
    // One of the three final notices: the job is idle again.
    m_poll.stop();
    CloseAudio();
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        SetBusy(false);
        done(QDialog::Rejected);
        return;
    }
    if (notice.kind == SJobNotice::kDone) {
        m_progress->setValue(100);
        SetBusy(false);
        OnComplete(m_outputPath);
        return;
    }
    SetBusy(false);
    if (notice.kind == SJobNotice::kCancelled) {
        CUserPrompts::Current().Message(this, QMessageBox::Information, tr("Encoding Cancelled"),
                                        tr("Video generation cancelled"), QMessageBox::Ok);
        return;
    }
    QString why = QString::fromStdString(notice.text);
    if (why.isEmpty())
        why = tr("the encoder gave no reason.");
    // The message names the file even when the encoder's reason does not.
    if (!why.contains(QString::fromStdString(m_outputPath)))
        why += QStringLiteral("\n\n") + QString::fromStdString(m_outputPath);
    CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                    tr("Video generation failed: %1").arg(why), QMessageBox::Ok);
}
