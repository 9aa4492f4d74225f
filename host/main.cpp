// Starts the simulator: the application "Nuvrex" and its one window.
//
// For measurements only, two environment variables:
//   QD5_FIRST_FRAME=1   prints the wall-clock time of the first frame drawn;
//   QD5_BENCH_RENDER=N  powers on, renders N frames with points and with the
//                       texture, prints the mean time of one frame, and ends.
// QD5_RENDER=points|texture chooses the renderer (texture by default), and
// QD5_REDRAW_ALWAYS=1 repaints the panel on every pass, changed or not.
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "display/framebuffer.h"
#include "host/application.h"
#include "host/pcmain.h"

namespace {

QElapsedTimer since_start;

void print_first_frame(TfrmMain& window) {
    auto printed = std::make_shared<bool>(false);
    window.Panel1->on_frame = [printed] {
        if (*printed) return;
        *printed = true;
        std::printf("first frame: epoch_ms=%lld since_main_ms=%.1f\n",
                    static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                    static_cast<double>(since_start.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
    };
}

void benchmark_rendering(TfrmMain& window, int frames) {
    QTimer::singleShot(200, &window, [&window, frames] {
        window.Button1Click();
        window.Button2Click();
        // On a scaled desktop (QT_SCALE_FACTOR) the figures name the scale.
        const qreal scale = window.Panel1->devicePixelRatioF();
        const QByteArray at_scale = scale == 1 ? QByteArray() : " at scale " + QByteArray::number(scale);
        auto run = [&](const char* what) {
            const double points = window.Panel1->benchmark(LcdPanel::RenderMode::Points, frames);
            const double texture = window.Panel1->benchmark(LcdPanel::RenderMode::Texture, frames);
            std::printf("%s%s: points %.1f us/frame, texture %.1f us/frame (%d frames)\n", what,
                        at_scale.constData(), points, texture, frames);
        };
        window.Panel1->show_frame(FrameBuffer);
        run("run screen");
        // The points renderer's worst case: no black pixel at all.
        static uint8_t lit[LCD_HEIGHT][LCD_WIDTH];
        for (int y = 0; y < LCD_HEIGHT; ++y)
            for (int x = 0; x < LCD_WIDTH; ++x) lit[y][x] = static_cast<uint8_t>(1 + (x + y) % 245);
        window.Panel1->show_frame(lit);
        run("every pixel lit");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}

} // namespace

int main(int argc, char** argv) {
    since_start.start();
    NuvrexApplication app(argc, argv);
    try {
        TfrmMain window;
        if (qEnvironmentVariableIsSet("QD5_FIRST_FRAME")) print_first_frame(window);
        window.show();
        const int frames = qEnvironmentVariableIntValue("QD5_BENCH_RENDER");
        if (frames > 0) benchmark_rendering(window, frames);
        return app.exec();
    } catch (const std::exception& error) {
        NuvrexApplication::report_fatal(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        NuvrexApplication::report_fatal("Unknown exception.");
    }
    return NuvrexApplication::FATAL_EXIT_CODE;
}
