#include "app/DlgRenderVid.h"

#include "app/DlgRenderVidOut.h"
#include "app/UserPrompts.h"
#include "base/Folders.h"
#include "audio/AudioSrc.h"
#include "encode/EncodeEngine.h"
#include "encode/Encoder.h"
#include "encode/VideoSrc.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>
#include <unistd.h>

namespace {

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
    // Where the video goes is checked before anything else is asked: a
    // folder that is missing or not writable, and a file that would be
    // replaced.
    const std::filesystem::path output(m_outputPath);
    const std::string folder =
        output.has_parent_path() ? output.parent_path().string() : std::string(".");
    if (!FolderExists(folder) || access(folder.c_str(), W_OK | X_OK) != 0) {
        CUserPrompts::Current().Message(
            this, QMessageBox::Warning, windowTitle(),
            (FolderExists(folder) ? tr("The folder %1 cannot be written to.")
                                  : tr("The folder %1 does not exist."))
                    .arg(QString::fromStdString(folder)) +
                QStringLiteral("\n") + tr("Please choose another place for the video."),
            QMessageBox::Ok);
        return;
    }
    if (std::filesystem::exists(output) &&
        CUserPrompts::Current().Message(
            this, QMessageBox::Question, windowTitle(),
            tr("%1 already exists.\nDo you want to replace it?")
                .arg(QString::fromStdString(m_outputPath)),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
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
    if (!m_job->Begin(m_video.get(), audio, m_outputPath, &m_notices)) {
        CloseAudio();
        SetBusy(false);
        CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                        tr("The encode cannot be started."), QMessageBox::Ok);
        return;
    }
    m_poll.start();
}

// "42 % · 31 frames/s · 1:05 left" once a few percent are done.
void CDlgRenderVid::ShowSpeed(int percent) {
    const double seconds = m_started.isValid() ? m_started.elapsed() / 1000.0 : 0;
    const double frames = m_video ? double(m_video->GetFrameCount()) * percent / 100.0 : 0;
    if (percent < 2 || seconds < 1 || percent >= 100) {
        m_progress->setFormat(QStringLiteral("%p%"));
        return;
    }
    const int left = int(seconds * (100 - percent) / percent + 0.5);
    m_progress->setFormat(tr("%p% · %1 frames/s · %2:%3 left")
                              .arg(frames / seconds, 0, 'f', 0)
                              .arg(left / 60)
                              .arg(left % 60, 2, 10, QLatin1Char('0')));
}

void CDlgRenderVid::SetBusy(bool busy) {
    m_busy = busy;
    // The window stays usable (Cancel), so the cursor says busy, not wait.
    if (busy) {
        setCursor(Qt::BusyCursor);
        m_started.start();
        m_progress->setFormat(QStringLiteral("%p%"));
    } else {
        unsetCursor();
        m_started.invalidate();
    }
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

// Closing the window while busy asks first, then ends the encode (which
// keeps what it made, as Cancel does).
void CDlgRenderVid::closeEvent(QCloseEvent* event) {
    if (m_busy && m_job) {
        if (CUserPrompts::Current().Message(
                this, QMessageBox::Question, windowTitle(),
                tr("The video is still being created.\nStop it and close the window?"),
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
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
        ShowSpeed(notice.value);
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
        // What was encoded took the output's name; it plays up to the cancel.
        const QString kept =
            std::filesystem::exists(m_outputPath)
                ? tr("What was made until then is kept in %1; it plays up to where it stopped.")
                      .arg(QString::fromStdString(m_outputPath))
                : QString();
        const QString text = tr("Video generation cancelled") +
                             (kept.isEmpty() ? QString() : QStringLiteral(".\n") + kept);
        CUserPrompts::Current().Message(this, QMessageBox::Information, tr("Encoding Cancelled"),
                                        text, QMessageBox::Ok);
        return;
    }
    QString why = QString::fromStdString(notice.text);
    if (why.isEmpty())
        why = tr("the encoder gave no reason.");
    // The message names the file even when the encoder's reason does not.
    if (!why.contains(QString::fromStdString(m_outputPath)))
        why += QStringLiteral("\n\n") + QString::fromStdString(m_outputPath);
    // A failed encode leaves no unusable part behind (a file that was at the
    // path before stays as it was).
    CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                    tr("Video generation failed: %1").arg(why) +
                                        QStringLiteral("\n\n") +
                                        tr("The unfinished video was removed."),
                                    QMessageBox::Ok);
}
