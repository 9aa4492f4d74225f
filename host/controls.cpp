#include "host/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
}

void TImage::mousePressEvent(QMouseEvent* event) {
    pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    if (pressed && event->button() == Qt::LeftButton && inside) emit clicked();
    pressed = false;
    event->accept();
}

void TImage::wheelEvent(QWheelEvent* event) {
    // One notch is 120 eighths of a degree; fine-grained wheels add up to it.
    wheel_rest += event->angleDelta().y();
    while (wheel_rest >= 120) {
        wheel_rest -= 120;
        emit wheel_step(+1);
    }
    while (wheel_rest <= -120) {
        wheel_rest += 120;
        emit wheel_step(-1);
    }
    event->accept();
}

TShape::TShape(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_NoSystemBackground); }

void TShape::set_brush_colour(const QColor& colour) {
    if (colour == brush) return;
    brush = colour;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawEllipse(rect());
}

TScrollBar::TScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

void TScrollBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up:
        triggerAction(SliderSingleStepAdd);
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        triggerAction(SliderSingleStepSub);
        break;
    case Qt::Key_Home:
        triggerAction(SliderToMinimum);
        break;
    case Qt::Key_End:
        triggerAction(SliderToMaximum);
        break;
    default:
        // Everything else goes on to the window (the instrument's keys).
        event->ignore();
        return;
    }
    event->accept();
}
