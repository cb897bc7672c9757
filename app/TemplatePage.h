#pragma once

#include "app/WizardPage.h"

#include <memory>

class CAlbum;
class CCtrlPreviewAlbum;
class CFolderTab;
class CPicturesTab;
class CProjTmpl;
class CSeekSlider;
class CSettingsTab;
class QLabel;
class QTabWidget;
class QToolButton;

// The wizard's page: the template's album in the preview with its play
// button and position slider, the instructions, and three tabs: Pictures,
// Settings (the output formats) and Folder (the output file).
class CTemplatePage : public CWizardPage {
    Q_OBJECT
public:
    static constexpr int kSliderRange = 1000;

    explicit CTemplatePage(QWidget* parent = nullptr);
    ~CTemplatePage() override;

    // The template (not owned): the Pictures tab lists its pictures, the
    // Folder tab takes its name. Then LoadData shows it, at once when the
    // page is on screen, else when it first shows: the preview is made at
    // its size, which is known then.
    void SetTemplate(CProjTmpl* tmpl);
    // Builds the preview album from the template and shows it.
    void LoadData() override;
    void StoreData() override {}
    // While busy the preview pauses and the transport and tabs are off.
    void EnableControls(bool enable);

    void OnPlayButton();
    [[nodiscard]] bool IsPlaying() const { return m_playing; }

    [[nodiscard]] CCtrlPreviewAlbum* Preview() const { return m_preview; }
    [[nodiscard]] QToolButton* PlayButton() const { return m_play; }
    [[nodiscard]] CSeekSlider* Slider() const { return m_slider; }
    [[nodiscard]] QLabel* TimeLabel() const { return m_time; }
    [[nodiscard]] QTabWidget* Tabs() const { return m_tabs; }
    [[nodiscard]] CPicturesTab* PicturesTab() const { return m_pictures; }
    [[nodiscard]] CSettingsTab* SettingsTab() const { return m_settings; }
    [[nodiscard]] CFolderTab* FolderTab() const { return m_folder; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnPosition(int frame, int count);
    void OnEnded();
    void OnSliderAction(int action);
    void OnSliderReleased();
    void SeekToSlider();
    void ShowPlayIcon(bool play);
    void ShowTime(int frame, int count);

    CProjTmpl* m_tmpl = nullptr;
    std::unique_ptr<CAlbum> m_album;
    CCtrlPreviewAlbum* m_preview;
    QToolButton* m_play;
    CSeekSlider* m_slider;
    QLabel* m_time;
    QLabel* m_instructions;
    QTabWidget* m_tabs;
    CPicturesTab* m_pictures;
    CSettingsTab* m_settings;
    CFolderTab* m_folder;
    bool m_playing = false;
    bool m_loadOnShow = false;
};
