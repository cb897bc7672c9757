#pragma once

#include <QDialog>
#include <QSize>

#include <vector>

class CWizardPage;
class QPushButton;
class QStackedWidget;

// The program's wizard sheet: pages one above the other, and Back, Next,
// Finish and Cancel along the bottom, at a fixed size its owner gives. With a
// single page Back and Next are hidden. Finish runs OnFinish, Cancel (and
// closing the window) runs OnCancel; both close the sheet unless a subclass
// decides otherwise.
class CWizardSheet : public QDialog {
    Q_OBJECT
public:
    explicit CWizardSheet(QSize size, QWidget* parent = nullptr);

    // Adds a page (the sheet takes it); the first page added is shown.
    void AddPage(CWizardPage* page);
    void SetActivePage(int index);
    [[nodiscard]] int PageIndex(const CWizardPage* page) const;
    [[nodiscard]] int PageCount() const { return int(m_pages.size()); }
    [[nodiscard]] CWizardPage* ActivePage() const;

    [[nodiscard]] QPushButton* BackButton() const { return m_back; }
    [[nodiscard]] QPushButton* NextButton() const { return m_next; }
    [[nodiscard]] QPushButton* FinishButton() const { return m_finish; }
    [[nodiscard]] QPushButton* CancelButton() const { return m_cancel; }

protected:
    // The area above the buttons, where pages lie; subclasses may add their
    // own controls beside the pages (a progress bar) at the bottom row.
    [[nodiscard]] QWidget* ButtonRow() const { return m_buttonRow; }
    virtual void OnFinish();
    virtual void OnCancel();
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QStackedWidget* m_stack;
    QWidget* m_buttonRow;
    QPushButton* m_back;
    QPushButton* m_next;
    QPushButton* m_finish;
    QPushButton* m_cancel;
    std::vector<CWizardPage*> m_pages;
};
