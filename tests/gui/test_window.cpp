// The simulator window under QTest: its layout and texts, the run loop it
// drives, the panel's pixels against the instrument's frame buffer, and the
// mouse, keyboard and clipboard mapping.
#include <QClipboard>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "display/framebuffer.h"
#include "display/palette.h"
#include "host/application.h"
#include "host/front_picture.h"
#include "host/panel/device.h"
#include "host/pcmain.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "screens/run_screen.h"

namespace {

QRgb opaque_rgb(uint8_t index) { return 0xFF000000u | palette_rgb(index); }

// The panel shows frame-buffer pixel (x, y) at panel pixel (x, y + 1): the
// projection leaves the panel's top row spare, and its three right columns.
constexpr int SPARE_ROWS_ABOVE = 1;

// How long a check waits for an event the window system delivers: long enough
// for a machine whose cores are busy with other work, so it only ends a hang.
constexpr int HANG_MS = 30000;
// The 100 ms timer raises the sampling tick once in every 11 ticks.
constexpr int SAMPLE_TICKS = 11;

// Compares a grab of the panel with a frame: every frame pixel at its place in
// palette colour, everything else black. Returns the first difference found.
QString compare_panel(const QImage& grab, const uint8_t (&frame)[LCD_HEIGHT][LCD_WIDTH]) {
    if (grab.size() != QSize(163, 129)) return QString("grab is %1x%2").arg(grab.width()).arg(grab.height());
    for (int y = 0; y < grab.height(); ++y)
        for (int x = 0; x < grab.width(); ++x) {
            const int fy = y - SPARE_ROWS_ABOVE;
            const bool inside = x < LCD_WIDTH && fy >= 0 && fy < LCD_HEIGHT;
            const QRgb expected = inside ? opaque_rgb(frame[fy][x]) : qRgb(0, 0, 0);
            const QRgb actual = grab.pixel(x, y) | 0xFF000000u;
            if (actual != expected)
                return QString("panel (%1,%2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual, 8, 16)
                    .arg(expected, 8, 16);
        }
    return {};
}

// A frame with every colour index, including the black one, and a pattern
// that shows any shift or mirror of rows or columns.
const uint8_t (&test_pattern())[LCD_HEIGHT][LCD_WIDTH] {
    static uint8_t pattern[LCD_HEIGHT][LCD_WIDTH];
    for (int y = 0; y < LCD_HEIGHT; ++y)
        for (int x = 0; x < LCD_WIDTH; ++x) pattern[y][x] = uint8_t((x * 7 + y * 13 + x * y) % PALETTE_SIZE);
    pattern[0][0] = 15;
    pattern[127][159] = 9;
    return pattern;
}

// Compares a grab of the panel on a desktop scaled by the grab's device pixel
// ratio s: the device pixel at the centre of every frame pixel shows its
// palette colour; at a whole scale every frame pixel is an s by s block of it;
// the spare row above and the spare columns to the right stay black.
QString compare_scaled_panel(const QImage& grab, const uint8_t (&frame)[LCD_HEIGHT][LCD_WIDTH]) {
    const double s = grab.devicePixelRatio();
    const QSize expected_size = QSize(163, 129) * s;
    if (grab.size() != expected_size)
        return QString("grab is %1x%2 at scale %3").arg(grab.width()).arg(grab.height()).arg(s);
    auto differs = [&](int dx, int dy, QRgb expected) {
        const QRgb actual = grab.pixel(dx, dy) | 0xFF000000u;
        if (actual == expected) return QString();
        return QString("device pixel (%1,%2) is %3, expected %4 at scale %5")
            .arg(dx)
            .arg(dy)
            .arg(actual, 8, 16)
            .arg(expected, 8, 16)
            .arg(s);
    };
    const bool whole = s == std::floor(s);
    for (int y = 0; y < LCD_HEIGHT; ++y)
        for (int x = 0; x < LCD_WIDTH; ++x) {
            const QRgb expected = opaque_rgb(frame[y][x]);
            const int cx = int((x + 0.5) * s), cy = int((y + SPARE_ROWS_ABOVE + 0.5) * s);
            QString difference = differs(cx, cy, expected);
            for (int by = 0; whole && difference.isEmpty() && by < int(s); ++by)
                for (int bx = 0; difference.isEmpty() && bx < int(s); ++bx)
                    difference = differs(int(x * s) + bx, int((y + SPARE_ROWS_ABOVE) * s) + by, expected);
            if (!difference.isEmpty()) return difference;
        }
    for (int dy = 0; dy < grab.height(); ++dy)
        for (int dx = 0; dx < grab.width(); ++dx) {
            // Device pixels whose centre lies clearly outside the frame's area.
            const double fx = (dx + 0.5) / s, fy = (dy + 0.5) / s - SPARE_ROWS_ABOVE;
            if (fx < LCD_WIDTH + 0.1 && fy > -0.1 && fy < LCD_HEIGHT + 0.1) continue;
            const QString difference = differs(dx, dy, qRgb(0, 0, 0));
            if (!difference.isEmpty()) return difference;
        }
    return {};
}

bool frame_has_colour() {
    for (const auto& row : FrameBuffer)
        for (uint8_t c : row)
            if (c != 0) return true;
    return false;
}

class Thrower : public QObject {
  protected:
    bool event(QEvent*) override { throw std::runtime_error("broken handler"); }
};

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<TfrmMain> window;

    // The window's clocks by hand: ticks of its 100 ms timer and passes of its
    // run loop. Its own timers keep running beside them, but the checks never
    // wait for those, so the verdict is the same on a fast or a busy machine.
    void ticks(int n) {
        for (int i = 0; i < n; ++i) window->Timer1Timer();
    }
    void passes(int n) {
        for (int i = 0; i < n; ++i) window->RunPass();
    }
    // On runs the first pass itself; `more` passes follow.
    void power_on(int more = 3) {
        QTest::mouseClick(window->Button1, Qt::LeftButton);
        QVERIFY(window->running());
        passes(more);
    }
    // Off is a request: the next pass finds it and ends the loop.
    void power_off() {
        QTest::mouseClick(window->Button2, Qt::LeftButton);
        passes(1);
        QVERIFY(!window->running());
    }
    void check_geometry(QWidget* w, int x, int y, int width, int height) {
        QVERIFY2(w->geometry() == QRect(x, y, width, height), qPrintable(w->objectName()));
        QVERIFY2(w->parentWidget() == window->Client, qPrintable(w->objectName()));
        QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
    }
    void check_label(QLabel* label, int x, int y, const char* text) {
        QCOMPARE(label->pos(), QPoint(x, y));
        QCOMPARE(label->text(), QString(text));
        QVERIFY(label->isVisible());
    }
    void check_slider(QScrollBar* slider, int y, int maximum) {
        check_geometry(slider, 352, y, 137, 17);
        QCOMPARE(slider->orientation(), Qt::Horizontal);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), maximum);
        QCOMPARE(slider->singleStep(), 1);
        // No page to see: the thumb is a small box on every range.
        const QRect thumb = static_cast<TScrollBar*>(slider)->thumb_rect();
        QVERIFY2(thumb.width() <= 2 * slider->height(), qPrintable(slider->objectName()));
        QCOMPARE(slider->value(), 0);
    }

  private slots:
    void init() {
        power_off_request = 1;
        pending_key = 0;
        alarm_flags = 0;
        alarm_ack_flags = 0;
        window = std::make_unique<TfrmMain>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get(), HANG_MS));
        // Tests run side by side on one display: the window need not become
        // the active one; keys and clicks are sent to it directly.
        window->activateWindow();
        pending_key = 0;
    }
    void cleanup() { window.reset(); }

    void layoutAndTexts() {
        TfrmMain& w = *window;
        QCOMPARE(frmMain, &w);
        QCOMPARE(w.windowTitle(), QString("Nuva QD-5 Simulator"));
        QCOMPARE(QCoreApplication::applicationName(), QString("Nuvrex"));
        // The client area, exactly 503 by 329, right below the menu bar.
        QCOMPARE(w.Client->size(), QSize(503, 329));
        QCOMPARE(w.Client->y(), w.MainMenu1->height());
        QCOMPARE(w.height(), w.MainMenu1->height() + 329);
        QCOMPARE(w.width(), 503);
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(w.font().pointSize(), 8);
        QCOMPARE(w.font().styleHint(), QFont::SansSerif);
        // Centred on the screen.
        const QRect screen = w.screen()->availableGeometry();
        QVERIFY(qAbs(w.geometry().center().x() - screen.center().x()) <= 2);
        QVERIFY(qAbs(w.geometry().center().y() - screen.center().y()) <= 2);

        QCOMPARE(w.File1->title(), QString("&File"));
        QCOMPARE(w.File1->actions().size(), 1);
        QCOMPARE(w.Exit1->text(), QString("&Exit"));
        QVERIFY(w.PopupMenu1->actions().isEmpty());

        check_geometry(w.Image1, 0, 0, 241, 249);
        QVERIFY(!w.Image1->pixmap().isNull());
        QCOMPARE(w.Image1->pixmap().size(), QSize(241, 249));
        check_geometry(w.Panel1, 40, 57, 163, 129);
        check_geometry(w.Image2, 52, 192, 33, 33);
        check_geometry(w.Image8, 100, 196, 41, 41);
        check_geometry(w.Image3, 154, 192, 33, 33);
        check_geometry(w.Button3, 64, 232, 33, 25);
        check_geometry(w.Button4, 144, 232, 33, 25);
        QCOMPARE(w.Button3->text(), QString("+"));
        QCOMPARE(w.Button4->text(), QString("-"));
        QCOMPARE(w.Button3->font().pixelSize(), 16);
        QVERIFY(w.Button3->font().bold());
        QVERIFY(w.Button4->font().bold());
        check_geometry(w.Shape1, 8, 264, 33, 33);
        QCOMPARE(w.Shape1->brush_colour(), QColor(255, 0, 0));
        check_geometry(w.Button1, 64, 272, 75, 25);
        check_geometry(w.Button2, 160, 272, 75, 25);
        QCOMPARE(w.Button1->text(), QString("&On"));
        QCOMPARE(w.Button2->text(), QString("&Off"));

        check_label(w.Label55, 256, 8, "CH 1:");
        check_label(w.Label57, 304, 8, "0");
        check_label(w.Label53, 256, 32, "CH 2:");
        check_label(w.Label60, 304, 32, "0");
        check_label(w.Label1, 256, 56, "CH 3:");
        check_label(w.Label3, 304, 56, "0");
        check_label(w.Label2, 256, 80, "CH 4:");
        check_label(w.Label4, 304, 80, "0");
        check_label(w.Label5, 256, 104, "Volts:");
        check_label(w.Label6, 304, 104, "0");
        check_label(w.Label7, 256, 176, "Channel 1:");
        check_label(w.Label11, 312, 176, "0");
        check_label(w.Label8, 256, 200, "Channel 2:");
        check_label(w.Label12, 312, 200, "0");
        check_label(w.Label9, 256, 224, "Channel 3:");
        check_label(w.Label13, 312, 224, "0");
        check_label(w.Label10, 256, 248, "Channel 4:");
        check_label(w.Label14, 312, 248, "0");
        // Captions stay clear of the value labels beside them.
        for (QLabel* caption : {w.Label7, w.Label8, w.Label9, w.Label10})
            QVERIFY2(caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()) < 312,
                     qPrintable(caption->text()));

        check_slider(w.ScrollBar29, 8, 4096);
        check_slider(w.ScrollBar30, 32, 4096);
        check_slider(w.ScrollBar1, 56, 4096);
        check_slider(w.ScrollBar2, 80, 4096);
        check_slider(w.ScrollBar3, 104, 4096);
        check_slider(w.ScrollBar4, 176, 4);
        check_slider(w.ScrollBar5, 200, 4);
        check_slider(w.ScrollBar6, 224, 4);
        check_slider(w.ScrollBar7, 248, 4);

        check_geometry(w.CheckBox2, 256, 136, 97, 17);
        QCOMPARE(w.CheckBox2->text(), QString("ZOLT On/Off"));
        QVERIFY(!w.CheckBox2->isChecked());
        check_geometry(w.StatusBar1, 0, 310, 503, 19);
        QVERIFY(w.StatusBar1->currentMessage().isEmpty());
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(w.Timer1->interval(), 100);
        QVERIFY(!w.running());
        // Tooltips name the job and the keyboard key.
        QVERIFY(w.Image2->toolTip().contains("F1"));
        QVERIFY(w.Image3->toolTip().contains("F2"));
        QVERIFY(w.Image8->toolTip().contains("Enter"));
        QVERIFY(w.Button3->toolTip().contains("Up"));
        QVERIFY(w.Button4->toolTip().contains("Down"));
        QVERIFY(!w.Button1->toolTip().isEmpty());
        QVERIFY(!w.Button2->toolTip().isEmpty());
    }

    void frontPicture() {
        const QImage front = load_front_picture();
        QCOMPARE(front.size(), QSize(620, 620));
        // Under the panel the picture is black; the knob is white; the face dark.
        const double sx = 620.0 / 241, sy = 620.0 / 249;
        auto at = [&](double x, double y) { return front.pixelColor(int(x * sx), int(y * sy)); };
        QVERIFY(at(121, 121).value() < 30);
        QVERIFY(at(120, 214).value() > 200);
        QVERIFY(at(30, 128).value() < 60);
        QVERIFY(at(2, 2).value() > 200); // outside the face: the window's grey
        // Broken data gives no picture and no crash.
        const unsigned char junk[] = {0xFF, 0xD8, 0xFF, 0x00, 0x12, 0x34};
        QVERIFY(decode_jpeg(junk, sizeof junk).isNull());
        QVERIFY(decode_jpeg(nullptr, 0).isNull());
    }

    void slidersWhileOff() {
        TfrmMain& w = *window;
        struct Case {
            QScrollBar* slider;
            QLabel* label;
            int value;
            std::function<int()> variable;
        } cases[] = {
            {w.ScrollBar29, w.Label57, 4096, [] { return int(adc_input[0]); }},
            {w.ScrollBar30, w.Label60, 1234, [] { return int(adc_input[1]); }},
            {w.ScrollBar1, w.Label3, 1, [] { return int(adc_input[2]); }},
            {w.ScrollBar2, w.Label4, 4095, [] { return int(adc_input[3]); }},
            {w.ScrollBar3, w.Label6, 3000, [] { return int(supply_adc); }},
            {w.ScrollBar4, w.Label11, 4, [] { return int(channel_mode[0]); }},
            {w.ScrollBar5, w.Label12, 0, [] { return int(channel_mode[1]); }},
            {w.ScrollBar6, w.Label13, 3, [] { return int(channel_mode[2]); }},
            {w.ScrollBar7, w.Label14, 2, [] { return int(channel_mode[3]); }},
        };
        for (auto& c : cases) {
            c.slider->setValue(c.value == 0 ? 1 : 0); // move it away first, so the change is real
            c.slider->setValue(c.value);
            QCOMPARE(c.label->text(), QString::number(c.value));
            QCOMPARE(c.variable(), c.value);
        }
        // Beyond the range the slider clamps: 4096 is the top, stored as is.
        w.ScrollBar29->setValue(5000);
        QCOMPARE(adc_input[0], uint16_t(4096));
        // The arrow of a slider moves it one step.
        w.ScrollBar30->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(adc_input[1], uint16_t(1235));
        QCOMPARE(w.Label60->text(), QString("1235"));
        QVERIFY(!w.running());
    }

    void powerOnShowsRunScreen() {
        TfrmMain& w = *window;
        // Before the first power-on the panel is black.
        QVERIFY(compare_panel(w.Panel1->grab_display(), w.Panel1->shown_frame()).isEmpty());
        QCOMPARE(w.Panel1->grab_display().pixel(80, 64) | 0xFF000000u, qRgb(0, 0, 0));
        // The pass timer runs the loop by itself ...
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        const int target = w.pass_count() + 3;
        QTRY_VERIFY_WITH_TIMEOUT(w.pass_count() >= target, HANG_MS);
        QCOMPARE(power_off_request, uint8_t(0));
        // ... and ends it at its first pass after Off.
        QTest::mouseClick(w.Button2, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.running(), HANG_MS);
        QVERIFY(frame_has_colour());
        const QImage grab = w.Panel1->grab_display();
        const QString difference = compare_panel(grab, FrameBuffer);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void panelMatchesFrameBufferBothRenderers() {
        TfrmMain& w = *window;
        const auto& pattern = test_pattern();
        for (auto mode : {LcdPanel::RenderMode::Points, LcdPanel::RenderMode::Texture}) {
            w.Panel1->set_render_mode(mode);
            w.Panel1->show_frame(pattern);
            const QString difference = compare_panel(w.Panel1->grab_display(), pattern);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
        QVERIFY(w.Panel1->graphics_ready());
    }

    // Run once per desktop scale (QT_SCALE_FACTOR 1, 1.5 and 2, set by CTest).
    void panelAtScale() {
        TfrmMain& w = *window;
        const double s = w.Panel1->devicePixelRatioF();
        QCOMPARE(s, qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
        const auto& pattern = test_pattern();
        QImage grabs[2];
        for (auto mode : {LcdPanel::RenderMode::Points, LcdPanel::RenderMode::Texture}) {
            w.Panel1->set_render_mode(mode);
            w.Panel1->show_frame(pattern);
            QImage& grab = grabs[mode == LcdPanel::RenderMode::Texture];
            grab = w.Panel1->grab_display().convertToFormat(QImage::Format_RGB32);
            const QString difference = compare_scaled_panel(grab, pattern);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
        // Both renderers light the very same device pixels, boundaries included.
        QVERIFY(grabs[0] == grabs[1]);
        // The copy stays the 160 by 128 display, whatever the scale.
        QCOMPARE(w.Panel1->shown_image().size(), QSize(LCD_WIDTH, LCD_HEIGHT));
        // A click where the knob is drawn, delivered to the window as the
        // window system would, opens the menus.
        power_on();
        const QPoint knob = w.Image8->mapTo(&w, w.Image8->rect().center());
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, knob);
        QTRY_VERIFY_WITH_TIMEOUT(current_screen != run_screen, HANG_MS);
        // The run screen itself, drawn by the instrument, fills the panel too.
        power_off();
        const QString difference = compare_scaled_panel(w.Panel1->grab_display(), FrameBuffer);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void modeSlidersAfterOn() {
        TfrmMain& w = *window;
        w.ScrollBar4->setValue(0);
        w.ScrollBar5->setValue(4);
        w.ScrollBar6->setValue(2); // already the default of its channel? no: channel 3 is current
        w.ScrollBar29->setValue(777);
        adc_input[0] = 0; // the On button re-reads the channel sliders
        power_on(1);
        QCOMPARE(w.Label11->text(), QString("1"));
        QCOMPARE(w.Label12->text(), QString("2"));
        QCOMPARE(w.Label13->text(), QString("3"));
        QCOMPARE(w.Label14->text(), QString("4"));
        QCOMPARE(w.ScrollBar4->value(), 1);
        QCOMPARE(w.ScrollBar7->value(), 4);
        for (int i = 0; i < CHANNEL_COUNT; ++i) QCOMPARE(channel_mode[i], uint8_t(i + 1));
        QCOMPARE(adc_input[0], uint16_t(777));
        QCOMPARE(w.Label57->text(), QString("777"));
        // A mode slider moved while running takes effect at once.
        w.ScrollBar5->setValue(0);
        QCOMPARE(channel_mode[1], uint8_t(0));
        power_off();
    }

    void alarmLamp() {
        TfrmMain& w = *window;
        // Every channel well inside its limits except channel 1, driven to the
        // top of its range: a pressure far above its high alarm.
        w.ScrollBar29->setValue(4096);
        power_on(1);
        // Only channel 1 counts here; switch the others off.
        w.ScrollBar5->setValue(0);
        w.ScrollBar6->setValue(0);
        w.ScrollBar7->setValue(0);
        // The pass after the next sampling tick raises the alarm; the lamp
        // shows it from the pass after that.
        ticks(SAMPLE_TICKS);
        passes(2);
        QVERIFY(alarm_flags & 1u);
        QCOMPARE(w.Shape1->brush_colour(), TfrmMain::lamp_bright());
        // Any key acknowledges the alarm: the lamp turns dark red.
        QTest::mouseClick(w.Image2, Qt::LeftButton);
        passes(3);
        QVERIFY(alarm_ack_flags & 1u);
        QCOMPARE(w.Shape1->brush_colour(), TfrmMain::lamp_dark());
        power_off();
        // Off leaves the lamp in its last colour.
        passes(1);
        QCOMPARE(w.Shape1->brush_colour(), TfrmMain::lamp_dark());
    }

    void supplyAlarmAloneKeepsLampDark() {
        TfrmMain& w = *window;
        power_on(1);
        for (QScrollBar* s : {w.ScrollBar4, w.ScrollBar5, w.ScrollBar6, w.ScrollBar7}) s->setValue(0);
        // The supply-voltage bit alone, unacknowledged: never the bright lamp.
        alarm_flags = 1u << 4;
        alarm_ack_flags = 0;
        passes(3);
        QCOMPARE(w.Shape1->brush_colour(), TfrmMain::lamp_dark());
        // And it stays dark across sampling ticks with every channel off.
        for (int i = 0; i < 2 * SAMPLE_TICKS; ++i) {
            ticks(1);
            passes(1);
            QCOMPARE(w.Shape1->brush_colour(), TfrmMain::lamp_dark());
        }
        QCOMPARE(alarm_flags & 0xFu, 0u);
        power_off();
    }

    void keysWhileOffAreDiscardedByOn() {
        TfrmMain& w = *window;
        // The page after a plain power-on.
        power_on(2);
        power_off();
        const uint8_t page = display_page;
        // A knob turn while off waits in the slot ...
        QTest::mouseClick(w.Button3, Qt::LeftButton);
        QCOMPARE(pending_key, uint8_t(KEY_UP));
        // ... and the next power-on drops it: the page does not step.
        power_on(3);
        QCOMPARE(display_page, page);
        QCOMPARE(pending_key, uint8_t(0));
        // While running, the same turn steps the page (a first one may go to
        // acknowledging an alarm of the unwired inputs).
        for (int i = 0; i < 10 && display_page == page; ++i) {
            QTest::mouseClick(w.Button3, Qt::LeftButton);
            passes(2);
            QCOMPARE(pending_key, uint8_t(0));
        }
        QVERIFY(display_page != page);
        power_off();
    }

    void secondKeyIsDropped() {
        TfrmMain& w = *window;
        struct Click {
            QWidget* control;
            uint8_t code;
        } clicks[] = {{w.Image2, KEY_LEFT},
                      {w.Image3, KEY_RIGHT},
                      {w.Image8, KEY_PUSH},
                      {w.Button3, KEY_UP},
                      {w.Button4, KEY_DOWN}};
        for (const Click& first : clicks) {
            pending_key = 0;
            QTest::mouseClick(first.control, Qt::LeftButton);
            QCOMPARE(pending_key, first.code);
            for (const Click& second : clicks) {
                QTest::mouseClick(second.control, Qt::LeftButton);
                QCOMPARE(pending_key, first.code);
            }
        }
        // A press that leaves the area before the release is no click.
        pending_key = 0;
        QTest::mousePress(w.Image2, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(w.Image2, Qt::LeftButton, {}, QPoint(60, 5));
        QCOMPARE(pending_key, uint8_t(0));
    }

    void offKeepsLastFrame() {
        TfrmMain& w = *window;
        power_on();
        power_off();
        const int before = w.pass_count();
        static uint8_t last[LCD_HEIGHT][LCD_WIDTH];
        std::memcpy(last, FrameBuffer, sizeof last);
        // No pass runs while off, from the loop's timer or from anyone else.
        QVERIFY(!w.running());
        passes(3);
        QCOMPARE(w.pass_count(), before);
        // Whatever happens to the frame buffer now, the panel keeps the frame.
        std::memset(FrameBuffer, COLOUR_RED, sizeof FrameBuffer);
        w.FormPaint();
        const QString difference = compare_panel(w.Panel1->grab_display(), last);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void onTwiceOneLoop() {
        TfrmMain& w = *window;
        power_on();
        // On again while running: power-on again, the same one loop.
        pending_key = 0;
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QVERIFY(w.running());
        QCOMPARE(power_off_request, uint8_t(0));
        QCOMPARE(w.findChildren<QTimer*>().size(), 2);
        // A single Off stops it.
        QTest::mouseClick(w.Button2, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.running(), HANG_MS);
        const int before = w.pass_count();
        QTest::qWait(200);
        QCOMPARE(w.pass_count(), before);
    }

    void closingEndsTheLoop() {
        TfrmMain& w = *window;
        power_on();
        w.close();
        QCOMPARE(power_off_request, uint8_t(1));
        QVERIFY(!w.running());
        const int before = w.pass_count();
        QTest::qWait(200);
        QCOMPARE(w.pass_count(), before);
    }

    void exitMenuEndsTheLoop() {
        TfrmMain& w = *window;
        power_on();
        w.Exit1->trigger();
        QCOMPARE(power_off_request, uint8_t(1));
        QVERIFY(!w.running());
        QVERIFY(!w.isVisible());
    }

    void keyboardMapping() {
        TfrmMain& w = *window;
        struct Press {
            int key;
            Qt::KeyboardModifiers modifiers;
            uint8_t code;
        } presses[] = {
            {Qt::Key_F1, {}, KEY_LEFT},
            {Qt::Key_F2, {}, KEY_RIGHT},
            {Qt::Key_Return, {}, KEY_PUSH},
            {Qt::Key_Enter, Qt::KeypadModifier, KEY_PUSH},
            {Qt::Key_Space, {}, KEY_PUSH},
            {Qt::Key_Plus, Qt::ShiftModifier, KEY_UP},
            {Qt::Key_Plus, Qt::KeypadModifier, KEY_UP},
            {Qt::Key_Up, {}, KEY_UP},
            {Qt::Key_Minus, {}, KEY_DOWN},
            {Qt::Key_Down, {}, KEY_DOWN},
        };
        w.Client->setFocus();
        for (const Press& p : presses) {
            pending_key = 0;
            QTest::keyClick(&w, Qt::Key(p.key), p.modifiers);
            QCOMPARE(pending_key, p.code);
        }
        // Other keys do nothing; Alt+F1 is not F1.
        pending_key = 0;
        QTest::keyClick(&w, Qt::Key_A);
        QTest::keyClick(&w, Qt::Key_F1, Qt::AltModifier);
        QCOMPARE(pending_key, uint8_t(0));
        // After a click on a button the keyboard still serves the instrument.
        QTest::mouseClick(w.Button4, Qt::LeftButton);
        pending_key = 0;
        QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Space);
        QCOMPARE(pending_key, uint8_t(KEY_PUSH));
    }

    void sliderKeepsItsArrowKeys() {
        TfrmMain& w = *window;
        w.ScrollBar29->setFocus();
        QTest::keyClick(w.ScrollBar29, Qt::Key_Right);
        QTest::keyClick(w.ScrollBar29, Qt::Key_Right);
        QCOMPARE(w.ScrollBar29->value(), 2);
        QCOMPARE(adc_input[0], uint16_t(2));
        // Up and Down belong to the slider too, not to the knob.
        QTest::keyClick(w.ScrollBar29, Qt::Key_Up);
        QTest::keyClick(w.ScrollBar29, Qt::Key_Down);
        QTest::keyClick(w.ScrollBar29, Qt::Key_Down);
        QCOMPARE(pending_key, uint8_t(0));
        QCOMPARE(int(adc_input[0]), w.ScrollBar29->value());
        QVERIFY(w.ScrollBar29->value() != 2);
        // Keys the slider has no use for still reach the instrument.
        QTest::keyClick(w.ScrollBar29, Qt::Key_F2);
        QCOMPARE(pending_key, uint8_t(KEY_RIGHT));
        // A click on the picture takes the keyboard back.
        QTest::mouseClick(w.Image1, Qt::LeftButton);
        QCOMPARE(w.focusWidget(), w.Client);
    }

    void sliderSteps() {
        TfrmMain& w = *window;
        TScrollBar* raw = w.ScrollBar29;
        QCOMPARE(w.ScrollBar4->thumb_rect().width(), raw->thumb_rect().width());
        raw->setValue(2000);
        QList<int> moves;
        int last = raw->value();
        connect(raw, &QScrollBar::valueChanged, raw, [&](int value) {
            moves << value - last;
            last = value;
        });
        const QRect thumb = raw->thumb_rect();
        const QPoint right_of_thumb(thumb.right() + 10, raw->height() / 2);
        const QPoint left_of_thumb(thumb.left() - 5, raw->height() / 2);
        QVERIFY(left_of_thumb.x() > raw->height()); // in the trough, not on the arrow
        // A click in the trough moves one step towards it, label and input too.
        QTest::mouseClick(raw, Qt::LeftButton, {}, right_of_thumb);
        QCOMPARE(raw->value(), 2001);
        QCOMPARE(adc_input[0], uint16_t(2001));
        QCOMPARE(w.Label57->text(), QString("2001"));
        QTest::mouseClick(raw, Qt::LeftButton, {}, left_of_thumb);
        QCOMPARE(raw->value(), 2000);
        // Held, it repeats one step at a time, and stops on release.
        const QPoint held_at = raw->thumb_rect().center() + QPoint(30, 0);
        QTest::mousePress(raw, Qt::LeftButton, {}, held_at);
        QTRY_VERIFY_WITH_TIMEOUT(raw->value() > 2002, HANG_MS);
        QTest::mouseRelease(raw, Qt::LeftButton, {}, held_at);
        const int held = raw->value();
        QTest::qWait(200);
        QCOMPARE(raw->value(), held);
        // One wheel notch, on either kind of slider, is one step; half notches add up.
        auto turn = [](QScrollBar* slider, int delta) {
            const QPointF at(slider->width() / 2, slider->height() / 2);
            QWheelEvent event(at, slider->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(slider, &event);
        };
        turn(raw, 120);
        QCOMPARE(raw->value(), held + 1);
        turn(raw, -120);
        turn(raw, -60);
        QCOMPARE(raw->value(), held);
        turn(raw, -60);
        QCOMPARE(raw->value(), held - 1);
        for (int step : moves) QCOMPARE(qAbs(step), 1);
        w.ScrollBar4->setValue(2);
        turn(w.ScrollBar4, 120);
        QCOMPARE(channel_mode[0], uint8_t(3));
        QCOMPARE(w.Label11->text(), QString("3"));
    }

    // Keys go where the window system sends them: to an open menu, else to
    // the widget with the keyboard focus.
    void type(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::activePopupWidget();
        if (target == nullptr) target = window->focusWidget() ? window->focusWidget() : window.get();
        QTest::keyClick(target, key, modifiers);
        QTest::qWait(50);
    }

    // Gives `control` the keyboard as a user does: Tab from the picture.
    void tab_to(QWidget* control) {
        window->Client->setFocus();
        for (int i = 0; i < 20 && window->focusWidget() != control; ++i) type(Qt::Key_Tab);
        QCOMPARE(window->focusWidget(), control);
    }

    void menuBarGivesKeysBack() {
        TfrmMain& w = *window;
        QVERIFY(QTest::qWaitForWindowActive(&w, HANG_MS));
        power_on();
        w.Client->setFocus();
        // Alt+F opens File, Esc closes it; Enter then pushes the knob (the run
        // screen opens the menus) and the next Enter selects in them: the
        // program goes on.
        type(Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(w.File1->isVisible(), HANG_MS);
        type(Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!w.File1->isVisible(), HANG_MS);
        type(Qt::Key_Return);
        passes(2);
        QVERIFY(current_screen != run_screen);
        type(Qt::Key_Return);
        passes(2);
        QCOMPARE(pending_key, uint8_t(0));
        QVERIFY(!w.File1->isVisible());
        QCOMPARE(power_off_request, uint8_t(0));
        QVERIFY(w.isVisible() && w.running());
        // Every instrument key right after a menu closed, and after Alt alone
        // put the menu bar in charge of the keyboard (off, so keys wait in the slot).
        power_off();
        const struct {
            Qt::Key key;
            uint8_t code;
        } keys[] = {{Qt::Key_Return, KEY_PUSH}, {Qt::Key_Space, KEY_PUSH}, {Qt::Key_F1, KEY_LEFT},
                    {Qt::Key_F2, KEY_RIGHT},    {Qt::Key_Plus, KEY_UP},    {Qt::Key_Minus, KEY_DOWN},
                    {Qt::Key_Up, KEY_UP},       {Qt::Key_Down, KEY_DOWN}};
        for (const auto& k : keys)
            for (bool alt_alone : {false, true}) {
                if (alt_alone) {
                    type(Qt::Key_Alt);
                } else {
                    type(Qt::Key_F, Qt::AltModifier);
                    QVERIFY(w.File1->isVisible());
                    type(Qt::Key_Escape);
                }
                pending_key = 0;
                type(k.key);
                QVERIFY2(pending_key == k.code,
                         qPrintable(QString("key %1 after %2").arg(k.key).arg(alt_alone ? "Alt" : "Esc")));
                QVERIFY(!w.File1->isVisible());
                QVERIFY(w.isVisible());
            }
        QCOMPARE(w.focusWidget(), w.Client);
    }

    void focusFrameAndTabOrder() {
        TfrmMain& w = *window;
        // A slider with the keyboard wears a frame; without it, none.
        TScrollBar* slider = w.ScrollBar3;
        slider->setValue(2000);
        w.Client->setFocus();
        QTest::qWait(20);
        const QImage plain = slider->grab().toImage();
        slider->setFocus(Qt::TabFocusReason);
        QTest::qWait(20);
        QVERIFY(slider->hasFocus() || w.focusWidget() == slider);
        const QImage framed = slider->grab().toImage();
        const int right = framed.width() - 1, bottom = framed.height() - 1;
        int marked = 0;
        for (int x = 0; x <= right; ++x)
            marked += (framed.pixel(x, 1) != plain.pixel(x, 1)) +
                      (framed.pixel(x, bottom - 1) != plain.pixel(x, bottom - 1));
        for (int y = 0; y <= bottom; ++y)
            marked += (framed.pixel(1, y) != plain.pixel(1, y)) +
                      (framed.pixel(right - 1, y) != plain.pixel(right - 1, y));
        QVERIFY2(marked > framed.width() + framed.height(), qPrintable(QString::number(marked)));
        // Tab walks the controls as the window reads: the front's buttons,
        // then the right half from top to bottom, ZOLT between Volts and Channel 1.
        w.Client->setFocus();
        QList<QWidget*> visited;
        for (int i = 0; i < 14; ++i) {
            type(Qt::Key_Tab);
            visited << w.focusWidget();
        }
        const QList<QWidget*> expected = {w.Button3,     w.Button4,     w.Button1,    w.Button2,
                                          w.ScrollBar29, w.ScrollBar30, w.ScrollBar1, w.ScrollBar2,
                                          w.ScrollBar3,  w.CheckBox2,   w.ScrollBar4, w.ScrollBar5,
                                          w.ScrollBar6,  w.ScrollBar7};
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(visited[i] == expected[i],
                     qPrintable(QString("tab %1 reached %2")
                                    .arg(i + 1)
                                    .arg(visited[i] ? visited[i]->objectName() : "none")));
        QCOMPARE(pending_key, uint8_t(0));
    }

    void enterAndSpaceRule() {
        TfrmMain& w = *window;
        QVERIFY(QTest::qWaitForWindowActive(&w, HANG_MS));
        // Enter pushes the knob whatever has the keyboard.
        for (QWidget* focus :
             std::initializer_list<QWidget*>{w.Client, w.Button1, w.Button3, w.CheckBox2, w.ScrollBar29}) {
            tab_to(focus);
            pending_key = 0;
            type(Qt::Key_Return);
            QVERIFY2(pending_key == KEY_PUSH, qPrintable(focus->objectName()));
        }
        QVERIFY(!w.running());
        QVERIFY(!w.CheckBox2->isChecked());
        // Space pushes the knob where no button or check box shows focus ...
        for (QWidget* focus : std::initializer_list<QWidget*>{w.Client, w.ScrollBar29, w.ScrollBar4}) {
            tab_to(focus);
            pending_key = 0;
            type(Qt::Key_Space);
            QVERIFY2(pending_key == KEY_PUSH, qPrintable(focus->objectName()));
        }
        // ... and presses the one that does, which shows it.
        tab_to(w.Client);
        const QImage unfocused = w.Button1->grab().toImage();
        tab_to(w.Button1);
        QVERIFY(w.Button1->grab().toImage() != unfocused);
        pending_key = 0;
        type(Qt::Key_Space);
        QVERIFY(w.running());
        QCOMPARE(pending_key, uint8_t(0));
        tab_to(w.CheckBox2);
        type(Qt::Key_Space);
        QVERIFY(w.CheckBox2->isChecked());
        QCOMPARE(pending_key, uint8_t(0));
        // Esc gives the keyboard back to the instrument (off now, so that the
        // key waits in the slot).
        power_off();
        type(Qt::Key_Escape);
        QCOMPARE(w.focusWidget(), w.Client);
        type(Qt::Key_Space);
        QCOMPARE(pending_key, uint8_t(KEY_PUSH));
    }

    void valueEntry() {
        TfrmMain& w = *window;
        auto entry = [&] { return w.findChild<QLineEdit*>("ValueEntry"); };
        struct Case {
            TValueLabel* label;
            TScrollBar* slider;
            const char* typed;
            int value;
            std::function<int()> variable;
        } cases[] = {
            {w.Label57, w.ScrollBar29, "1638", 1638, [] { return int(adc_input[0]); }},
            // Beyond the top, as a slider moved there: the top.
            {w.Label6, w.ScrollBar3, "9999", 4096, [] { return int(supply_adc); }},
            {w.Label13, w.ScrollBar6, "4", 4, [] { return int(channel_mode[2]); }},
            {w.Label14, w.ScrollBar7, "7", 4, [] { return int(channel_mode[3]); }},
        };
        for (const Case& c : cases) {
            QTest::mouseDClick(c.label, Qt::LeftButton);
            QVERIFY(entry() != nullptr && entry()->isVisible());
            QCOMPARE(w.focusWidget(), entry());
            // Only digits, and no more than the top has.
            QTest::keyClicks(entry(), "-x12345");
            QCOMPARE(entry()->text().size(), QString::number(c.slider->maximum()).size());
            entry()->selectAll();
            QTest::keyClicks(entry(), c.typed);
            pending_key = 0;
            type(Qt::Key_Return);
            // Applied as a slider move: slider, label and input agree; Enter
            // stayed with the entry.
            QCOMPARE(c.slider->value(), c.value);
            QCOMPARE(c.label->text(), QString::number(c.value));
            QCOMPARE(c.variable(), c.value);
            QCOMPARE(pending_key, uint8_t(0));
            QTRY_VERIFY_WITH_TIMEOUT(entry() == nullptr, HANG_MS);
            QCOMPARE(w.focusWidget(), w.Client);
        }
        // Esc leaves the value as it was; keys typed into the entry are its own.
        QTest::mouseDClick(w.Label57, Qt::LeftButton);
        QVERIFY(entry() != nullptr);
        QTest::keyClicks(entry(), "12");
        type(Qt::Key_Up);
        type(Qt::Key_F1);
        type(Qt::Key_Escape);
        QCOMPARE(adc_input[0], uint16_t(1638));
        QCOMPARE(w.ScrollBar29->value(), 1638);
        QCOMPARE(pending_key, uint8_t(0));
        QTRY_VERIFY_WITH_TIMEOUT(entry() == nullptr, HANG_MS);
    }

    void wheelOverKnob() {
        TfrmMain& w = *window;
        auto turn = [&](int delta) {
            const QPointF at(20, 20);
            QWheelEvent event(at, w.Image8->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w.Image8, &event);
        };
        turn(120);
        QCOMPARE(pending_key, uint8_t(KEY_UP));
        pending_key = 0;
        turn(-120);
        QCOMPARE(pending_key, uint8_t(KEY_DOWN));
        // Half notches add up to one step.
        pending_key = 0;
        turn(60);
        QCOMPARE(pending_key, uint8_t(0));
        turn(60);
        QCOMPARE(pending_key, uint8_t(KEY_UP));
    }

    void clipboardCopy() {
        TfrmMain& w = *window;
        power_on();
        power_off();
        QApplication::clipboard()->clear();
        w.Client->setFocus();
        QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(pending_key, uint8_t(0));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::clipboard()->image().isNull(), HANG_MS);
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(LCD_WIDTH, LCD_HEIGHT));
        for (int y = 0; y < LCD_HEIGHT; ++y)
            for (int x = 0; x < LCD_WIDTH; ++x)
                if ((copied.pixel(x, y) | 0xFF000000u) != opaque_rgb(FrameBuffer[y][x]))
                    QFAIL(qPrintable(QString("clipboard pixel (%1,%2) differs").arg(x).arg(y)));
    }

    void timerTicksWhileOff() {
        TfrmMain& w = *window;
        QVERIFY(!w.running());
        // The window's own timer: the blink phase turns every 11 ticks of it,
        // on or off.
        const uint8_t phase = blink_phase;
        QTRY_VERIFY_WITH_TIMEOUT(blink_phase != phase, HANG_MS);
        second_tick = 0;
        QTRY_VERIFY_WITH_TIMEOUT(second_tick != 0, HANG_MS);
    }

    void graphicsFailureShownOnce() {
        TfrmMain& w = *window;
        power_on(1);
        w.Panel1->report_graphics_failure(true);
        w.Panel1->report_graphics_failure(true);
        w.Panel1->report_graphics_failure(false);
        const auto boxes = w.findChildren<QMessageBox*>("GraphicsFailure");
        QCOMPARE(boxes.size(), 2);
        QStringList texts;
        for (QMessageBox* box : boxes) texts << box->text();
        QVERIFY(texts.contains("Creating Rendering Context failed."));
        QVERIFY(texts.contains("MakeCurrent of rendering context failed."));
        // The message does not stop the simulator: its loop's timer goes on.
        const int target = w.pass_count() + 3;
        QTRY_VERIFY_WITH_TIMEOUT(w.pass_count() >= target, HANG_MS);
        for (QMessageBox* box : boxes) box->close();
        power_off();
    }

    void noGraphicsRunsOn() {
        // A machine without OpenGL: the message once, a black panel, and the
        // instrument running behind it.
        window.reset();
        auto saved = LcdPanel::graphics_probe;
        LcdPanel::graphics_probe = [] { return "Creating Rendering Context failed."; };
        window = std::make_unique<TfrmMain>();
        LcdPanel::graphics_probe = saved;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get(), HANG_MS));
        TfrmMain& w = *window;
        QVERIFY(!w.Panel1->has_view());
        const auto boxes = w.findChildren<QMessageBox*>("GraphicsFailure");
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->text(), QString("Creating Rendering Context failed."));
        w.Panel1->report_graphics_failure(true);
        QCOMPARE(w.findChildren<QMessageBox*>("GraphicsFailure").size(), 1);
        boxes[0]->close();
        power_on(3);
        QVERIFY(frame_has_colour());
        const QImage grab = w.Panel1->grab_display();
        QCOMPARE(grab.size(), QSize(163, 129));
        QCOMPARE(grab.pixel(80, 64) | 0xFF000000u, qRgb(0, 0, 0));
        // The display can still be copied from the frame the panel keeps.
        QCOMPARE(w.Panel1->shown_image().pixel(0, 0) | 0xFF000000u, opaque_rgb(FrameBuffer[0][0]));
        power_off();
    }

    void escapedExceptionIsReported() {
        QString reported;
        auto saved = NuvrexApplication::report_fatal;
        NuvrexApplication::report_fatal = [&](const QString& text) { reported = text; };
        power_on(1);
        Thrower thrower;
        QEvent event(QEvent::User);
        QApplication::sendEvent(&thrower, &event);
        NuvrexApplication::report_fatal = saved;
        QCOMPARE(reported, QString("broken handler"));
        // No pass runs after it.
        QCOMPARE(power_off_request, uint8_t(1));
        passes(1);
        QVERIFY(!window->running());
    }
};

int main(int argc, char** argv) {
    NuvrexApplication app(argc, argv);
    TestWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window.moc"
