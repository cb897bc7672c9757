#pragma once

#include "app/DlgRenderVid.h"

class CDlgTmplMain;
class CProjTmpl;

// The template wizard's sheet: the render dialog at its fixed size with one
// page, the main page, showing a template.
class CDlgTmpl : public CDlgRenderVid {
    Q_OBJECT
public:
    static constexpr int kWidth = 744;
    static constexpr int kHeight = 630;

    explicit CDlgTmpl(QWidget* parent = nullptr);

    // The template (not owned; it must outlive the dialog). Set once, before
    // the dialog opens.
    virtual void SetTemplate(CProjTmpl* tmpl);
    [[nodiscard]] CProjTmpl* Template() const { return m_tmpl; }
    [[nodiscard]] CDlgTmplMain* MainPage() const { return m_main; }

private:
    CProjTmpl* m_tmpl = nullptr;
    CDlgTmplMain* m_main;
};
