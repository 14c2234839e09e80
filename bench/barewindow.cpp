// The yardstick for start-up figures: the barest Qt Widgets main window, built
// with the same compiler and flags as Tintoko.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(512, 367);
    window.show();
    return QApplication::exec();
}
