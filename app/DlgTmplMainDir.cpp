#include "app/DlgTmplMainDir.h"

#include "app/UserPrompts.h"
#include "base/Folders.h"
#include "encode/OutputFormat.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

CDlgTmplMainDir::CDlgTmplMainDir(QWidget* parent) : QWidget(parent) {
    m_label = new QLabel(tr("Save created video to") + QStringLiteral(":"), this);
    m_path = new QLineEdit(this);
    m_browse = new QPushButton(QStringLiteral("..."), this);
    m_path->setToolTip(tr("The video file to create: a name ending in .avi makes an AVI file, "
                          ".mp4, .m4v, .mov or .mkv an H.264 video for screens, any other an "
                          "MPEG video"));
    m_browse->setToolTip(tr("Choose the folder and name of the video file"));
    connect(m_browse, &QPushButton::clicked, this, &CDlgTmplMainDir::OnBrowse);
    connect(m_path, &QLineEdit::editingFinished, this, [this] { emit PathChosen(GetPath()); });
}

void CDlgTmplMainDir::FitToFormat(bool screen) {
    const std::string path = GetPath();
    if (path.empty() || COutputFormat::IsMp4Path(path) == screen ||
        (!screen && COutputFormat::IsAviPath(path)))
        return;
    SetPath(std::filesystem::path(path).replace_extension(screen ? "mp4" : "mpg").string());
}

std::string CDlgTmplMainDir::JoinPath(const std::string& folder, const std::string& name) {
    if (name.empty())
        return {};
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

void CDlgTmplMainDir::SetBaseName(const std::string& name) {
    m_baseName = name;
    // The desktop's videos folder, else the documents folder (or the one a
    // setting remembers), else the home folder: one that exists.
    std::string folder;
    if (!GetUserFolder(kFolderVideos, folder, false) &&
        !GetUserFolder(kFolderDocuments, folder, true))
        folder = HomeFolder();
    SetPath(JoinPath(folder, name.empty() ? name : name + "." + m_extension));
}

std::string CDlgTmplMainDir::GetPath() const { return m_path->text().toStdString(); }

void CDlgTmplMainDir::SetPath(const std::string& path) { m_path->setText(QString::fromStdString(path)); }

// An MPEG program stream, an AVI or an MP4 file, starting at the current path.
void CDlgTmplMainDir::OnBrowse() {
    const QString chosen = CUserPrompts::Current().SaveVideo(this, m_path->text());
    if (!chosen.isEmpty()) {
        SetPath(chosen.toStdString());
        emit PathChosen(GetPath());
    }
}

void CDlgTmplMainDir::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width();
    m_label->setGeometry(20, 20, w - 40, 20);
    m_path->setGeometry(20, 44, w - 80, 24);
    m_browse->setGeometry(w - 52, 43, 32, 26);
}
