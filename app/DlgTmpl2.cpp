#include "app/DlgTmpl2.h"

#include "app/DlgTmplMain.h"
#include "app/DlgTmplMainDir.h"
#include "app/UserPrompts.h"
#include "audio/AlbumAudioSrc.h"
#include "base/Folders.h"
#include "controls/LinkLabel.h"
#include "encode/AlbumFrameSrc.h"
#include "media/AnyPicDecoder.h"
#include "media/Bmp.h"
#include "media/TextException.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"

#include <QPushButton>

#include <filesystem>

namespace {

// Whether a picture file decodes; why says why not. A small draft decode
// reads the whole file through the decoder without the cost of full size.
bool Readable(const std::string& path, std::string& why) {
    try {
        PLAnyPicDecoder decoder;
        decoder.SetRequestedSize(64, 64);
        decoder.SetDraft(true);
        PLAnyBmp bmp;
        decoder.DecodeFile(path, &bmp, 32);
        return true;
    } catch (const PLTextException& e) {
        why = e.what();
    } catch (const std::bad_alloc&) {
        why = "out of memory";
    }
    return false;
}

} // namespace

CDlgTmpl2::CDlgTmpl2(const QString& title, QWidget* parent) : CDlgTmpl(parent), m_title(title) {
    setWindowTitle(title);
    m_link = new CLinkLabel(tr("Create more video..."), this);
    connect(m_link, &CLinkLabel::Clicked, this, &CDlgTmpl2::OnWebLink);
}

CDlgTmpl2::~CDlgTmpl2() {
    // The sources read the album, which goes first.
    StopJob();
    SetVideoSource(nullptr);
    SetAudioSource(nullptr);
}

std::string CDlgTmpl2::HelpPage() { return GetProgramFolder() + "help/index.html"; }

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
        if (!replacement.empty() && !Readable(replacement, why))
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
    SetVideoSource(std::move(video));
    auto track = std::make_unique<CAlbumAudioSrc>(44100, 2, 16);
    if (track->Build(*m_album) && track->GetLength() != 0)
        SetAudioSource(std::move(track));
    SetOutputPath(MainPage()->FolderTab()->GetPath());
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
