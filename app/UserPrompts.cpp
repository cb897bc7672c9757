#include "app/UserPrompts.h"

#include "encode/AviEngine.h"
#include "media/MediaFacts.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QUrl>

#include <iterator>

namespace {

CUserPrompts g_defaultPrompts;

// The encoders of a list in a combo box, the preferred one selected.
QComboBox* CodecBox(const std::vector<CAviEngine::SCodec>& codecs, const std::string& preferred,
                    QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const CAviEngine::SCodec& codec : codecs) {
        box->addItem(QString::fromUtf8(codec.description), QString::fromUtf8(codec.name));
        if (preferred == codec.name)
            box->setCurrentIndex(box->count() - 1);
    }
    return box;
}

} // namespace

CUserPrompts* CUserPrompts::s_current = &g_defaultPrompts;

CUserPrompts& CUserPrompts::Current() { return *s_current; }

CUserPrompts::CScope::CScope(CUserPrompts& prompts) : m_previous(s_current) { s_current = &prompts; }

CUserPrompts::CScope::~CScope() { s_current = m_previous; }

QMessageBox::StandardButton CUserPrompts::Message(QWidget* parent, QMessageBox::Icon icon,
                                                  const QString& caption, const QString& text,
                                                  QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

QStringList CUserPrompts::OpenFiles(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
}

QString CUserPrompts::SaveFile(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), folder, filter);
}

QString CUserPrompts::SaveVideo(QWidget* parent, const QString& current) {
    // The types, each with the extension a name without one gets; the
    // current path's type is offered first.
    struct SType {
        QString filter;
        const char* extensions; // the first is added to a bare name
    };
    const SType types[] = {{QObject::tr("MPEG video (*.mpg *.mpeg)"), "mpg;mpeg"},
                           {QObject::tr("AVI video (*.avi)"), "avi"},
                           {QObject::tr("MP4 video (*.mp4 *.m4v *.mov *.mkv)"), "mp4;m4v;mov;mkv"}};
    const std::string path = current.toStdString();
    std::size_t first = 0;
    for (std::size_t i = 0; i < std::size(types); ++i)
        if (CMediaFacts::ExtensionIn(path, types[i].extensions))
            first = i;
    QStringList filters{types[first].filter};
    for (std::size_t i = 0; i < std::size(types); ++i)
        if (i != first)
            filters.push_back(types[i].filter);
    const QString chosen = SaveFile(parent, current, filters.join(QStringLiteral(";;")));
    if (chosen.isEmpty())
        return chosen;
    for (const SType& type : types)
        if (CMediaFacts::ExtensionIn(chosen.toStdString(), type.extensions))
            return chosen;
    const QString extension = QString::fromLatin1(types[first].extensions).section(';', 0, 0);
    return chosen + QStringLiteral(".") + extension;
}

bool CUserPrompts::ChooseAviCodecs(QWidget* parent, bool withAudio, std::string& video,
                                   std::string& audio) {
    const auto videoCodecs = CAviEngine::VideoCodecs();
    if (videoCodecs.empty())
        return false;
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Video Compression"));
    auto* form = new QFormLayout(&dialog);
    QComboBox* videoBox = CodecBox(videoCodecs, CAviEngine::DefaultVideoCodec(), &dialog);
    form->addRow(QObject::tr("Video compressor:"), videoBox);
    QComboBox* audioBox = nullptr;
    if (withAudio) {
        audioBox = CodecBox(CAviEngine::AudioCodecs(), CAviEngine::DefaultAudioCodec(), &dialog);
        form->addRow(QObject::tr("Sound compressor:"), audioBox);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    video = videoBox->currentData().toString().toStdString();
    if (audioBox)
        audio = audioBox->currentData().toString().toStdString();
    return true;
}

bool CUserPrompts::OpenWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
