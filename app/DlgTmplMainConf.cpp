#include "app/DlgTmplMainConf.h"

#include "app/DlgRenderMpgAvi.h"

CDlgTmplMainConf::CDlgTmplMainConf(CDlgRenderMpgAvi* formatPage, QWidget* parent)
    : QWidget(parent), m_format(formatPage) {
    m_format->setParent(this);
    m_format->show();
}

// The format page lays its controls out from its own middle; it is moved up
// so that its rows sit near the top of the tab.
void CDlgTmplMainConf::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_format->setGeometry(0, -40, width(), height() + 40);
}
