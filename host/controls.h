// The kinds of control the toolkit lacks: a transparent area that reports
// clicks (over the keys of the front picture), a filled circle (the lamp), a
// horizontal slider that answers the keyboard, and a slider's value label that
// opens a small entry for an exact value on a double-click.
#pragma once

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QWidget>

// Paints nothing; reports a click when the left button is pressed and
// released inside it, and wheel notches when it is turned over.
class TImage : public QWidget {
    Q_OBJECT
  public:
    explicit TImage(QWidget* parent = nullptr);

  signals:
    void clicked();
    // +1 for each notch turned away from the user, -1 for each towards.
    void wheel_step(int direction);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    bool pressed = false;
    int wheel_rest = 0; // eighths of a degree not yet worth a notch
};

// A circle filled with one colour, without an outline.
class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget* parent = nullptr);
    QColor brush_colour() const { return brush; }
    void set_brush_colour(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor brush{255, 0, 0};
};

// A horizontal scroll bar that moves in steps of 1 however it is used: an
// arrow, a click in the trough (repeating while held, as the toolkit repeats),
// one notch of the wheel, or the arrow keys, Home and End while it has the
// keyboard (the toolkit's own accepts them but does not move). The thumb is
// the small box of a bar without a page, and a frame marks it while it has the
// keyboard.
class TScrollBar : public QScrollBar {
    Q_OBJECT
  public:
    explicit TScrollBar(QWidget* parent = nullptr);
    // Where the thumb is drawn, in the bar's own pixels.
    QRect thumb_rect() const;

  protected:
    void initStyleOption(QStyleOptionSlider* option) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    int wheel_rest = 0; // eighths of a degree not yet worth a notch
};

// A slider's value label; a double-click on it asks for the value entry.
class TValueLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TValueLabel(const QString& text, QWidget* parent = nullptr);

  signals:
    void double_clicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A one-line entry for a whole number from 0 to `maximum`. Enter, or leaving
// it, commits a valid number; Esc drops it; either way it then closes. While
// open it keeps every key it is given, so none reaches the instrument.
class TValueEntry : public QLineEdit {
    Q_OBJECT
  public:
    TValueEntry(int value, int maximum, QWidget* parent = nullptr);

  signals:
    void committed(int value);
    void closed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void finish(bool commit);
    bool finished = false;
};
