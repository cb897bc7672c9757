#include "app/Wizard.h"

#include "app/FolderTab.h"
#include "app/PicturesTab.h"
#include "app/SettingsTab.h"
#include "app/TemplateMemory.h"
#include "app/TemplatePage.h"
#include "app/UserPrompts.h"
#include "base/Folders.h"
#include "controls/IntEdit.h"
#include "controls/LinkLabel.h"
#include "encode/EncodeEngine.h"
#include "project/ProjTmpl.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <unistd.h>

CWizard::CWizard(const QString& title, QWidget* parent)
    : CWizardSheet(QSize(kWidth, kHeight), parent), m_title(title) {
    m_page = new CTemplatePage(this);
    AddPage(m_page);
    setWindowTitle(title);
    m_link = new CLinkLabel(tr("Create more video..."), this);
    connect(m_link, &CLinkLabel::Clicked, this, &CWizard::OnWebLink);
    m_progress = new QProgressBar(ButtonRow());
    m_progress->setRange(0, 100);
    m_progress->hide();
    if (auto* row = qobject_cast<QHBoxLayout*>(ButtonRow()->layout()))
        row->insertWidget(0, m_progress, 3);
    connect(&m_job, &CRenderJob::Progress, this, &CWizard::OnProgress);
    connect(&m_job, &CRenderJob::Ended, this, &CWizard::OnEnded);
}

// The render job ends with the wizard: cancelled and waited for.
CWizard::~CWizard() { Remember(); }

void CWizard::SetTemplate(CProjTmpl* tmpl) {
    m_tmpl = tmpl;
    m_page->SetTemplate(tmpl);
}

void CWizard::Remember() {
    if (!m_tmpl)
        return;
    CTemplateMemory::SState state;
    for (const std::string& own : m_tmpl->ListTemplatePictures(false))
        if (std::string mine = m_tmpl->GetReplacement(own); !mine.empty())
            state.replacements[own] = mine;
    state.output = m_page->FolderTab()->GetPath();
    const CSettingsTab* format = m_page->SettingsTab();
    state.standard = format->StandardList()->currentIndex();
    state.disc = format->DiscList()->currentIndex();
    state.width = format->WidthField()->Value();
    state.height = format->HeightField()->Value();
    CTemplateMemory(m_tmpl->GetPackagePath()).Save(state);
}

void CWizard::OfferRemembered() {
    if (!m_tmpl || m_offered)
        return;
    m_offered = true;
    CTemplateMemory::SState state;
    if (!CTemplateMemory(m_tmpl->GetPackagePath()).Load(state))
        return;
    if (CUserPrompts::Current().Message(
            this, QMessageBox::Question, m_title,
            tr("Last time you put %n of your pictures into this template.\nUse them again, "
               "with the same video file and format?",
               nullptr, int(state.replacements.size())),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    std::vector<std::string> missing;
    m_page->PicturesTab()->PutReplacements(state.replacements, missing);
    CSettingsTab* format = m_page->SettingsTab();
    if (state.standard >= 0 && state.standard < format->StandardList()->count())
        format->StandardList()->setCurrentIndex(state.standard);
    if (state.disc >= 0 && state.disc < format->DiscList()->count())
        format->DiscList()->setCurrentIndex(state.disc);
    if (state.width > 0 && state.height > 0 && format->WidthField()->isEnabled()) {
        format->WidthField()->SetValue(state.width);
        format->HeightField()->SetValue(state.height);
    }
    if (!state.output.empty())
        m_page->FolderTab()->SetPath(state.output);
    if (!missing.empty()) {
        QString list;
        for (const std::string& file : missing)
            list += QStringLiteral("\n") + QString::fromStdString(file);
        CUserPrompts::Current().Message(
            this, QMessageBox::Information, m_title,
            tr("These pictures are gone or can no longer be read; the template's own stay in "
               "their places:%1").arg(list),
            QMessageBox::Ok);
    }
}

void CWizard::showEvent(QShowEvent* event) {
    CWizardSheet::showEvent(event);
    // Asked once the window is on screen, so the question has it behind.
    if (!m_offered)
        QTimer::singleShot(0, this, &CWizard::OfferRemembered);
}

std::string CWizard::HelpPage() {
    // Beside the program in the build tree, in share/kelvclip once installed.
    std::string folder;
    GetAppFolder(kFolderHelp, folder);
    return folder + "index.html";
}

void CWizard::OnWebLink() {
    const std::string page = HelpPage();
    if (!std::filesystem::exists(page) ||
        !CUserPrompts::Current().OpenWithDesktop(QString::fromStdString(page)))
        CUserPrompts::Current().Message(this, QMessageBox::Warning, m_title,
                                        tr("The help page %1 cannot be opened.")
                                            .arg(QString::fromStdString(page)),
                                        QMessageBox::Ok);
}

std::vector<std::pair<std::string, std::string>> CWizard::UnreadableReplacements() const {
    std::vector<std::pair<std::string, std::string>> unreadable;
    if (!m_tmpl)
        return unreadable;
    for (const std::string& own : m_tmpl->ListTemplatePictures(false)) {
        const std::string replacement = m_tmpl->GetReplacement(own);
        std::string why;
        if (!replacement.empty() && !CPicturesTab::Usable(replacement, why))
            unreadable.emplace_back(replacement, why);
    }
    return unreadable;
}

void CWizard::OnFinish() {
    if (!m_tmpl || m_busy)
        return;
    // A picture of the user's that cannot be read would show as nothing.
    const auto unreadable = UnreadableReplacements();
    if (!unreadable.empty()) {
        QString list;
        for (const auto& [file, why] : unreadable)
            list += QStringLiteral("\n%1: %2").arg(QString::fromStdString(file),
                                                   QString::fromStdString(why));
        CUserPrompts::Current().Message(
            this, QMessageBox::Critical, m_title,
            tr("These pictures cannot be read. Replace them with other pictures, or use "
               "Un-Replace:%1").arg(list),
            QMessageBox::Ok);
        return;
    }
    m_job.Prepare(*m_tmpl);
    const std::string path = m_page->FolderTab()->GetPath();
    Remember();
    Start(path);
}

void CWizard::Start(const std::string& path) {
    if (!m_job.Video() || m_busy)
        return;
    if (path.empty()) {
        CUserPrompts::Current().Message(this, QMessageBox::Warning, windowTitle(),
                                        tr("Please enter the name of the video file to create."),
                                        QMessageBox::Ok);
        return;
    }
    // Where the video goes is checked before anything else is asked: a
    // folder that is missing or not writable, and a file that would be
    // replaced.
    const std::filesystem::path output(path);
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
            tr("%1 already exists.\nDo you want to replace it?").arg(QString::fromStdString(path)),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    std::string why;
    std::unique_ptr<IEncodeEngine> engine =
        m_factory ? m_factory(m_job.Video(), m_job.Audio(), path, &why)
                  : m_page->SettingsTab()->CreateEngine(m_job.Video(), m_job.Audio(), path, &why);
    if (!engine) {
        // A cancelled codec choice says nothing; a refused format says why.
        if (!why.empty())
            CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                            tr("The video cannot be created:\n%1")
                                                .arg(QString::fromStdString(why)),
                                            QMessageBox::Ok);
        return;
    }
    SetBusy(true);
    if (!m_job.Begin(std::move(engine), path)) {
        SetBusy(false);
        CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                        tr("The encode cannot be started."), QMessageBox::Ok);
    }
}

// "42 % · 31 frames/s · 1:05 left" once a few percent are done.
void CWizard::ShowSpeed(int percent) {
    const double seconds = m_started.isValid() ? m_started.elapsed() / 1000.0 : 0;
    const double frames = double(m_job.FrameCount()) * percent / 100.0;
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

void CWizard::SetBusy(bool busy) {
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
    m_page->EnableControls(!busy);
    BackButton()->setEnabled(!busy);
    FinishButton()->setEnabled(!busy);
    CancelButton()->setEnabled(true);
    if (busy)
        m_progress->setValue(0);
    m_progress->setVisible(busy);
    m_link->setVisible(!busy);
}

void CWizard::OnCancel() {
    if (!m_busy) {
        CWizardSheet::OnCancel();
        return;
    }
    // The engine sees the request at its next progress report; until the
    // job answers, a second press has nothing to do.
    m_job.Cancel();
    CancelButton()->setEnabled(false);
}

// Closing the window while busy asks first, then ends the render (which
// keeps what it made, as Cancel does).
void CWizard::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        if (CUserPrompts::Current().Message(
                this, QMessageBox::Question, windowTitle(),
                tr("The video is still being created.\nStop it and close the window?"),
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        m_closeWhenIdle = true;
        m_job.Stop();
        m_job.Poll();
        event->accept();
        return;
    }
    CWizardSheet::closeEvent(event);
}

void CWizard::OnProgress(int percent) {
    m_progress->setValue(percent);
    ShowSpeed(percent);
}

void CWizard::OnEnded(CRenderJob::EEnd end, const QString& reason) {
    const std::string& path = m_job.OutputPath();
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        SetBusy(false);
        done(QDialog::Rejected);
        return;
    }
    if (end == CRenderJob::EEnd::kDone) {
        m_progress->setValue(100);
        SetBusy(false);
        OnComplete(path);
        return;
    }
    SetBusy(false);
    if (end == CRenderJob::EEnd::kCancelled) {
        // What was encoded took the output's name; it plays up to the cancel.
        const QString kept =
            std::filesystem::exists(path)
                ? tr("What was made until then is kept in %1; it plays up to where it stopped.")
                      .arg(QString::fromStdString(path))
                : QString();
        const QString text = tr("Video generation cancelled") +
                             (kept.isEmpty() ? QString() : QStringLiteral(".\n") + kept);
        CUserPrompts::Current().Message(this, QMessageBox::Information, tr("Encoding Cancelled"),
                                        text, QMessageBox::Ok);
        return;
    }
    QString why = reason;
    if (why.isEmpty())
        why = tr("the encoder gave no reason.");
    // The message names the file even when the encoder's reason does not.
    if (!why.contains(QString::fromStdString(path)))
        why += QStringLiteral("\n\n") + QString::fromStdString(path);
    // A failed encode leaves no unusable part behind (a file that was at the
    // path before stays as it was).
    CUserPrompts::Current().Message(this, QMessageBox::Critical, tr("Encoding Failed"),
                                    tr("Video generation failed: %1").arg(why) +
                                        QStringLiteral("\n\n") +
                                        tr("The unfinished video was removed."),
                                    QMessageBox::Ok);
}

void CWizard::OnComplete(const std::string& path) {
    const auto answer = CUserPrompts::Current().Message(
        this, QMessageBox::Question, tr("Success"),
        tr("The video file has been created successfully.\nLaunch the video?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        CUserPrompts::Current().OpenWithDesktop(QString::fromStdString(path));
    done(QDialog::Accepted);
}

void CWizard::resizeEvent(QResizeEvent* event) {
    CWizardSheet::resizeEvent(event);
    m_link->move(10, height() - 30);
    m_link->raise();
}
