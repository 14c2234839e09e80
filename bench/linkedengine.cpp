// The cost of merely linking Qt WebEngine: a bare Qt Widgets main window that
// links the engine (and touches one of its symbols so the link stays) but
// never creates a view.
#include <QApplication>
#include <QMainWindow>
#include <QWebEngineProfile>

int main(int argc, char *argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Linked engine"));
    window.resize(512, 367);
    // Never true: keeps the engine library a real dependency.
    if (argc > 99)
        QWebEngineProfile::defaultProfile();
    window.show();
    return QApplication::exec();
}
