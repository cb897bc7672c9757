#include "app/DlgTmplMainDir.h"

#include "app/UserPrompts.h"
#include "base/Folders.h"
#include "media/MediaFacts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDlgTmplMainDir::CDlgTmplMainDir(QWidget* parent) : QWidget(parent) {
    m_label = new QLabel(tr("Save created video to") + QStringLiteral(":"), this);
    m_path = new QLineEdit(this);
    m_browse = new QPushButton(QStringLiteral("..."), this);
    connect(m_browse, &QPushButton::clicked, this, &CDlgTmplMainDir::OnBrowse);
}

std::string CDlgTmplMainDir::JoinPath(const std::string& folder, const std::string& name) {
    if (name.empty())
        return {};
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string CDlgTmplMainDir::WithExtension(const std::string& path, const std::string& extension) {
    return CMediaFacts::ExtensionIn(path, extension) ? path : path + "." + extension;
}

void CDlgTmplMainDir::SetBaseName(const std::string& name) {
    m_baseName = name;
    // The folder is used whether it exists or not: the user sees the path
    // and the encode reports a folder that is missing.
    std::string folder;
    GetUserFolder(kFolderDocuments, folder, true);
    SetPath(JoinPath(folder, name.empty() ? name : name + "." + m_extension));
}

std::string CDlgTmplMainDir::GetPath() const { return m_path->text().toStdString(); }

void CDlgTmplMainDir::SetPath(const std::string& path) { m_path->setText(QString::fromStdString(path)); }

void CDlgTmplMainDir::OnBrowse() {
    const QString pattern = QStringLiteral("(*.") + QString::fromStdString(m_extension) + ")";
    const QString chosen = CUserPrompts::Current().SaveFile(this, QString(), pattern);
    if (chosen.isEmpty())
        return;
    SetPath(WithExtension(chosen.toStdString(), m_extension));
}

void CDlgTmplMainDir::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width();
    m_label->setGeometry(20, 20, w - 40, 20);
    m_path->setGeometry(20, 44, w - 80, 24);
    m_browse->setGeometry(w - 52, 43, 32, 26);
}
