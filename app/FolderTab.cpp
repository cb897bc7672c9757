#include "app/FolderTab.h"

#include "app/UserPrompts.h"
#include "base/Folders.h"
#include "encode/OutputFormat.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

CFolderTab::CFolderTab(QWidget* parent) : QWidget(parent) {
    m_label = new QLabel(tr("Save created video to") + QStringLiteral(":"), this);
    m_path = new QLineEdit(this);
    m_browse = new QPushButton(QStringLiteral("..."), this);
    m_path->setToolTip(tr("The video file to create: a name ending in .avi makes an AVI file, "
                          ".mp4, .m4v, .mov or .mkv an H.264 video for screens, any other an "
                          "MPEG video"));
    m_browse->setToolTip(tr("Choose the folder and name of the video file"));
    connect(m_browse, &QPushButton::clicked, this, &CFolderTab::OnBrowse);
    connect(m_path, &QLineEdit::editingFinished, this, [this] { emit PathChosen(GetPath()); });

    // The label 20 pixels in from the left, top and right; under it the
    // field and the browse button, 8 pixels apart, the button 20 from the
    // right edge and a pixel taller than the field on each side.
    m_label->setFixedHeight(20);
    m_path->setFixedHeight(24);
    m_browse->setFixedSize(32, 26);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(m_path, 1, Qt::AlignVCenter);
    row->addWidget(m_browse, 0, Qt::AlignVCenter);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 0);
    column->setSpacing(3);
    column->addWidget(m_label);
    column->addLayout(row);
    column->addStretch(1);
}

void CFolderTab::FitToFormat(bool screen) {
    const std::string path = GetPath();
    if (path.empty() || COutputFormat::IsMp4Path(path) == screen ||
        (!screen && COutputFormat::IsAviPath(path)))
        return;
    SetPath(std::filesystem::path(path).replace_extension(screen ? "mp4" : "mpg").string());
}

std::string CFolderTab::JoinPath(const std::string& folder, const std::string& name) {
    if (name.empty())
        return {};
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

void CFolderTab::SetBaseName(const std::string& name) {
    m_baseName = name;
    // The desktop's videos folder, else the documents folder (or the one a
    // setting remembers), else the home folder: one that exists.
    std::string folder;
    if (!GetUserFolder(kFolderVideos, folder, false) &&
        !GetUserFolder(kFolderDocuments, folder, true))
        folder = HomeFolder();
    SetPath(JoinPath(folder, name.empty() ? name : name + "." + m_extension));
}

std::string CFolderTab::GetPath() const { return m_path->text().toStdString(); }

void CFolderTab::SetPath(const std::string& path) { m_path->setText(QString::fromStdString(path)); }

// An MPEG program stream, an AVI or an MP4 file, starting at the current path.
void CFolderTab::OnBrowse() {
    const QString chosen = CUserPrompts::Current().SaveVideo(this, m_path->text());
    if (!chosen.isEmpty()) {
        SetPath(chosen.toStdString());
        emit PathChosen(GetPath());
    }
}
