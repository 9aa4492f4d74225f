#include "host/lcd_panel.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QElapsedTimer>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QSurfaceFormat>
#include <QTimer>
#include <cmath>
#include <cstring>

#include "display/palette.h"

namespace {

// Palette entry of a colour index; indices without an entry show black.

LcdPanel::RenderMode mode_from_environment() {
    const QByteArray wanted = qgetenv("QD5_RENDER");
    if (wanted == "points") return LcdPanel::RenderMode::Points;
    return LcdPanel::RenderMode::Texture;
}

// Double-buffered RGBA with 24 colour bits and a depth buffer. Qt renders the
// view into a framebuffer object, where 24 depth bits is what drivers offer.
QSurfaceFormat panel_format() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    return format;
}

} // namespace

// The OpenGL surface inside the panel. It draws the panel's kept frame.
class LcdView : public QOpenGLWidget {
  public:
    explicit LcdView(LcdPanel* owner) : QOpenGLWidget(owner), panel(owner) { setFormat(panel_format()); }
    ~LcdView() override {
        // Releases the texture while its context is still there.
        if (ready && texture != 0) {
            makeCurrent();
            glDeleteTextures(1, &texture);
            doneCurrent();
        }
    }

    bool ready = false;

    // The panel's size in device pixels: the size of the view's framebuffer.
    QSize device_size() const { return size() * devicePixelRatioF(); }

    void set_projection() {
        // The whole framebuffer in device pixels, addressed in panel (logical)
        // pixels with row 0 at the top: frame pixel (x, y) is the square from
        // (x, y + 1) to (x + 1, y + 2), so the spare row stays at the top and
        // the spare columns at the right at every scale. Device pixels sample
        // at their centres (nearest neighbour); the sixteenth of a device pixel
        // of shift settles a centre that falls exactly on a boundary between
        // two frame pixels (at 1.25, 1.5, 1.75) in favour of the lower one,
        // alike for both renderers.
        const QSize device = device_size();
        const double scale = devicePixelRatioF();
        const double shift = 1.0 / (16.0 * scale);
        glViewport(0, 0, device.width(), device.height());
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(shift, shift + device.width() / scale, shift + device.height() / scale, shift);
        glMatrixMode(GL_MODELVIEW);
    }

    // Clear, draw, flush.
    void render() {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        if (panel->mode == LcdPanel::RenderMode::Points)
            draw_points();
        else
            draw_texture();
        glFlush();
        if (panel->on_frame) panel->on_frame();
    }

    double benchmark(LcdPanel::RenderMode m, int frames) {
        if (!ready || frames <= 0) return 0.0;
        const LcdPanel::RenderMode saved = panel->mode;
        panel->mode = m;
        makeCurrent();
        if (QOpenGLContext::currentContext() != context()) {
            panel->report_graphics_failure(false);
            panel->mode = saved;
            return 0.0;
        }
        render();
        glFinish();
        // The best of ten batches: other work on the machine only ever adds time.
        constexpr int BATCHES = 10;
        const int per_batch = frames < BATCHES ? 1 : frames / BATCHES;
        double best = 0.0;
        for (int batch = 0; batch < BATCHES; ++batch) {
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < per_batch; ++i) render();
            glFinish();
            const double mean = static_cast<double>(clock.nsecsElapsed()) / 1000.0 / per_batch;
            if (batch == 0 || mean < best) best = mean;
        }
        doneCurrent();
        panel->mode = saved;
        update();
        return best;
    }

  protected:
    void initializeGL() override {
        if (context() == nullptr || QOpenGLContext::currentContext() != context()) {
            panel->report_graphics_failure(false);
            return;
        }
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, LCD_WIDTH, LCD_HEIGHT, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels);
        glBindTexture(GL_TEXTURE_2D, 0);
        ready = true;
    }

    void resizeGL(int, int) override {
        if (ready) set_projection();
    }

    void paintGL() override {
        if (!ready) return;
        if (QOpenGLContext::currentContext() != context()) {
            panel->report_graphics_failure(false);
            return;
        }
        render();
    }

  private:
    void draw_points() {
        set_projection();
        // At a whole scale s a point of size s is exactly one frame pixel's
        // square; at a fractional scale no point size is, so each lit pixel is
        // drawn as its square instead, covering what the texture covers.
        const double scale = devicePixelRatioF();
        const bool whole = scale == std::floor(scale);
        if (whole) {
            glPointSize(static_cast<GLfloat>(scale));
            glBegin(GL_POINTS);
        } else {
            glBegin(GL_QUADS);
        }
        // Black pixels are not drawn: the black clear colour shows through.
        for (int y = 0; y < LCD_HEIGHT; ++y)
            for (int x = 0; x < LCD_WIDTH; ++x) {
                const uint32_t c = palette_rgb(panel->shown[y][x]);
                if (c == 0) continue;
                glColor3ub(static_cast<GLubyte>(c >> 16), static_cast<GLubyte>(c >> 8),
                           static_cast<GLubyte>(c));
                if (whole) {
                    glVertex2f(static_cast<GLfloat>(x) + 0.5f, static_cast<GLfloat>(y) + 1.5f);
                } else {
                    glVertex2i(x, y + 1);
                    glVertex2i(x + 1, y + 1);
                    glVertex2i(x + 1, y + 2);
                    glVertex2i(x, y + 2);
                }
            }
        glEnd();
    }

    void draw_texture() {
        // 0xAARRGGBB words are B, G, R, A in memory on this little-endian host.
        for (int y = 0; y < LCD_HEIGHT; ++y)
            for (int x = 0; x < LCD_WIDTH; ++x) texels[y][x] = 0xFF000000u | palette_rgb(panel->shown[y][x]);
        // The square covers exactly the pixels the points would light, with
        // nearest sampling: no blur at any scale.
        set_projection();
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, LCD_WIDTH, LCD_HEIGHT, GL_BGRA, GL_UNSIGNED_BYTE, texels);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2i(0, 1);
        glTexCoord2f(1, 0);
        glVertex2i(LCD_WIDTH, 1);
        glTexCoord2f(1, 1);
        glVertex2i(LCD_WIDTH, LCD_HEIGHT + 1);
        glTexCoord2f(0, 1);
        glVertex2i(0, LCD_HEIGHT + 1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    LcdPanel* panel;
    uint32_t texels[LCD_HEIGHT][LCD_WIDTH] = {};
    unsigned texture = 0;
};

std::function<const char*()> LcdPanel::graphics_probe = LcdPanel::probe_graphics;

const char* LcdPanel::probe_graphics() {
    // Without any OpenGL the toolkit cannot compose a window holding an OpenGL
    // view at all, so this is asked before the view is made.
    QOpenGLContext context;
    context.setFormat(panel_format());
    if (!context.create()) return "Creating Rendering Context failed.";
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return "MakeCurrent of rendering context failed.";
    context.doneCurrent();
    return nullptr;
}

LcdPanel::LcdPanel(QWidget* parent) : QWidget(parent), mode(mode_from_environment()) {
    // Black, no bevel: what shows where nothing is drawn.
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
}

LcdPanel::~LcdPanel() = default;

void LcdPanel::start() {
    if (view != nullptr) return;
    if (const char* failure = graphics_probe ? graphics_probe() : nullptr) {
        report(failure, failure[0] == 'C' ? create_reported : current_reported);
        return;
    }
    view = new LcdView(this);
    view->setGeometry(rect());
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->show();
    // The context is made when the view is first shown; look once events have run.
    QTimer::singleShot(0, this, [this] {
        if (view != nullptr && isVisible() && !view->isValid()) report_graphics_failure(true);
    });
}

bool LcdPanel::graphics_ready() const { return view != nullptr && view->ready; }

void LcdPanel::report(const char* message, bool& reported) {
    if (reported) return;
    reported = true;
    if (on_failure) on_failure(message);
}

void LcdPanel::report_graphics_failure(bool creating) {
    if (creating)
        report("Creating Rendering Context failed.", create_reported);
    else
        report("MakeCurrent of rendering context failed.", current_reported);
}

void LcdPanel::set_projection() {
    if (view == nullptr || !view->ready) return;
    view->makeCurrent();
    view->set_projection();
    view->doneCurrent();
}

void LcdPanel::show_frame(const uint8_t (&frame)[LCD_HEIGHT][LCD_WIDTH]) {
    std::memcpy(shown, frame, sizeof shown);
    repaint_frame();
}

bool LcdPanel::redraws_always() {
    // Most passes draw the same frame as the one before, and the window shows
    // only a changed one; QD5_REDRAW_ALWAYS=1 repaints every pass, to measure
    // what that saves.
    static const bool always = qEnvironmentVariableIntValue("QD5_REDRAW_ALWAYS") != 0;
    return always;
}

void LcdPanel::repaint_frame() {
    if (view != nullptr) view->update();
}

QImage LcdPanel::shown_image() const {
    QImage image(LCD_WIDTH, LCD_HEIGHT, QImage::Format_RGB32);
    for (int y = 0; y < LCD_HEIGHT; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < LCD_WIDTH; ++x) line[x] = 0xFF000000u | palette_rgb(shown[y][x]);
    }
    return image;
}

QImage LcdPanel::grab_display() {
    if (view != nullptr && view->ready) return view->grabFramebuffer();
    QImage black(size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    return black;
}

void LcdPanel::set_render_mode(RenderMode m) {
    mode = m;
    repaint_frame();
}

double LcdPanel::benchmark(RenderMode m, int frames) {
    return view != nullptr ? view->benchmark(m, frames) : 0.0;
}
