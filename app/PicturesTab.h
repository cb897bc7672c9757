#pragma once

#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

class CCtrlPicList;
class CCtrlPreviewAlbum;
class CProjTmpl;
class CProjTmplThumbCache;
class QPushButton;

// The Pictures tab: the template's pictures in a list; Replace puts the
// user's pictures in place of the selected ones, Un-Replace brings the
// template's own back. Each change is recorded in the template as a
// replacement and shown at once in the preview, on every slide and
// background that shows the picture.
class CPicturesTab : public QWidget {
    Q_OBJECT
public:
    explicit CPicturesTab(QWidget* parent = nullptr);
    ~CPicturesTab() override;

    // The template (not owned; null forgets it); fills the list.
    void SetTemplate(CProjTmpl* tmpl);
    // The preview that shows the changes (not owned; may be null).
    void SetPreview(CCtrlPreviewAlbum* preview) { m_preview = preview; }

    // Gives the chosen files to the selected items in order; nothing
    // happens when nothing is selected or nothing was chosen.
    // Files that are not pictures this build decodes are named in a message
    // and left out.
    void Replace();
    void UnReplace();
    // Puts files in place of the template's pictures (by the template's own
    // path), as Replace would; files that are gone or are not pictures are
    // left out and listed in missing. Returns how many were put in.
    int PutReplacements(const std::map<std::string, std::string>& byOwn,
                        std::vector<std::string>& missing);
    // The list's item paths against the template's own pictures: records or
    // removes replacements and tells the preview what changed.
    void Synchronise();

    // Whether a file decodes as a picture; why says why not.
    static bool Usable(const std::string& path, std::string& why);

    [[nodiscard]] CCtrlPicList* List() const { return m_list; }
    [[nodiscard]] QPushButton* ReplaceButton() const { return m_replace; }
    [[nodiscard]] QPushButton* UnReplaceButton() const { return m_unreplace; }

private:
    void Fill();
    void OnSelectionChanged();
    // The selected rows, lowest first.
    [[nodiscard]] std::vector<int> SelectedRows() const;

    CProjTmpl* m_tmpl = nullptr;
    CCtrlPreviewAlbum* m_preview = nullptr;
    std::shared_ptr<CProjTmplThumbCache> m_cache;
    CCtrlPicList* m_list;
    QPushButton* m_replace;
    QPushButton* m_unreplace;
};
