#include "controls/LinkLabel.h"

#include <QMouseEvent>

CLinkLabel::CLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    adjustSize();
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
    QLabel::mouseReleaseEvent(event);
}
