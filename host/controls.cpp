#include "host/controls.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
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

TScrollBar::TScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    // A trough click moves by one page: one step here. The page is kept out
    // of the thumb's drawing (initStyleOption), which stays a small box.
    setSingleStep(1);
    setPageStep(1);
}

void TScrollBar::initStyleOption(QStyleOptionSlider* option) const {
    QScrollBar::initStyleOption(option);
    option->pageStep = 0;
}

QRect TScrollBar::thumb_rect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void TScrollBar::wheelEvent(QWheelEvent* event) {
    // One step per notch (120 eighths of a degree), up or right for more; the
    // toolkit's own would move three lines a notch, capped by the page.
    const QPoint delta = event->angleDelta();
    wheel_rest += delta.y() != 0 ? delta.y() : -delta.x();
    for (; wheel_rest >= 120; wheel_rest -= 120) triggerAction(SliderSingleStepAdd);
    for (; wheel_rest <= -120; wheel_rest += 120) triggerAction(SliderSingleStepSub);
    event->accept();
}

void TScrollBar::paintEvent(QPaintEvent* event) {
    QScrollBar::paintEvent(event);
    if (!hasFocus()) return;
    // The keyboard's arrows move this bar now, not the knob: say so plainly.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

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

TValueLabel::TValueLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void TValueLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit double_clicked();
    event->accept();
}

TValueEntry::TValueEntry(int value, int maximum, QWidget* parent)
    : QLineEdit(QString::number(value), parent) {
    setValidator(new QIntValidator(0, maximum, this));
    selectAll();
}

void TValueEntry::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        finish(true);
        break;
    case Qt::Key_Escape:
        finish(false);
        break;
    default:
        QLineEdit::keyPressEvent(event);
        break;
    }
    // The line edit passes on keys it has no use for (Enter, Up, F1 ...):
    // here they would turn or push the knob behind the user's back.
    event->accept();
}

void TValueEntry::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A window losing the keyboard for a moment (a tooltip, a menu) is no leave.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        finish(true);
}

void TValueEntry::finish(bool commit) {
    if (finished) return;
    finished = true;
    // Digits only (the validator sees to it); a number above the top goes to
    // the slider all the same, which stops it at the top as a drag would.
    bool number = false;
    const int value = text().toInt(&number);
    if (commit && number) emit committed(value);
    emit closed();
}
