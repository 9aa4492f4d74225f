// The simulator's window, `frmMain`: the picture of the instrument's front
// with the live display set into it, the key areas, the lamp, the On and Off
// buttons and the sliders that stand in for the instrument's wiring. It only
// displays and forwards: every rule of the panel is in host/panel/front_panel.h.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include "host/controls.h"
#include "host/lcd_panel.h"
#include "host/panel/front_geometry.h"
#include "host/panel/front_panel.h"

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Passes run while this timer does: one pass per tick, about 60 a second.
    bool running() const { return PassTimer->isActive(); }
    int pass_count() const { return passes; }
    // The colours the lamp takes in a pass.
    static QColor lamp_bright() { return QColor::fromRgb(LAMP_BRIGHT_RGB); }
    static QColor lamp_dark() { return QColor::fromRgb(LAMP_DARK_RGB); }

    QMenuBar* MainMenu1;
    QMenu* File1;
    QAction* Exit1;
    QMenu* PopupMenu1;
    QWidget* Client; // the 503 by 329 client area below the menu bar
    QLabel* Image1;
    LcdPanel* Panel1;
    TImage* Image2;
    TImage* Image8;
    TImage* Image3;
    QPushButton* Button3;
    QPushButton* Button4;
    TShape* Shape1;
    QPushButton* Button1;
    QPushButton* Button2;
    QLabel *Label55, *Label53, *Label1, *Label2, *Label5, *Label7, *Label8, *Label9, *Label10;
    // The slider values; a double-click opens an entry for an exact value.
    TValueLabel *Label57, *Label60, *Label3, *Label4, *Label6, *Label11, *Label12, *Label13, *Label14;
    TScrollBar *ScrollBar29, *ScrollBar30, *ScrollBar1, *ScrollBar2, *ScrollBar3;
    TScrollBar *ScrollBar4, *ScrollBar5, *ScrollBar6, *ScrollBar7;
    QCheckBox* CheckBox2;
    QStatusBar* StatusBar1;
    QTimer* Timer1;
    QTimer* PassTimer;

  public slots:
    void Button1Click(); // On
    void Button2Click(); // Off
    void Image2Click();
    void Image3Click();
    void Image8Click();
    void Button3Click();
    void Button4Click();
    void ScrollBar29Change();
    void ScrollBar30Change();
    void ScrollBar1Change();
    void ScrollBar2Change();
    void ScrollBar3Change();
    void ScrollBar4Change();
    void ScrollBar5Change();
    void ScrollBar6Change();
    void ScrollBar7Change();
    void Timer1Timer();
    void Exit1Click();
    // One pass of the run loop (the pass timer's tick).
    void RunPass();
    // Hands the frame buffer to the panel, which shows it.
    void RenderLcd();
    // Copies the display as shown, 160 by 128, to the clipboard.
    void CopyDisplay();
    // Sets the panel's viewport and projection from its size.
    void FormResize();
    // Draws the kept frame again.
    void FormPaint();

    // Opens the entry for an exact value of `slider` over its value label.
    void open_value_entry(TScrollBar* slider, TValueLabel* label);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void FormClose();
    void FormDestroy();
    void build_menu();
    void build_front();
    void show_front_picture();
    void build_sliders();
    void set_tab_order();
    void give_keys_back();
    QLabel* make_label(const QString& caption, int x, int y);
    TScrollBar* make_slider(int y, int maximum, void (TfrmMain::*handler)());
    void show_graphics_failure(const char* message);
    // The lamp and, if the frame changed, the display after one pass.
    void ShowPass(const PassResult& result);
    void raw_slider_moved(int input, TScrollBar* slider, TValueLabel* label);
    void mode_slider_moved(int channel, TScrollBar* slider, TValueLabel* label);

    int passes = 0;
};

// The one window of the program, while it exists.
extern TfrmMain* frmMain;
