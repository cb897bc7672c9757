#pragma once

#include <QLabel>

// A text that reads as a web link: blue on white, a pointing-hand cursor,
// Clicked on a left click.
class CLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
