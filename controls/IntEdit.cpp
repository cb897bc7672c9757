#include "controls/IntEdit.h"

#include <QIntValidator>

CIntEdit::CIntEdit(QWidget* parent) : QLineEdit(parent) {
    // Up to five digits: enough for any picture side, never an overflow.
    setValidator(new QIntValidator(0, 99999, this));
    setAlignment(Qt::AlignRight);
    connect(this, &QLineEdit::editingFinished, this, &CIntEdit::Commit);
}

int CIntEdit::Value() const { return text().toInt(); }

void CIntEdit::SetValue(int value) { setText(QString::number(value)); }

void CIntEdit::Commit() {
    int value = Value();
    if (m_rule)
        value = m_rule(value);
    SetValue(value);
    emit Committed(value);
}
