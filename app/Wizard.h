#pragma once

#include "app/RenderJob.h"
#include "app/WizardSheet.h"

#include <QElapsedTimer>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class CLinkLabel;
class CProjTmpl;
class CTemplatePage;
class QProgressBar;

// The template wizard: the program's window, a sheet of one page (the
// template page) at a fixed size. Finish renders the template's album, with
// the user's pictures in it, into the Folder tab's file through a render
// job, with a progress bar, and Cancel stopping it. While busy the page and
// Finish are off; closing the window then asks, cancels the render and
// waits for it, leaving the partial file as the engine closed it. Once the
// video is made it offers to play it and closes.
class CWizard : public CWizardSheet {
    Q_OBJECT
public:
    static constexpr int kWidth = 744;
    static constexpr int kHeight = 630;

    explicit CWizard(const QString& title, QWidget* parent = nullptr);
    ~CWizard() override;

    // The template (not owned; it must outlive the wizard). Set once, before
    // the wizard opens.
    void SetTemplate(CProjTmpl* tmpl);
    [[nodiscard]] CProjTmpl* Template() const { return m_tmpl; }
    [[nodiscard]] CTemplatePage* TemplatePage() const { return m_page; }

    // Tests stand in for the Settings tab's engines.
    void SetEngineFactory(CRenderJob::EngineFactory factory) { m_factory = std::move(factory); }

    [[nodiscard]] bool IsBusy() const { return m_busy; }
    [[nodiscard]] QProgressBar* ProgressBar() const { return m_progress; }
    [[nodiscard]] CLinkLabel* WebLink() const { return m_link; }
    // The local help page the web link opens.
    [[nodiscard]] static std::string HelpPage();
    // The pictures put in place of the template's that cannot be read, each
    // with the reason; empty when all can.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> UnreadableReplacements() const;

    // The state of the last session with this template (pictures replaced,
    // output, format) is kept when the wizard closes or renders; opened
    // again, it is offered back once the window shows. Public for tests.
    void Remember();
    void OfferRemembered();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void OnFinish() override;
    void OnCancel() override;

private:
    // Checks the path, makes the engine and starts the render job.
    void Start(const std::string& path);
    // The busy state on or off: the page, Back and Finish follow it; the
    // progress bar shows only while busy, the web link only while idle.
    void SetBusy(bool busy);
    void OnProgress(int percent);
    void OnEnded(CRenderJob::EEnd end, const QString& reason);
    // The video is made: offers to play it and closes the wizard.
    void OnComplete(const std::string& path);
    // The percentage with the speed and the time left, once they are known.
    void ShowSpeed(int percent);
    void OnWebLink();

    QString m_title;
    CProjTmpl* m_tmpl = nullptr;
    CTemplatePage* m_page;
    CLinkLabel* m_link;
    QProgressBar* m_progress;
    CRenderJob m_job;
    CRenderJob::EngineFactory m_factory;
    bool m_busy = false;
    bool m_closeWhenIdle = false;
    bool m_offered = false;
    QElapsedTimer m_started; // since the render began: speed and time left
};
