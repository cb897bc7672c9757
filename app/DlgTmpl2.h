#pragma once

#include "app/DlgTmpl.h"

#include <memory>
#include <string>

class CAlbum;
class CLinkLabel;

// The template wizard: the program's window. Finish renders the template's
// album, with the user's pictures in it, into the Folder tab's file; once
// the video is made it offers to play it and closes.
class CDlgTmpl2 : public CDlgTmpl {
    Q_OBJECT
public:
    explicit CDlgTmpl2(const QString& title, QWidget* parent = nullptr);
    ~CDlgTmpl2() override;

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
    void OnFinish() override;
    void OnComplete(const std::string& path) override;
    void SetBusy(bool busy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnWebLink();

    QString m_title;
    bool m_offered = false;
    std::unique_ptr<CAlbum> m_album;
    CLinkLabel* m_link;
};
