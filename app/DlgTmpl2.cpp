#include "app/DlgTmpl2.h"

#include "app/DlgRenderMpgAvi.h"
#include "app/DlgTmplMain.h"
#include "app/DlgTmplMainDir.h"
#include "app/DlgTmplMainPic.h"
#include "app/TemplateMemory.h"
#include "app/UserPrompts.h"
#include "audio/AlbumAudioSrc.h"
#include "base/Folders.h"
#include "controls/IntEdit.h"
#include "controls/LinkLabel.h"
#include "encode/AlbumFrameSrc.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"
#include "render/Overlay.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

CDlgTmpl2::CDlgTmpl2(const QString& title, QWidget* parent) : CDlgTmpl(parent), m_title(title) {
    setWindowTitle(title);
    m_link = new CLinkLabel(tr("Create more video..."), this);
    connect(m_link, &CLinkLabel::Clicked, this, &CDlgTmpl2::OnWebLink);
}

CDlgTmpl2::~CDlgTmpl2() {
    Remember();
    // The sources read the album, which goes first.
    StopJob();
    SetVideoSource(nullptr);
    SetAudioSource(nullptr);
}

void CDlgTmpl2::Remember() {
    if (!Template())
        return;
    CTemplateMemory::SState state;
    for (const std::string& own : Template()->ListTemplatePictures(false))
        if (std::string mine = Template()->GetReplacement(own); !mine.empty())
            state.replacements[own] = mine;
    state.output = MainPage()->FolderTab()->GetPath();
    const CDlgRenderMpgAvi* format = MainPage()->FormatPage();
    state.standard = format->StandardList()->currentIndex();
    state.disc = format->DiscList()->currentIndex();
    state.width = format->WidthField()->Value();
    state.height = format->HeightField()->Value();
    CTemplateMemory(Template()->GetPackagePath()).Save(state);
}

void CDlgTmpl2::OfferRemembered() {
    if (!Template() || m_offered)
        return;
    m_offered = true;
    CTemplateMemory::SState state;
    if (!CTemplateMemory(Template()->GetPackagePath()).Load(state))
        return;
    if (CUserPrompts::Current().Message(
            this, QMessageBox::Question, m_title,
            tr("Last time you put %n of your pictures into this template.\nUse them again, "
               "with the same video file and format?",
               nullptr, int(state.replacements.size())),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    std::vector<std::string> missing;
    MainPage()->PicturesTab()->PutReplacements(state.replacements, missing);
    CDlgRenderMpgAvi* format = MainPage()->FormatPage();
    if (state.standard >= 0 && state.standard < format->StandardList()->count())
        format->StandardList()->setCurrentIndex(state.standard);
    if (state.disc >= 0 && state.disc < format->DiscList()->count())
        format->DiscList()->setCurrentIndex(state.disc);
    if (state.width > 0 && state.height > 0 && format->WidthField()->isEnabled()) {
        format->WidthField()->SetValue(state.width);
        format->HeightField()->SetValue(state.height);
    }
    if (!state.output.empty())
        MainPage()->FolderTab()->SetPath(state.output);
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

void CDlgTmpl2::showEvent(QShowEvent* event) {
    CDlgTmpl::showEvent(event);
    // Asked once the window is on screen, so the question has it behind.
    if (!m_offered)
        QTimer::singleShot(0, this, &CDlgTmpl2::OfferRemembered);
}

std::string CDlgTmpl2::HelpPage() {
    // Beside the program in the build tree, in share/kelvclip once installed.
    std::string folder;
    GetAppFolder(kFolderHelp, folder);
    return folder + "index.html";
}

void CDlgTmpl2::OnWebLink() {
    const std::string page = HelpPage();
    if (!std::filesystem::exists(page) ||
        !CUserPrompts::Current().OpenWithDesktop(QString::fromStdString(page)))
        CUserPrompts::Current().Message(this, QMessageBox::Warning, m_title,
                                        tr("The help page %1 cannot be opened.")
                                            .arg(QString::fromStdString(page)),
                                        QMessageBox::Ok);
}

std::vector<std::pair<std::string, std::string>> CDlgTmpl2::UnreadableReplacements() const {
    std::vector<std::pair<std::string, std::string>> unreadable;
    if (!Template())
        return unreadable;
    for (const std::string& own : Template()->ListTemplatePictures(false)) {
        const std::string replacement = Template()->GetReplacement(own);
        std::string why;
        if (!replacement.empty() && !CDlgTmplMainPic::Usable(replacement, why))
            unreadable.emplace_back(replacement, why);
    }
    return unreadable;
}

void CDlgTmpl2::OnFinish() {
    if (!Template() || IsBusy())
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
    // The sources borrow the album: the previous ones go first.
    SetVideoSource(nullptr);
    SetAudioSource(nullptr);
    m_album = std::make_unique<CAlbum>();
    Template()->ApplyTo(*m_album, true);
    auto video = std::make_unique<CAlbumFrameSrc>(true);
    video->SetAlbum(m_album.get(), Template());
    video->SetOverlay(OverlayFromSettings());
    SetVideoSource(std::move(video));
    auto track = std::make_unique<CAlbumAudioSrc>();
    track->Build(*m_album);
    if (track->GetLength() != 0)
        SetAudioSource(std::move(track));
    SetOutputPath(MainPage()->FolderTab()->GetPath());
    Remember();
    Start();
}

void CDlgTmpl2::OnComplete(const std::string& path) {
    const auto answer = CUserPrompts::Current().Message(
        this, QMessageBox::Question, tr("Success"),
        tr("The video file has been created successfully.\nLaunch the video?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        CUserPrompts::Current().OpenWithDesktop(QString::fromStdString(path));
    done(QDialog::Accepted);
}

void CDlgTmpl2::SetBusy(bool busy) {
    CDlgTmpl::SetBusy(busy);
    m_link->setVisible(!busy);
}

void CDlgTmpl2::resizeEvent(QResizeEvent* event) {
    CDlgTmpl::resizeEvent(event);
    m_link->move(10, height() - 30);
    m_link->raise();
}
