#include "app/WizardPage.h"

#include "app/WizardSheet.h"

#include <QPushButton>

CWizardPage::CWizardPage(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(title) {}

void CWizardPage::OnSetActive(CWizardSheet& sheet) {
    const int index = sheet.PageIndex(this);
    const int count = sheet.PageCount();
    sheet.BackButton()->setEnabled(index > 0);
    sheet.NextButton()->setEnabled(index + 1 < count);
    sheet.FinishButton()->setEnabled(index + 1 == count);
    sheet.BackButton()->setVisible(count > 1);
    sheet.NextButton()->setVisible(count > 1);
    if (!m_title.isEmpty())
        sheet.setWindowTitle(m_title);
}
