// The instrument's display: a black panel that shows one copy of the frame
// buffer through the palette, one frame-buffer pixel per panel pixel (an s by
// s block of device pixels on a desktop scaled by s, sampled nearest), drawn
// with OpenGL by a view inside it. Where no OpenGL context can be had, the
// panel says so once and stays black; the rest of the window works on.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "display/framebuffer.h"

class LcdView;

class LcdPanel : public QWidget {
    Q_OBJECT
  public:
    // Points follow the instrument's own renderer (one point per lit pixel);
    // the texture uploads the whole frame and draws one square.
    enum class RenderMode { Points, Texture };

    explicit LcdPanel(QWidget* parent = nullptr);
    ~LcdPanel() override;

    // Tries an OpenGL context; returns the failure message, or nullptr when
    // one can be created and made current. Replaceable for tests.
    static std::function<const char*()> graphics_probe;
    static const char* probe_graphics();

    // Sets up the graphics (called once `on_failure` is in place): the OpenGL
    // view when the probe succeeds, otherwise the failure message.
    void start();

    // Takes a copy of the frame to show and asks for a repaint. The panel keeps
    // showing this copy until the next one, whatever the frame buffer does.
    void show_frame(const uint8_t (&frame)[LCD_HEIGHT][LCD_WIDTH]);
    // Whether every pass is to be shown, changed or not (a measuring aid).
    static bool redraws_always();
    // The frame on display, 160 by 128, in palette colours (black before the first).
    QImage shown_image() const;
    const uint8_t (&shown_frame() const)[LCD_HEIGHT][LCD_WIDTH] { return shown; }
    // The panel's pixels as drawn by OpenGL: 163 by 129 times the device pixel
    // ratio (black without graphics).
    QImage grab_display();
    // Draws the kept frame again.
    void repaint_frame();

    RenderMode render_mode() const { return mode; }
    void set_render_mode(RenderMode m);
    // Renders `frames` frames with mode `m` into the panel, in ten batches, and
    // returns the mean time of one frame in the fastest batch, in microseconds
    // (the drawing itself included, by glFinish); 0 without graphics.
    double benchmark(RenderMode m, int frames);
    // Sets the viewport and projection from the panel's size.
    void set_projection();

    // Reports a failure to create the graphics context, or to make it current;
    // each kind is reported once for the life of the panel.
    void report_graphics_failure(bool creating);

    // Called with the message of a graphics failure (once per kind).
    std::function<void(const char*)> on_failure;
    // Called after every frame drawn.
    std::function<void()> on_frame;

    bool graphics_ready() const;
    bool has_view() const { return view != nullptr; }

  private:
    friend class LcdView;
    void report(const char* message, bool& reported);

    uint8_t shown[LCD_HEIGHT][LCD_WIDTH] = {};
    RenderMode mode;
    LcdView* view = nullptr;
    bool create_reported = false;
    bool current_reported = false;
};
