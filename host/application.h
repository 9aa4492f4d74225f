// The application object: it carries the program's name and turns an exception
// that escapes an event handler into a message and the end of the program.
#pragma once

#include <QApplication>
#include <functional>

class NuvrexApplication : public QApplication {
  public:
    NuvrexApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows a fatal error to the user; a message box unless replaced.
    static std::function<void(const QString&)> report_fatal;
    static void show_fatal_message(const QString& text);
    // Exit code after an escaped exception.
    static constexpr int FATAL_EXIT_CODE = 3;
};
