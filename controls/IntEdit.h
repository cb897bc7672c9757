#pragma once

#include <QLineEdit>

#include <functional>

// An integer field. Typing is limited to digits; when the user leaves the
// field or presses Enter, the value is committed: passed through the commit
// rule (a clamp, a rounding), written back as the rule returned it, and
// announced by Committed.
class CIntEdit : public QLineEdit {
    Q_OBJECT
public:
    using Rule = std::function<int(int)>;

    explicit CIntEdit(QWidget* parent = nullptr);

    void SetRule(Rule rule) { m_rule = std::move(rule); }
    // The value shown; 0 when the field is empty.
    [[nodiscard]] int Value() const;
    // Shows a value as it is, without the rule and without Committed.
    void SetValue(int value);
    // Commits what the field shows now.
    void Commit();

signals:
    void Committed(int value);

private:
    Rule m_rule;
};
