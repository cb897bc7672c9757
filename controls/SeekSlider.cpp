#include "controls/SeekSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

CSeekSlider::CSeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

int CSeekSlider::ValueAt(const QPoint& point) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre follows the point.
    const int span = groove.width() - handle.width();
    const int at = point.x() - groove.x() - handle.width() / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), at, span, option.upsideDown);
}

void CSeekSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QStyle::SubControl hit = style()->hitTestComplexControl(
            QStyle::CC_Slider, &option, event->position().toPoint(), this);
        if (hit != QStyle::SC_SliderHandle) {
            // The handle comes under the pointer; the press below then
            // takes hold of it, so a drag may follow.
            setSliderPosition(ValueAt(event->position().toPoint()));
            triggerAction(QAbstractSlider::SliderMove);
        }
    }
    QSlider::mousePressEvent(event);
}
