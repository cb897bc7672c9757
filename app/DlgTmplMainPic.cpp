#include "app/DlgTmplMainPic.h"

#include "app/CtrlPicList.h"
#include "app/CtrlPreviewAlbum.h"
#include "app/ProjTmplThumbCache.h"
#include "app/UserPrompts.h"
#include "base/Folders.h"
#include "project/Album.h"
#include "project/Paths.h"
#include "project/ProjTmpl.h"
#include "project/Slide.h"

#include <QPushButton>

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
    return "(" + patterns + ");;" + QObject::tr("All Files") + " (*)";
}

} // namespace

CDlgTmplMainPic::CDlgTmplMainPic(QWidget* parent)
    : QWidget(parent), m_cache(std::make_shared<CProjTmplThumbCache>()) {
    m_list = new CCtrlPicList(m_cache, this);
    m_replace = new QPushButton(tr("Replace"), this);
    m_unreplace = new QPushButton(tr("Un-Replace"), this);
    m_replace->setEnabled(false);
    m_unreplace->setEnabled(false);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CDlgTmplMainPic::OnSelectionChanged);
    connect(m_list, &QListWidget::itemActivated, this, [this] { Replace(); });
    connect(m_replace, &QPushButton::clicked, this, &CDlgTmplMainPic::Replace);
    connect(m_unreplace, &QPushButton::clicked, this, &CDlgTmplMainPic::UnReplace);
}

CDlgTmplMainPic::~CDlgTmplMainPic() {
    // No worker may read the template once this tab is gone.
    m_list->Clear();
    m_cache->SetTemplate(nullptr);
}

void CDlgTmplMainPic::SetTemplate(CProjTmpl* tmpl) {
    m_list->Clear();
    m_cache->SetTemplate(tmpl);
    m_tmpl = tmpl;
    Fill();
}

void CDlgTmplMainPic::Fill() {
    m_list->Clear();
    if (!m_tmpl)
        return;
    for (const std::string& path : m_tmpl->ListTemplatePictures(true))
        m_list->AddPicture(path);
    m_list->Refresh(false);
    OnSelectionChanged();
}

std::vector<int> CDlgTmplMainPic::SelectedRows() const {
    std::vector<int> rows;
    for (const QListWidgetItem* item : m_list->selectedItems())
        rows.push_back(m_list->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CDlgTmplMainPic::OnSelectionChanged() {
    const bool any = !m_list->selectedItems().isEmpty();
    m_replace->setEnabled(any);
    m_unreplace->setEnabled(any);
}

void CDlgTmplMainPic::Replace() {
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
    bool changed = false;
    // The first file to the first selected item, and so on; what is left
    // over on either side stays as it is.
    for (std::size_t i = 0; i < rows.size() && i < std::size_t(files.size()); ++i) {
        const std::string path = files[qsizetype(i)].toStdString();
        if (m_list->GetPicture(rows[i]) != path) {
            m_list->SetPicture(path, rows[i]);
            changed = true;
        }
    }
    if (changed) {
        m_list->Refresh(false);
        Synchronise();
    }
}

void CDlgTmplMainPic::UnReplace() {
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
}

void CDlgTmplMainPic::Synchronise() {
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

void CDlgTmplMainPic::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width(), h = height();
    constexpr int kButtonWidth = 100;
    m_list->setGeometry(8, 8, w - kButtonWidth - 28, h - 16);
    m_replace->setGeometry(w - kButtonWidth - 10, 8, kButtonWidth, 26);
    m_unreplace->setGeometry(w - kButtonWidth - 10, 40, kButtonWidth, 26);
}
