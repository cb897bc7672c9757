#pragma once

#include <QWidget>

class CDlgRenderMpgAvi;

// The Settings tab: it shows the output page's format page, which keeps
// belonging to the output page (the engine is made there).
class CDlgTmplMainConf : public QWidget {
    Q_OBJECT
public:
    CDlgTmplMainConf(CDlgRenderMpgAvi* formatPage, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CDlgRenderMpgAvi* m_format;
};
