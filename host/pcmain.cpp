#include "host/pcmain.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMessageBox>
#include <QSaveFile>
#include <QScreen>
#include <chrono>
#include <iterator>

#include "display/framebuffer.h"
#include "host/front_picture.h"
#include "host/panel/front_geometry.h"
#include "host/panel/front_panel.h"
#include "host/panel/panel_names.h"
#include "screens/run_screen.h"

TfrmMain* frmMain = nullptr;

namespace {

constexpr int CLIENT_WIDTH = 503;
constexpr int CLIENT_HEIGHT = 329;
constexpr int MODE_MAXIMUM = MODE_COUNT - 1;
// The pass period in whole milliseconds, the timer's precision.
constexpr std::chrono::milliseconds PASS_INTERVAL{MS_PER_TICK / PASSES_PER_TICK};

// Keyboard keys of the instrument's controls.
struct KeyBinding {
    int key;
    uint8_t code;
};
constexpr KeyBinding KEY_BINDINGS[] = {
    {Qt::Key_F1, KEY_LEFT},    {Qt::Key_F2, KEY_RIGHT},   {Qt::Key_Return, KEY_PUSH},
    {Qt::Key_Enter, KEY_PUSH}, {Qt::Key_Space, KEY_PUSH}, {Qt::Key_Plus, KEY_UP},
    {Qt::Key_Up, KEY_UP},      {Qt::Key_Minus, KEY_DOWN}, {Qt::Key_Down, KEY_DOWN},
};

// The instrument key a keyboard key stands for, or 0 (Shift and the keypad
// allowed, so that "+" and keypad Enter count; any other modifier not).
uint8_t instrument_key(const QKeyEvent* event) {
    const Qt::KeyboardModifiers others = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (others != Qt::NoModifier) return 0;
    for (const KeyBinding& binding : KEY_BINDINGS)
        if (binding.key == event->key()) return binding.code;
    return 0;
}

void show_position(QScrollBar* slider, QLabel* label) {
    label->setText(QString::number(slider->value()));
    label->adjustSize();
}

// Moves a slider without its handler; the caller runs the handler itself, so
// that it runs exactly once even when the position does not change.
void set_quietly(QScrollBar* slider, int value) {
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

// Only with QD5_HEARTBEAT=<file> set (the window soak script): once a second
// the 100 ms timer rewrites that file with a beat count and the passes run so
// far, so a watcher can tell a live event loop from a hung one.
void write_heartbeat(int passes) {
    static const QString path = qEnvironmentVariable("QD5_HEARTBEAT");
    static int ticks = 0;
    static int beats = 0;
    if (path.isEmpty() || ++ticks % 10 != 0) return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QByteArray::number(++beats) + ' ' + QByteArray::number(passes) + '\n');
    file.commit();
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    frmMain = this;
    FormCreate();
}

TfrmMain::~TfrmMain() {
    FormDestroy();
    if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::FormCreate() {
    setWindowTitle("Nuva QD-5 Simulator");
    // A fixed window with only the close box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    QFont controls_font("Sans Serif");
    controls_font.setStyleHint(QFont::SansSerif);
    controls_font.setPointSize(8);
    // The common sans-serif faces here are wider than the layout's: a slightly
    // narrowed face keeps "Channel 1:" clear of its value label at x 312.
    controls_font.setStretch(QFont::SemiCondensed);
    setFont(controls_font);

    build_menu();
    Client = new QWidget(this);
    Client->setObjectName("Client");
    Client->setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    // Clicks on the picture take the keyboard back from a slider.
    Client->setFocusPolicy(Qt::ClickFocus);
    setCentralWidget(Client);
    build_front();
    build_sliders();

    CheckBox2 = new QCheckBox("ZOLT On/Off", Client);
    CheckBox2->setObjectName("CheckBox2");
    CheckBox2->setGeometry(256, 136, 97, 17);
    CheckBox2->setFocusPolicy(Qt::TabFocus);
    CheckBox2->setToolTip("Remote ZOLT data unit connected or not (keyboard: Tab to it, then Space)");
    connect(CheckBox2, &QCheckBox::toggled, this, [](bool checked) { front_panel_set_zolt(checked); });
    set_tab_order();

    StatusBar1 = new QStatusBar(Client);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 310, CLIENT_WIDTH, 19);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    current_screen = run_screen;

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    Timer1->start(std::chrono::milliseconds(MS_PER_TICK));

    PassTimer = new QTimer(this);
    PassTimer->setObjectName("PassTimer");
    PassTimer->setTimerType(Qt::PreciseTimer);
    PassTimer->setInterval(PASS_INTERVAL);
    connect(PassTimer, &QTimer::timeout, this, &TfrmMain::RunPass);

    Client->setFocus();
}

void TfrmMain::build_menu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName("MainMenu1");
    File1 = MainMenu1->addMenu("&File");
    File1->setObjectName("File1");
    Exit1 = File1->addAction("&Exit");
    Exit1->setObjectName("Exit1");
    connect(Exit1, &QAction::triggered, this, &TfrmMain::Exit1Click);
    // Once File has closed (and the menu bar has taken the keyboard after Esc),
    // the instrument's keys work again.
    connect(File1, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, this, &TfrmMain::give_keys_back); });
    MainMenu1->installEventFilter(this);
}

void TfrmMain::build_front() {
    Image1 = new QLabel(Client);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, DEVICE_WIDTH, DEVICE_HEIGHT);
    show_front_picture();

    Panel1 = new LcdPanel(Client);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(PANEL_X, PANEL_Y, PANEL_WIDTH, PANEL_HEIGHT);
    Panel1->on_failure = [this](const char* message) { show_graphics_failure(message); };
    Panel1->start();

    // Over each key of the picture; the tooltip adds this window's own keyboard keys.
    auto key_area_widget = [this](const char* name, uint8_t key, const char* keyboard,
                                  void (TfrmMain::*handler)()) {
        const KeyArea& place = key_area(key);
        auto* area = new TImage(Client);
        area->setObjectName(name);
        area->setGeometry(place.x, place.y, place.size, place.size);
        area->setToolTip(QString("%1 %2").arg(key_name(key).action, keyboard));
        connect(area, &TImage::clicked, this, handler);
        return area;
    };
    Image2 = key_area_widget("Image2", KEY_LEFT, "(keyboard: F1)", &TfrmMain::Image2Click);
    Image8 = key_area_widget("Image8", KEY_PUSH,
                             "(keyboard: Enter always; Space unless a button or the ZOLT box shows focus). "
                             "Turn it with the wheel over it",
                             &TfrmMain::Image8Click);
    Image3 = key_area_widget("Image3", KEY_RIGHT, "(keyboard: F2)", &TfrmMain::Image3Click);
    connect(Image8, &TImage::wheel_step, this, [this](int direction) {
        if (direction > 0)
            Button3Click();
        else
            Button4Click();
    });

    auto button = [this](const char* name, const char* caption, int x, int y, int w, int h,
                         const QString& tip, void (TfrmMain::*handler)()) {
        auto* b = new QPushButton(caption, Client);
        b->setObjectName(name);
        b->setGeometry(x, y, w, h);
        b->setToolTip(tip);
        // Clicking a button leaves the keyboard with the instrument's keys.
        b->setFocusPolicy(Qt::TabFocus);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    Button3 = button("Button3", "+", 64, 232, 33, 25,
                     QString(key_name(KEY_UP).action) + " (keyboard: +, or Up while no slider shows focus)",
                     &TfrmMain::Button3Click);
    Button4 =
        button("Button4", "-", 144, 232, 33, 25,
               QString(key_name(KEY_DOWN).action) + " (keyboard: -, or Down while no slider shows focus)",
               &TfrmMain::Button4Click);
    QFont knob_font = font();
    knob_font.setPixelSize(16);
    knob_font.setBold(true);
    Button3->setFont(knob_font);
    Button4->setFont(knob_font);

    Shape1 = new TShape(Client);
    Shape1->setObjectName("Shape1");
    Shape1->setGeometry(LAMP_X, LAMP_Y, LAMP_SIZE, LAMP_SIZE);
    Shape1->setToolTip("Alarm lamp: bright while a channel alarm is not acknowledged");

    Button1 =
        button("Button1", "&On", 64, 272, 75, 25,
               "Power the instrument on (again); keyboard: Tab to it, then Space", &TfrmMain::Button1Click);
    Button2 = button("Button2", "&Off", 160, 272, 75, 25,
                     "Power the instrument off; keyboard: Tab to it, then Space", &TfrmMain::Button2Click);
}

void TfrmMain::show_front_picture() {
    // Scaled once to the device pixels it covers, so that a scaled desktop
    // shows it sharp rather than enlarged from 241 by 249.
    const QImage front = load_front_picture();
    if (front.isNull()) return;
    const qreal ratio = devicePixelRatioF();
    QPixmap picture = QPixmap::fromImage(front.scaled(QSize(DEVICE_WIDTH, DEVICE_HEIGHT) * ratio,
                                                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    picture.setDevicePixelRatio(ratio);
    Image1->setPixmap(picture);
}

QLabel* TfrmMain::make_label(const QString& caption, int x, int y) {
    auto* label = new QLabel(caption, Client);
    label->move(x, y);
    label->adjustSize();
    return label;
}

TScrollBar* TfrmMain::make_slider(int y, int maximum, void (TfrmMain::*handler)()) {
    auto* slider = new TScrollBar(Client);
    slider->setGeometry(352, y, 137, 17);
    slider->setRange(0, maximum);
    slider->setValue(0);
    // A slider with the keyboard keeps its own arrow keys.
    slider->setFocusPolicy(Qt::StrongFocus);
    connect(slider, &QScrollBar::valueChanged, this, handler);
    return slider;
}

void TfrmMain::build_sliders() {
    // The mode sliders' tooltip lists every mode by its value.
    QString modes;
    for (int mode = 0; mode < MODE_COUNT; ++mode)
        modes += QString(mode == 0 ? "%1 %2" : ", %1 %2").arg(mode).arg(MODE_NAMES[mode]);
    auto raw = [](int input) { return QString(INPUT_CAPTIONS[input]) + ":"; };
    auto channel = [](int c) { return QString("%1 %2:").arg(MODE_SLIDER_CAPTION).arg(c + 1); };
    auto mode_tip = [&modes](int c) {
        return QString("%1 %2: %3").arg(MODE_SLIDER_TITLE).arg(c + 1).arg(modes);
    };
    struct Row {
        QLabel** caption_label;
        const char* caption_name;
        QString caption;
        TValueLabel** value_label;
        const char* value_name;
        int value_x;
        TScrollBar** slider;
        const char* slider_name;
        int y;
        int maximum;
        void (TfrmMain::*handler)();
        QString tip;
    };
    const Row rows[] = {
        {&Label55, "Label55", raw(0), &Label57, "Label57", 304, &ScrollBar29, "ScrollBar29", 8, RAW_MAXIMUM,
         &TfrmMain::ScrollBar29Change, INPUT_TITLES[0]},
        {&Label53, "Label53", raw(1), &Label60, "Label60", 304, &ScrollBar30, "ScrollBar30", 32, RAW_MAXIMUM,
         &TfrmMain::ScrollBar30Change, INPUT_TITLES[1]},
        {&Label1, "Label1", raw(2), &Label3, "Label3", 304, &ScrollBar1, "ScrollBar1", 56, RAW_MAXIMUM,
         &TfrmMain::ScrollBar1Change, INPUT_TITLES[2]},
        {&Label2, "Label2", raw(3), &Label4, "Label4", 304, &ScrollBar2, "ScrollBar2", 80, RAW_MAXIMUM,
         &TfrmMain::ScrollBar2Change, INPUT_TITLES[3]},
        {&Label5, "Label5", raw(SUPPLY_INPUT), &Label6, "Label6", 304, &ScrollBar3, "ScrollBar3", 104,
         RAW_MAXIMUM, &TfrmMain::ScrollBar3Change, INPUT_TITLES[SUPPLY_INPUT]},
        {&Label7, "Label7", channel(0), &Label11, "Label11", 312, &ScrollBar4, "ScrollBar4", 176,
         MODE_MAXIMUM, &TfrmMain::ScrollBar4Change, mode_tip(0)},
        {&Label8, "Label8", channel(1), &Label12, "Label12", 312, &ScrollBar5, "ScrollBar5", 200,
         MODE_MAXIMUM, &TfrmMain::ScrollBar5Change, mode_tip(1)},
        {&Label9, "Label9", channel(2), &Label13, "Label13", 312, &ScrollBar6, "ScrollBar6", 224,
         MODE_MAXIMUM, &TfrmMain::ScrollBar6Change, mode_tip(2)},
        {&Label10, "Label10", channel(3), &Label14, "Label14", 312, &ScrollBar7, "ScrollBar7", 248,
         MODE_MAXIMUM, &TfrmMain::ScrollBar7Change, mode_tip(3)},
    };
    for (const Row& row : rows) {
        *row.caption_label = make_label(row.caption, 256, row.y);
        (*row.caption_label)->setObjectName(row.caption_name);
        TValueLabel* value = new TValueLabel("0", Client);
        value->move(row.value_x, row.y);
        value->adjustSize();
        value->setObjectName(row.value_name);
        *row.value_label = value;
        TScrollBar* slider = make_slider(row.y, row.maximum, row.handler);
        slider->setObjectName(row.slider_name);
        *row.slider = slider;
        const QString keys =
            "\nWith the keyboard (Tab; a frame shows it): arrows, Home, End; Esc gives the keys "
            "back to the instrument.";
        slider->setToolTip(row.tip + keys);
        value->setToolTip(QString("Double-click to type an exact value, 0 to %1").arg(row.maximum));
        connect(value, &TValueLabel::double_clicked, this,
                [this, slider, value] { open_value_entry(slider, value); });
    }
}

void TfrmMain::open_value_entry(TScrollBar* slider, TValueLabel* label) {
    if (findChild<TValueEntry*>("ValueEntry") != nullptr) return;
    auto* entry = new TValueEntry(slider->value(), slider->maximum(), Client);
    entry->setObjectName("ValueEntry");
    // Over the value label, up to the slider.
    entry->setGeometry(label->x() - 3, slider->y(), slider->x() - label->x() - 1, slider->height());
    // The number goes to the slider as if it had been moved there: its handler
    // updates the label and the input.
    connect(entry, &TValueEntry::committed, slider, &QScrollBar::setValue);
    connect(entry, &TValueEntry::closed, this, [this, entry] {
        // Closed by Enter or Esc, the keyboard goes back to the instrument;
        // closed by leaving it, it stays where the user took it.
        const bool had_keys = focusWidget() == entry;
        if (had_keys) Client->setFocus(Qt::OtherFocusReason);
        entry->hide();
        entry->deleteLater();
    });
    entry->show();
    entry->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::set_tab_order() {
    // As the window reads: the front's buttons, then the right half top down.
    QWidget* const order[] = {Button3,     Button4,    Button1,    Button2,    ScrollBar29,
                              ScrollBar30, ScrollBar1, ScrollBar2, ScrollBar3, CheckBox2,
                              ScrollBar4,  ScrollBar5, ScrollBar6, ScrollBar7};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// --- The run loop -----------------------------------------------------------

void TfrmMain::Button1Click() {
    const PassResult first = front_panel_power_on();
    // The sliders show what On did: the channel sliders re-read, the mode
    // sliders moved to the modes just loaded.
    show_position(ScrollBar29, Label57);
    show_position(ScrollBar30, Label60);
    show_position(ScrollBar1, Label3);
    show_position(ScrollBar2, Label4);
    TScrollBar* const mode_sliders[] = {ScrollBar4, ScrollBar5, ScrollBar6, ScrollBar7};
    TValueLabel* const mode_labels[] = {Label11, Label12, Label13, Label14};
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        set_quietly(mode_sliders[c], front_panel.mode_slider[c]);
        show_position(mode_sliders[c], mode_labels[c]);
    }
    ShowPass(first);
    // Powering on while running keeps the one loop going: the pass timer is
    // started only once, so a single Off stops it.
    if (!PassTimer->isActive()) PassTimer->start();
}

void TfrmMain::RunPass() {
    const PassResult result = front_panel_pass();
    if (!result.ran) {
        PassTimer->stop();
        return;
    }
    ShowPass(result);
    // Events are handled when this returns to the event loop, between passes.
}

void TfrmMain::ShowPass(const PassResult& result) {
    Shape1->set_brush_colour(result.lamp_bright ? lamp_bright() : lamp_dark());
    if (result.frame_changed || Panel1->redraws_always()) RenderLcd();
    ++passes;
}

void TfrmMain::RenderLcd() { Panel1->show_frame(FrameBuffer); }

void TfrmMain::Button2Click() { front_panel_power_off(); }

void TfrmMain::FormClose() {
    front_panel_power_off();
    PassTimer->stop();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TfrmMain::Exit1Click() {
    FormClose();
    close();
    QCoreApplication::quit();
}

void TfrmMain::FormDestroy() {
    Timer1->stop();
    PassTimer->stop();
}

void TfrmMain::FormResize() { Panel1->set_projection(); }

void TfrmMain::FormPaint() { Panel1->repaint_frame(); }

void TfrmMain::Timer1Timer() {
    front_panel_timer_tick();
    write_heartbeat(passes);
}

// --- Keys -------------------------------------------------------------------

void TfrmMain::Image2Click() { front_panel_click(KEY_LEFT); }
void TfrmMain::Image3Click() { front_panel_click(KEY_RIGHT); }
void TfrmMain::Image8Click() { front_panel_click(KEY_PUSH); }
void TfrmMain::Button3Click() { front_panel_click(KEY_UP); }
void TfrmMain::Button4Click() { front_panel_click(KEY_DOWN); }

void TfrmMain::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopyDisplay();
        return;
    }
    // Esc takes the keyboard back from a slider, a button or the check box.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Client->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (const uint8_t code = instrument_key(event)) {
        front_panel_click(code);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    // The menu bar keeps the keyboard after Alt or after Esc closed File, and
    // would open File on Enter and take Exit on the next: an instrument key
    // there goes to the instrument instead, and the menu bar lets go.
    if (watched == MainMenu1 && event->type() == QEvent::KeyPress && !File1->isVisible())
        if (const uint8_t code = instrument_key(static_cast<QKeyEvent*>(event))) {
            give_keys_back();
            front_panel_click(code);
            return true;
        }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::give_keys_back() {
    if (MainMenu1->hasFocus()) Client->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::CopyDisplay() { QApplication::clipboard()->setImage(Panel1->shown_image()); }

// --- Sliders ----------------------------------------------------------------

void TfrmMain::ScrollBar29Change() { raw_slider_moved(0, ScrollBar29, Label57); }
void TfrmMain::ScrollBar30Change() { raw_slider_moved(1, ScrollBar30, Label60); }
void TfrmMain::ScrollBar1Change() { raw_slider_moved(2, ScrollBar1, Label3); }
void TfrmMain::ScrollBar2Change() { raw_slider_moved(3, ScrollBar2, Label4); }
void TfrmMain::ScrollBar3Change() { raw_slider_moved(SUPPLY_INPUT, ScrollBar3, Label6); }
void TfrmMain::ScrollBar4Change() { mode_slider_moved(0, ScrollBar4, Label11); }
void TfrmMain::ScrollBar5Change() { mode_slider_moved(1, ScrollBar5, Label12); }
void TfrmMain::ScrollBar6Change() { mode_slider_moved(2, ScrollBar6, Label13); }
void TfrmMain::ScrollBar7Change() { mode_slider_moved(3, ScrollBar7, Label14); }

void TfrmMain::raw_slider_moved(int input, TScrollBar* slider, TValueLabel* label) {
    show_position(slider, label);
    front_panel_set_raw(input, slider->value());
}

void TfrmMain::mode_slider_moved(int channel, TScrollBar* slider, TValueLabel* label) {
    show_position(slider, label);
    front_panel_set_mode(channel, slider->value());
}

// --- Failures ---------------------------------------------------------------

void TfrmMain::show_graphics_failure(const char* message) {
    // Not modal-and-waiting: the rest of the simulator keeps running behind it.
    auto* box = new QMessageBox(QMessageBox::Warning, "Nuvrex", message, QMessageBox::Ok, this);
    box->setObjectName("GraphicsFailure");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
