#pragma once

#include "app/DlgWizardPage.h"

#include <memory>
#include <string>

class CDlgRenderMpgAvi;
class IAudioSrc;
class IEncodeEngine;
class IVideoSrc;
class QLabel;
class QLineEdit;
class QPushButton;

// The output page: the output file (a field and a browse button) and the
// format page. The render dialog asks it for the engine of an encode and
// turns its controls off while busy.
class CDlgRenderVidOut : public CDlgWizardPage {
    Q_OBJECT
public:
    explicit CDlgRenderVidOut(const QString& title, QWidget* parent = nullptr);

    void LoadData() override {}
    void StoreData() override;
    // The page's controls on or off (the busy state).
    virtual void EnableControls(bool enable);

    [[nodiscard]] const std::string& GetOutputPath() const { return m_outputPath; }
    void SetOutputPath(const std::string& path);

    std::unique_ptr<IEncodeEngine> CreateEngine(IVideoSrc* video, IAudioSrc* audio,
                                                const std::string& path, std::string* error);
    [[nodiscard]] bool Confirm();
    [[nodiscard]] CDlgRenderMpgAvi* FormatPage() const { return m_format; }

protected:
    // The controls of the output path, for a page that shows the path
    // elsewhere and hides them.
    void HideOutputControls();
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnBrowse();

    std::string m_outputPath;
    QLabel* m_pathLabel;
    QLineEdit* m_pathField;
    QPushButton* m_browse;
    QLabel* m_formatLabel;
    CDlgRenderMpgAvi* m_format;
    QWidget* m_formatFrame;
};
