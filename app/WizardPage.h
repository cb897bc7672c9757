#pragma once

#include <QString>
#include <QWidget>

class CWizardSheet;

// One page of a wizard sheet. A page builds all its controls in code; when it
// becomes active it sets the sheet's buttons and caption. Subclasses load
// their controls from their data at the end of their set-up (LoadData) and
// store them back (StoreData).
class CWizardPage : public QWidget {
    Q_OBJECT
public:
    explicit CWizardPage(const QString& title, QWidget* parent = nullptr);

    virtual void LoadData() = 0;
    virtual void StoreData() = 0;

    // Back when not the first page, Next when not the last, Finish on the
    // last; Back and Next hidden on a sheet of one page; the caption becomes
    // the page's title.
    virtual void OnSetActive(CWizardSheet& sheet);

    [[nodiscard]] const QString& Title() const { return m_title; }

private:
    QString m_title;
};
