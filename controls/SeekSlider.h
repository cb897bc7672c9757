#pragma once

#include <QSlider>

// A horizontal slider for a position in time: a left click on its track
// moves the handle there at once (and the drag goes on from there), as media
// players do, instead of stepping a page towards the click.
class CSeekSlider : public QSlider {
    Q_OBJECT
public:
    explicit CSeekSlider(QWidget* parent = nullptr);

    // The value under a point of the widget.
    [[nodiscard]] int ValueAt(const QPoint& point) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
