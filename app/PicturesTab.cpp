#include "app/PicturesTab.h"

#include "app/CtrlPicList.h"
#include "app/CtrlPreviewAlbum.h"
#include "app/ProjTmplThumbCache.h"
#include "app/UserPrompts.h"
#include "base/Folders.h"
#include "media/AnyPicDecoder.h"
#include "media/Bmp.h"
#include "media/TextException.h"
#include "project/Album.h"
#include "project/Paths.h"
#include "project/ProjTmpl.h"
#include "project/Slide.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

// The usual names of the pictures the decoders read, for the open-file
// dialog's filter only: what a chosen file is comes from its content.
constexpr const char* kPictureNames =
    "jpg;jpeg;jpe;png;gif;bmp;tif;tiff;webp;heic;heif;avif;pcx;pgm;ppm;pct;pict;tga;psd;wmf;eps";

// The pictures' patterns for the open-file dialog, each extension in both
// cases (file names on Linux are case-sensitive).
QString PictureFilter() {
    QString patterns;
    for (const QString& extension : QString(kPictureNames).split(';')) {
        if (!patterns.isEmpty())
            patterns += ' ';
        patterns += "*." + extension + " *." + extension.toUpper();
    }
    return QObject::tr("Pictures") + " (" + patterns + ");;" + QObject::tr("All Files") + " (*)";
}

} // namespace

bool CPicturesTab::Usable(const std::string& path, std::string& why) {
    try {
        // A small draft decode reads the whole file through the decoder
        // without the cost of the full size.
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

CPicturesTab::CPicturesTab(QWidget* parent)
    : QWidget(parent), m_cache(std::make_shared<CProjTmplThumbCache>()) {
    m_list = new CCtrlPicList(m_cache, this);
    m_replace = new QPushButton(tr("Replace"), this);
    m_unreplace = new QPushButton(tr("Un-Replace"), this);
    m_replace->setEnabled(false);
    m_unreplace->setEnabled(false);
    m_replace->setToolTip(tr("Put your own pictures in place of the selected ones"));
    m_unreplace->setToolTip(tr("Bring back the template's own pictures in the selected places"));
    m_list->setToolTip(tr("The template's pictures: select some, then Replace (or double-click)"));
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CPicturesTab::OnSelectionChanged);
    connect(m_list, &QListWidget::itemActivated, this, [this] { Replace(); });
    connect(m_replace, &QPushButton::clicked, this, &CPicturesTab::Replace);
    connect(m_unreplace, &QPushButton::clicked, this, &CPicturesTab::UnReplace);

    // The list fills the tab but for 8 pixels around it and the column of
    // buttons at the right, 10 pixels from the list and from the edge.
    m_replace->setFixedSize(100, 26);
    m_unreplace->setFixedSize(100, 26);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(m_replace);
    buttons->addWidget(m_unreplace);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 10, 8);
    row->setSpacing(10);
    row->addWidget(m_list, 1);
    row->addLayout(buttons);
}

CPicturesTab::~CPicturesTab() {
    // No worker may read the template once this tab is gone.
    m_list->Clear();
    m_cache->SetTemplate(nullptr);
}

void CPicturesTab::SetTemplate(CProjTmpl* tmpl) {
    m_list->Clear();
    m_cache->SetTemplate(tmpl);
    m_tmpl = tmpl;
    Fill();
}

void CPicturesTab::Fill() {
    m_list->Clear();
    if (!m_tmpl)
        return;
    for (const std::string& path : m_tmpl->ListTemplatePictures(true))
        m_list->AddPicture(path);
    m_list->Refresh(false);
    OnSelectionChanged();
}

std::vector<int> CPicturesTab::SelectedRows() const {
    std::vector<int> rows;
    for (const QListWidgetItem* item : m_list->selectedItems())
        rows.push_back(m_list->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CPicturesTab::OnSelectionChanged() {
    const std::vector<int> rows = SelectedRows();
    m_replace->setEnabled(!rows.empty());
    // Un-Replace has something to do only for a replaced picture.
    bool replaced = false;
    if (m_tmpl) {
        const std::vector<std::string> own = m_tmpl->ListTemplatePictures(false);
        for (int row : rows)
            replaced = replaced ||
                       (row < int(own.size()) && m_list->GetPicture(row) != own[std::size_t(row)]);
    }
    m_unreplace->setEnabled(replaced);
}

void CPicturesTab::Replace() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    // A remembered folder that is gone: the dialog starts where it likes.
    std::string folder;
    if (!GetUserFolder(kFolderPictures, folder, true))
        folder.clear();
    const QStringList files = CUserPrompts::Current().OpenFiles(
        this, QString::fromStdString(folder), PictureFilter());
    if (files.isEmpty())
        return;
    const std::string lastFolder =
        std::filesystem::path(files.back().toStdString()).parent_path().string();
    if (!lastFolder.empty())
        SetUserFolder(kFolderPictures, lastFolder);
    // Only pictures go in: a file that is not one (a document named .jpg, a
    // cut photo) is named at once and the template's picture stays.
    QStringList usable;
    QString refused;
    const std::vector<std::string> own =
        m_tmpl ? m_tmpl->ListTemplatePictures(false) : std::vector<std::string>();
    for (const QString& file : files) {
        std::string why;
        // The template's own pictures (read from the package) are known good.
        if (std::find(own.begin(), own.end(), file.toStdString()) != own.end() ||
            Usable(file.toStdString(), why))
            usable.push_back(file);
        else
            refused += QStringLiteral("\n%1: %2").arg(file, QString::fromStdString(why));
    }
    if (!refused.isEmpty())
        CUserPrompts::Current().Message(
            this, QMessageBox::Warning, window()->windowTitle(),
            tr("These files cannot be used as pictures; the template's pictures stay:%1")
                .arg(refused),
            QMessageBox::Ok);
    if (usable.size() > qsizetype(rows.size()))
        CUserPrompts::Current().Message(
            this, QMessageBox::Information, window()->windowTitle(),
            tr("%1 pictures were selected and %2 files chosen: the first %1 are used.")
                .arg(rows.size())
                .arg(usable.size()),
            QMessageBox::Ok);
    bool changed = false;
    // The first file to the first selected item, and so on; what is left
    // over on either side stays as it is.
    for (std::size_t i = 0; i < rows.size() && i < std::size_t(usable.size()); ++i) {
        const std::string path = usable[qsizetype(i)].toStdString();
        if (m_list->GetPicture(rows[i]) != path) {
            m_list->SetPicture(path, rows[i]);
            changed = true;
        }
    }
    if (changed) {
        m_list->Refresh(false);
        Synchronise();
    }
    OnSelectionChanged();
}

void CPicturesTab::UnReplace() {
    if (!m_tmpl)
        return;
    const std::vector<std::string> own = m_tmpl->ListTemplatePictures(false);
    bool changed = false;
    for (int row : SelectedRows()) {
        if (row >= int(own.size()) || m_list->GetPicture(row) == own[std::size_t(row)])
            continue;
        m_list->SetPicture(own[std::size_t(row)], row);
        changed = true;
    }
    if (changed) {
        m_list->Refresh(false);
        Synchronise();
    }
    OnSelectionChanged();
}

int CPicturesTab::PutReplacements(const std::map<std::string, std::string>& byOwn,
                                     std::vector<std::string>& missing) {
    if (!m_tmpl)
        return 0;
    const std::vector<std::string> own = m_tmpl->ListTemplatePictures(false);
    int put = 0;
    for (std::size_t i = 0; i < own.size() && int(i) < m_list->count(); ++i) {
        const auto it = byOwn.find(own[i]);
        if (it == byOwn.end())
            continue;
        std::string why;
        if (!Usable(it->second, why)) {
            missing.push_back(it->second);
            continue;
        }
        m_list->SetPicture(it->second, int(i));
        ++put;
    }
    if (put > 0) {
        m_list->Refresh(false);
        Synchronise();
    }
    OnSelectionChanged();
    return put;
}

void CPicturesTab::Synchronise() {
    if (!m_tmpl)
        return;
    CAlbum scratch;
    m_tmpl->ApplyTo(scratch, false);
    const std::vector<std::string> own = m_tmpl->ListTemplatePictures(false);
    std::vector<std::pair<std::string, std::string>> changes; // current -> new
    for (std::size_t i = 0; i < own.size() && int(i) < m_list->count(); ++i) {
        const std::string& original = own[i];
        std::string current = m_tmpl->GetReplacement(original);
        if (current.empty())
            current = original;
        const std::string wanted = m_list->GetPicture(int(i));
        m_tmpl->SetReplacement(original, wanted != original ? wanted : std::string());
        if (current != wanted)
            changes.emplace_back(current, wanted);
    }
    if (!m_preview || changes.empty())
        return;
    const bool wasPlaying = m_preview->IsPlaying();
    if (wasPlaying)
        m_preview->Pause(true);
    for (const auto& [current, wanted] : changes)
        for (int j = 0; j < scratch.GetSlideCount(); ++j) {
            const CSlide* slide = scratch.GetSlide(j);
            for (int k = 0; k < slide->GetItemCount(); ++k)
                if (Paths::Equal(slide->GetItem(k)->m_file, current))
                    m_preview->ReplacePicture(j, k, wanted);
            if (slide->m_backgroundMode != 0 && Paths::Equal(slide->m_backgroundPicture, current))
                m_preview->SetBackgroundPicture(j, wanted);
        }
    if (wasPlaying)
        m_preview->Play();
}
