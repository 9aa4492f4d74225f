// Placeholder until the window lands.
#include <QApplication>
#include <QLabel>
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("Nuva QD-5 Simulator");
    label.show();
    return app.exec();
}
