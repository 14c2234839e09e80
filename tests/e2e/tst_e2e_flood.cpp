#include "e2eenvironment.h"
#include "mainwindowmap.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <memory>
#include <optional>

// Ten thousand clicks on the colour buttons, queued while the program is
// stopped and then delivered all at once, as from a child drumming on the
// mouse of a machine that is busy elsewhere. Every click shows its colour and
// starts its recording, cutting the one before short. The program must work
// through the whole queue without its handlers piling up on the stack, and
// still end on a close request from the window manager.
class TstE2eFlood final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void queuedClicksAreWorkedThrough();
    void closeRequestStillEndsTheProgram();
    void cleanupTestCase();

private:
    bool signalProgram(int signal) const;

    std::unique_ptr<E2eEnvironment> m_env;
    quint64 m_window = 0;
    std::optional<MainWindowMap> m_map;
};

namespace {

constexpr int kClicks = 10000;
// Seven arguments a click, about 40 bytes of text: a command of a thousand
// clicks stays far below the limit on a command line.
constexpr int kClicksPerCommand = 1000;
// The flood goes round buttons 0 to 14; only the very last click is on button
// 15, so a white swatch means the program has handled every click.
constexpr int kFloodButtons = 15;
constexpr int kLastButton = 15;
constexpr int kDrainLimitMs = 120000;
// Handling one click at a time takes a few dozen frames; a handler nested
// inside every queued click takes megabytes, until the stack overflows.
constexpr int kStackLimitKb = 1024;

// The main thread's stack as the kernel counts it (VmStk); -1 when the process
// is gone. The mapping never shrinks, so this is the deepest it has been.
int stackKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression vmStk(QStringLiteral("VmStk:\\s*(\\d+) kB"));
    const QRegularExpressionMatch m = vmStk.match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

bool isStopped(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ...": the name may hold spaces and brackets.
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end >= 0 && line.mid(end + 2, 1) == "T";
}

// By default openbox takes every press on a window (to focus and raise it)
// with a grab that holds the pointer until it lets the press through. Under a
// flood that loses most clicks and delivers most of the rest at the pointer's
// final place, the last button. Without mouse bindings it leaves the pointer
// alone and still turns close requests into WM_DELETE_WINDOW. openbox takes
// its events in order, so the new configuration is in force before the
// program's window, mapped later, is managed.
bool dropWindowManagerClickBindings(E2eEnvironment &env) {
    const QString dir =
        env.environment().value(QStringLiteral("XDG_CONFIG_HOME")) + QStringLiteral("/openbox");
    QFile rc(dir + QStringLiteral("/rc.xml"));
    return QDir().mkpath(dir) && rc.open(QIODevice::WriteOnly) &&
           rc.write("<?xml version=\"1.0\"?>\n"
                    "<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><mouse/>"
                    "</openbox_config>\n") > 0 &&
           rc.flush() && env.run(QStringLiteral("openbox"), {QStringLiteral("--reconfigure")}) == 0;
}

} // namespace

void TstE2eFlood::initTestCase() {
    using Part = E2eEnvironment::Part;
    m_env = std::make_unique<E2eEnvironment>(Part::WindowManager | Part::AudioServer);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QVERIFY(dropWindowManagerClickBindings(*m_env));
    m_map = m_env->startMainWindow(&m_window);
    QVERIFY2(m_map.has_value(), qPrintable(m_env->errorString()));
}

bool TstE2eFlood::signalProgram(int signal) const {
    return m_env->programRunning() && ::kill(pid_t(m_env->program()->processId()), signal) == 0;
}

void TstE2eFlood::queuedClicksAreWorkedThrough() {
    const qint64 pid = m_env->program()->processId();
    qInfo("stack before the flood: %d kB", stackKb(pid));

    // The whole flood waits in the X server for the stopped program.
    QVERIFY(signalProgram(SIGSTOP));
    auto resume = qScopeGuard([this] { signalProgram(SIGCONT); });
    QVERIFY(E2eEnvironment::waitFor([&] { return isStopped(pid); }, 10000));
    for (int first = 0; first < kClicks; first += kClicksPerCommand) {
        QStringList chain;
        for (int n = first; n < first + kClicksPerCommand; ++n) {
            const QPoint at =
                m_map->buttonCentre(n == kClicks - 1 ? kLastButton : n % kFloodButtons);
            chain << QStringLiteral("mousemove") << QString::number(at.x())
                  << QString::number(at.y()) << QStringLiteral("mousedown") << QStringLiteral("1")
                  << QStringLiteral("mouseup") << QStringLiteral("1");
        }
        QCOMPARE(m_env->run(QStringLiteral("xdotool"), chain, nullptr, 60000), 0);
    }
    resume.dismiss();
    QVERIFY(signalProgram(SIGCONT));
    QElapsedTimer clock;
    clock.start();

    QColor swatch;
    int deepestKb = 0;
    const bool drained = E2eEnvironment::waitFor(
        [&] {
            deepestKb = std::max(deepestKb, stackKb(pid));
            if (!m_env->programRunning())
                return true;
            swatch = m_env->swatchColour(*m_map);
            return swatch == QColor(Qt::white);
        },
        kDrainLimitMs, 200);
    m_env->screenshot(QStringLiteral("after-flood"));
    if (!m_env->programRunning()) {
        const bool crashed = m_env->program()->exitStatus() == QProcess::CrashExit;
        QFAIL(qPrintable(QStringLiteral("the program %1 %2 during the flood, its stack last seen "
                                        "at %3 kB; it said:\n%4")
                             .arg(crashed ? QStringLiteral("died of signal")
                                          : QStringLiteral("exited with code"))
                             .arg(m_env->program()->exitCode())
                             .arg(deepestKb)
                             .arg(m_env->programOutput().right(2000))));
    }
    QVERIFY2(drained, qPrintable(QStringLiteral("the swatch is still %1 after %2 s, stack %3 kB")
                                     .arg(swatch.name())
                                     .arg(kDrainLimitMs / 1000)
                                     .arg(deepestKb)));
    qInfo("the last click was shown %lld ms after the program went on; deepest stack %d kB",
          clock.elapsed(), deepestKb);
    QVERIFY2(deepestKb < kStackLimitKb, qPrintable(QStringLiteral("%1 kB").arg(deepestKb)));
}

void TstE2eFlood::closeRequestStillEndsTheProgram() {
    QVERIFY(m_env->programRunning());
    QVERIFY(m_env->closeWindow(m_window));
    QVERIFY2(m_env->waitForProgramEnd(30000),
             "the program still runs 30 s after the close request");
    QCOMPARE(m_env->program()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_env->program()->exitCode(), 0);
}

void TstE2eFlood::cleanupTestCase() {
    m_env.reset();
}

QTEST_GUILESS_MAIN(TstE2eFlood)
#include "tst_e2e_flood.moc"
