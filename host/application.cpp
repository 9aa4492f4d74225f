#include "host/application.h"

#include <QMessageBox>
#include <exception>

#include "host/panel/front_panel.h"

std::function<void(const QString&)> NuvrexApplication::report_fatal = NuvrexApplication::show_fatal_message;

NuvrexApplication::NuvrexApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Nuvrex");
}

void NuvrexApplication::show_fatal_message(const QString& text) {
    QMessageBox::critical(nullptr, "Nuvrex", text);
}

bool NuvrexApplication::notify(QObject* receiver, QEvent* event) {
    // Qt cannot carry an exception through its event loop: it is caught here,
    // shown, and the program ends with no further pass.
    QString text;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        text = "Unknown exception.";
    }
    front_panel_power_off();
    if (report_fatal) report_fatal(text);
    exit(FATAL_EXIT_CODE);
    return true;
}
