#include "app/WizardSheet.h"

#include "app/WizardPage.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

CWizardSheet::CWizardSheet(QSize size, QWidget* parent) : QDialog(parent) {
    setFixedSize(size);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(6);
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack, 1);

    m_buttonRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(10, 0, 10, 0);
    row->addStretch(1);
    QFont small = font();
    small.setPointSize(8);
    auto button = [&](const QString& text) {
        auto* b = new QPushButton(text, m_buttonRow);
        b->setFont(small);
        b->setAutoDefault(false);
        b->setMinimumWidth(80);
        row->addWidget(b);
        return b;
    };
    m_back = button(tr("< &Back"));
    m_next = button(tr("&Next >"));
    m_finish = button(tr("Finish"));
    m_cancel = button(tr("Cancel"));
    m_finish->setDefault(true);
    m_finish->setToolTip(tr("Create the video file"));
    m_cancel->setToolTip(tr("Stop creating the video, or close the window"));
    layout->addWidget(m_buttonRow);

    connect(m_back, &QPushButton::clicked, this, [this] {
        const int index = PageIndex(ActivePage());
        if (index > 0)
            SetActivePage(index - 1);
    });
    connect(m_next, &QPushButton::clicked, this, [this] {
        const int index = PageIndex(ActivePage());
        if (index + 1 < PageCount())
            SetActivePage(index + 1);
    });
    connect(m_finish, &QPushButton::clicked, this, [this] { OnFinish(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

void CWizardSheet::AddPage(CWizardPage* page) {
    m_pages.push_back(page);
    m_stack->addWidget(page);
    if (m_pages.size() == 1)
        SetActivePage(0);
}

void CWizardSheet::SetActivePage(int index) {
    if (index < 0 || index >= PageCount())
        return;
    m_stack->setCurrentWidget(m_pages[std::size_t(index)]);
    m_pages[std::size_t(index)]->OnSetActive(*this);
}

int CWizardSheet::PageIndex(const CWizardPage* page) const {
    auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? -1 : int(it - m_pages.begin());
}

CWizardPage* CWizardSheet::ActivePage() const {
    return qobject_cast<CWizardPage*>(m_stack->currentWidget());
}

void CWizardSheet::OnFinish() {
    if (CWizardPage* page = ActivePage())
        page->StoreData();
    done(QDialog::Accepted);
}

void CWizardSheet::OnCancel() { done(QDialog::Rejected); }

// Escape and the window's close button act as Cancel does.
void CWizardSheet::reject() { OnCancel(); }

void CWizardSheet::closeEvent(QCloseEvent* event) {
    OnCancel();
    if (isVisible())
        event->ignore();
    else
        event->accept();
}
