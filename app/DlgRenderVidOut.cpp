#include "app/DlgRenderVidOut.h"

#include "app/DlgRenderMpgAvi.h"
#include "app/UserPrompts.h"
#include "encode/EncodeEngine.h"
#include "media/MediaFacts.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDlgRenderVidOut::CDlgRenderVidOut(const QString& title, QWidget* parent)
    : CDlgWizardPage(title, parent) {
    m_pathLabel = new QLabel(tr("Output file:"), this);
    m_pathField = new QLineEdit(this);
    m_browse = new QPushButton(tr("..."), this);
    m_formatLabel = new QLabel(tr("Format:"), this);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    m_formatFrame = frame;
    m_format = new CDlgRenderMpgAvi(this);
    connect(m_browse, &QPushButton::clicked, this, &CDlgRenderVidOut::OnBrowse);
    connect(m_pathField, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_outputPath = text.toStdString(); });
}

void CDlgRenderVidOut::StoreData() { m_outputPath = m_pathField->text().toStdString(); }

void CDlgRenderVidOut::SetOutputPath(const std::string& path) {
    m_outputPath = path;
    m_pathField->setText(QString::fromStdString(path));
}

void CDlgRenderVidOut::EnableControls(bool enable) {
    for (QWidget* w : {static_cast<QWidget*>(m_pathLabel), static_cast<QWidget*>(m_pathField),
                       static_cast<QWidget*>(m_browse), static_cast<QWidget*>(m_formatLabel)})
        w->setEnabled(enable);
    m_format->EnableControls(enable);
}

std::unique_ptr<IEncodeEngine> CDlgRenderVidOut::CreateEngine(IVideoSrc* video, IAudioSrc* audio,
                                                              const std::string& path,
                                                              std::string* error) {
    return m_format->CreateEngine(video, audio, path, error);
}

bool CDlgRenderVidOut::Confirm() { return m_format->Confirm(); }

void CDlgRenderVidOut::HideOutputControls() {
    for (QWidget* w : {static_cast<QWidget*>(m_pathLabel), static_cast<QWidget*>(m_pathField),
                       static_cast<QWidget*>(m_browse), static_cast<QWidget*>(m_formatLabel),
                       m_formatFrame})
        w->hide();
}

// An MPEG program stream or an AVI file.
void CDlgRenderVidOut::OnBrowse() {
    const QString chosen = CUserPrompts::Current().SaveVideo(this, m_pathField->text());
    if (!chosen.isEmpty())
        SetOutputPath(chosen.toStdString());
}

void CDlgRenderVidOut::resizeEvent(QResizeEvent* event) {
    CDlgWizardPage::resizeEvent(event);
    const int w = width();
    m_pathLabel->setGeometry(20, 12, 100, 22);
    m_pathField->setGeometry(120, 12, w - 180, 22);
    m_browse->setGeometry(w - 52, 11, 32, 24);
    m_formatLabel->setGeometry(20, 48, 100, 22);
    m_formatFrame->setGeometry(20, 72, w - 40, 160);
    m_format->setGeometry(20, 72, w - 40, 160);
}
