#include "skiptaskbar.h"
#include "wmstatewatch.h"

#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t *connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t atom(const char *name) {
    xcb_connection_t *c = connection();
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A window's states by their names without "_NET_WM_STATE_"; a `type` other
// than ATOM or a `format` other than 32 makes a property nobody should read
// as states (the same bytes, in 16-bit items).
void setStates(const QWindow &window, const QStringList &states, xcb_atom_t type = XCB_ATOM_ATOM,
               uint8_t format = 32) {
    std::vector<xcb_atom_t> atoms;
    for (const QString &state : states)
        atoms.push_back(atom(("_NET_WM_STATE_" + state.toLatin1()).constData()));
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()),
                        atom("_NET_WM_STATE"), type, format, uint32_t(atoms.size() * 32 / format),
                        atoms.data());
    xcb_flush(connection());
}

QStringList states(const QWindow &window) {
    xcb_connection_t *c = connection();
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, xcb_window_t(window.winId()),
                                                atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64),
                               nullptr),
        &std::free);
    QStringList names;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i) {
        const Reply<xcb_get_atom_name_reply_t> name(
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atoms[i]), nullptr), &std::free);
        names << QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                     xcb_get_atom_name_name_length(name.get()))
                     .remove(QStringLiteral("_NET_WM_STATE_"));
    }
    return names;
}

} // namespace

// What the program says to and hears from an X11 window manager about a
// window's states, against an X server of the test's own (no window manager:
// the test writes the properties a window manager would).
class TestX11States final : public QObject {
    Q_OBJECT

private slots:
    void skipTaskbarKeepsStates_data();
    void skipTaskbarKeepsStates();
    void watchTellsMaximised_data();
    void watchTellsMaximised();
};

void TestX11States::skipTaskbarKeepsStates_data() {
    QTest::addColumn<QStringList>("held");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("none") << QStringList() << QStringList{"SKIP_TASKBAR", "SKIP_PAGER"};
    QTest::newRow("one") << QStringList{"ABOVE"}
                         << QStringList{"ABOVE", "SKIP_TASKBAR", "SKIP_PAGER"};
    QTest::newRow("one of its own already")
        << QStringList{"SKIP_PAGER", "STICKY", "ABOVE"}
        << QStringList{"SKIP_PAGER", "STICKY", "ABOVE", "SKIP_TASKBAR"};
}

void TestX11States::skipTaskbarKeepsStates() {
    QFETCH(QStringList, held);
    QFETCH(QStringList, expected);
    QWindow window;
    window.create();
    if (!held.isEmpty())
        setStates(window, held);
    skipTaskbar(&window);
    QCOMPARE(states(window), expected);
    skipTaskbar(&window); // nothing twice
    QCOMPARE(states(window), expected);
}

void TestX11States::watchTellsMaximised_data() {
    QTest::addColumn<QStringList>("states"); // "deleted": the property goes
    QTest::addColumn<bool>("maximised");
    QTest::newRow("both ways") << QStringList{"MAXIMIZED_VERT", "MAXIMIZED_HORZ"} << true;
    QTest::newRow("among others") << QStringList{"STICKY", "MAXIMIZED_HORZ", "ABOVE", "SKIP_PAGER",
                                                 "MAXIMIZED_VERT"}
                                  << true;
    QTest::newRow("one way only") << QStringList{"MAXIMIZED_VERT", "ABOVE"} << false;
    QTest::newRow("the other way only") << QStringList{"ABOVE", "MAXIMIZED_HORZ"} << false;
    QTest::newRow("full screen") << QStringList{"FULLSCREEN"} << true;
    QTest::newRow("deleted") << QStringList{"deleted"} << false;
    QTest::newRow("not atoms") << QStringList{"not atoms"} << false;
    QTest::newRow("16-bit items") << QStringList{"16-bit items"} << false;
}

// Every change of the window's own states is told, and nothing else is: not
// another property of it, not another window's states.
void TestX11States::watchTellsMaximised() {
    QFETCH(QStringList, states);
    QFETCH(bool, maximised);
    QWindow window;
    QWindow other;
    window.resize(320, 200);
    window.create();
    other.create();
    WmStateWatch watch(&window);
    // A watch on a window that has not been made yet lets every event pass.
    QWindow unmade;
    const WmStateWatch early(&unmade);
    // Nor is the X server asked about it: asking would make it.
    QVERIFY(!early.size() && !early.buttonHeld() && unmade.handle() == nullptr);
    QCOMPARE(watch.size().value_or(QSize()), QSize(320, 200)); // as the X server has it
    QSignalSpy told(&watch, &WmStateWatch::changed);
    const QStringList both{"MAXIMIZED_VERT", "MAXIMIZED_HORZ"};
    setStates(window, both);
    QTRY_COMPARE(told.size(), 1);

    setStates(other, {"ABOVE"});
    window.setTitle(QStringLiteral("标题"));
    if (states == QStringList{"deleted"})
        xcb_delete_property(connection(), xcb_window_t(window.winId()), atom("_NET_WM_STATE"));
    else if (states == QStringList{"not atoms"})
        setStates(window, both, XCB_ATOM_CARDINAL);
    else if (states == QStringList{"16-bit items"})
        setStates(window, both, XCB_ATOM_ATOM, 16);
    else
        setStates(window, states);
    xcb_flush(connection());
    QTRY_COMPARE(told.size(), 2);
    QCOMPARE(told.at(0).at(0).toBool(), true);
    QCOMPARE(told.at(1).at(0).toBool(), maximised);
    QTest::qWait(50);
    QCOMPARE(told.size(), 2);
}

// An X server of the test's own on a free display from :500 on (the e2e
// tests take :120 to :499): a number is ours once Xvfb holds its lock file.
static pid_t startXServer() {
    for (int attempt = 0; attempt < 40; ++attempt) {
        const int number = 500 + int((::getpid() + attempt) % 300);
        const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(number);
        if (QFile::exists(lock) || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            continue;
        const QByteArray display = ':' + QByteArray::number(number);
        const pid_t server = ::fork();
        if (server == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::execlp("Xvfb", "Xvfb", display.constData(), "-nolisten", "tcp", "-noreset", nullptr);
            ::_exit(127);
        }
        for (int waited = 0; waited < 30000; waited += 20) {
            if (::waitpid(server, nullptr, WNOHANG) == server)
                break; // the number was taken after all
            QFile f(lock);
            if (f.open(QIODevice::ReadOnly) && f.readAll().trimmed().toLongLong() == server) {
                xcb_connection_t *probe = xcb_connect(display.constData(), nullptr);
                const bool up = xcb_connection_has_error(probe) == 0;
                xcb_disconnect(probe);
                if (up) {
                    ::setenv("DISPLAY", display.constData(), 1);
                    return server;
                }
            }
            ::usleep(20000);
        }
        ::kill(server, SIGTERM);
        ::waitpid(server, nullptr, 0);
    }
    return -1;
}

int main(int argc, char **argv) {
    const pid_t server = startXServer();
    if (server < 0) {
        std::fputs("no X server could be started (Xvfb)\n", stderr);
        return 1;
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int status = 0;
    {
        QGuiApplication app(argc, argv);
        TestX11States test;
        status = QTest::qExec(&test, argc, argv);
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    return status;
}

#include "tst_x11states.moc"
