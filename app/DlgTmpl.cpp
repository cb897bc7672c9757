#include "app/DlgTmpl.h"

#include "app/DlgTmplMain.h"

CDlgTmpl::CDlgTmpl(QWidget* parent) : CDlgRenderVid(QSize(kWidth, kHeight), parent) {
    m_main = new CDlgTmplMain(this);
    SetOutputPage(m_main);
    AddPage(m_main);
}

void CDlgTmpl::SetTemplate(CProjTmpl* tmpl) {
    m_tmpl = tmpl;
    m_main->SetTemplate(tmpl);
}
