#include "viewersandbox.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <linux/securebits.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace viewersandbox;

// How the news viewer keeps the engine's sandbox: the options it refuses,
// the display's cookie it takes along, the environment and the account it
// runs as when root started it.
class TestViewerSandbox : public QObject {
    Q_OBJECT

private slots:
    void unsafeFlags_data();
    void unsafeFlags();
    void displayNumbers_data();
    void displayNumbers();
    void cookieOfTheDisplay();
    void environment();
    void runsAsNobody_data();
    void runsAsNobody();
    void engineAllowed();

private:
    // The output of a child that runs body, with its standard output on a pipe.
    static QByteArray outputOf(const std::function<void()> &body) {
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            body();
            ::_exit(99);
        }
        ::close(fds[1]);
        QByteArray output;
        char chunk[256];
        for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;)
            output.append(chunk, n);
        ::close(fds[0]);
        ::waitpid(child, nullptr, 0);
        return output;
    }
};

void TestViewerSandbox::unsafeFlags_data() {
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("none") << QByteArray() << QByteArray();
    QTest::newRow("all of them")
        << QByteArray("--no-sandbox --disable-seccomp-filter-sandbox --disable-namespace-sandbox "
                      "--single-process --no-zygote")
        << QByteArray();
    QTest::newRow("among others, with values, odd spaces")
        << QByteArray("  --js-flags=--x  --no-sandbox=1\t--renderer-process-limit=1 ")
        << QByteArray("--js-flags=--x --renderer-process-limit=1");
    QTest::newRow("only alike") << QByteArray("--no-sandboxes --sandbox")
                                << QByteArray("--no-sandboxes --sandbox");
}

void TestViewerSandbox::unsafeFlags() {
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, kept);
    QCOMPARE(withoutUnsafeFlags(flags), kept);
}

void TestViewerSandbox::displayNumbers_data() {
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("number");
    QTest::newRow("local") << QByteArray(":0") << QByteArray("0");
    QTest::newRow("screen") << QByteArray(":12.1") << QByteArray("12");
    QTest::newRow("host") << QByteArray("box.example:7") << QByteArray("7");
    QTest::newRow("none") << QByteArray() << QByteArray();
    QTest::newRow("no number") << QByteArray(":x") << QByteArray();
}

void TestViewerSandbox::displayNumbers() {
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, number);
    QCOMPARE(displayNumber(display), number);
}

void TestViewerSandbox::cookieOfTheDisplay() {
    const auto field = [](const QByteArray &bytes) {
        return QByteArray(1, char(bytes.size() >> 8)) + char(bytes.size() & 0xff) + bytes;
    };
    const auto entry = [&](const QByteArray &number, const QByteArray &cookie) {
        return QByteArray("\x01\x00", 2) + field("box") + field(number) +
               field("MIT-MAGIC-COOKIE-1") + field(cookie);
    };
    const QByteArray zero = entry("0", QByteArray(16, 'a'));
    const QByteArray ours = entry("99", QByteArray(300, 'b')); // a length above 255
    const QByteArray alike = entry("990", QByteArray(16, 'c'));
    const QByteArray file = zero + ours + alike + ours.left(ours.size() - 1);
    QCOMPARE(xauthorityFor(file, "99"), ours); // the damaged copy at the end is left out
    QCOMPARE(xauthorityFor(file, "0"), zero);
    QCOMPARE(xauthorityFor(file, "5"), QByteArray());
    QCOMPARE(xauthorityFor(QByteArray("\x01"), "0"), QByteArray());
}

void TestViewerSandbox::environment() {
    const Account account{65534, 65534, "/nonexistent"};
    const QByteArrayList root{"PATH=/usr/bin:/bin",
                              "HOME=/root",
                              "DISPLAY=:5",
                              "XDG_RUNTIME_DIR=/run/user/0",
                              "XDG_CONFIG_HOME=/root/.config",
                              "XDG_CACHE_HOME=/root/.cache",
                              "XDG_DATA_HOME=/root/.local/share",
                              "XDG_STATE_HOME=/root/.local/state",
                              "XAUTHORITY=/root/.Xauthority",
                              "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/0/bus",
                              "QTWEBENGINE_DISABLE_SANDBOX=1",
                              "QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --js-flags=--x",
                              "LANG=zh_CN.UTF-8"};
    const QByteArrayList expected{
        "PATH=/usr/bin:/bin", "DISPLAY=:5",        "QTWEBENGINE_CHROMIUM_FLAGS=--js-flags=--x",
        "LANG=zh_CN.UTF-8",   "HOME=/nonexistent", "DBUS_SESSION_BUS_ADDRESS=unix:path=/dev/null"};
    QCOMPARE(environmentFor(root, account, {}), expected);
    QCOMPARE(environmentFor(root, account, "/proc/self/fd/7"),
             expected + QByteArrayList{"XAUTHORITY=/proc/self/fd/7"});
}

void TestViewerSandbox::runsAsNobody_data() {
    QTest::addColumn<QString>("cookieFile"); // "regular", "fifo" or "none"
    QTest::newRow("with the display's cookie") << "regular";
    QTest::newRow("cookie file a FIFO: not waited for") << "fifo";
    QTest::newRow("no cookie file") << "none";
}

void TestViewerSandbox::runsAsNobody() {
    QFETCH(QString, cookieFile);
    if (::geteuid() != 0)
        QSKIP("giving root up needs root");
    const auto account = unprivilegedAccount();
    QVERIFY(account.has_value());
    QCOMPARE(account->home, QByteArray("/nonexistent"));
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("xauth")));
    const auto field = [](const QByteArray &bytes) {
        return QByteArray(1, '\0') + char(bytes.size()) + bytes;
    };
    const QByteArray cookie =
        QByteArray("\x01\x00", 2) + field("box") + field("5") + field("MIT") + field("cookie");
    if (cookieFile == QLatin1String("regular")) {
        QFile file(QString::fromLocal8Bit(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x01\x00", 2) + field("box") + field("0") + field("MIT") +
                   field("other") + cookie);
    } else if (cookieFile == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    }
    const QByteArray output = outputOf([&] {
        const gid_t rootGroups[] = {0, 4}; // root's and adm
        ::setgroups(2, rootGroups);
        ::setenv("DISPLAY", ":5.0", 1);
        ::setenv("XAUTHORITY", path.constData(), 1);
        ::setenv("HOME", "/root", 1);
        // The shell reads its commands from its input. Root cannot be had
        // back: setpriv fails to regain uid 0.
        const char script[] =
            "id -u; id -g; id -G; echo \"$HOME\"; cat \"${XAUTHORITY:-/dev/null}\"; "
            "echo; setpriv --reuid=0 true 2>/dev/null || echo for good\n";
        int commands[2];
        if (::pipe(commands) != 0 || ::write(commands[1], script, sizeof script - 1) < 0)
            return;
        ::close(commands[1]);
        ::dup2(commands[0], STDIN_FILENO);
        char name[] = "sh";
        runUnprivileged(::open("/bin/sh", O_RDONLY | O_CLOEXEC), name);
    });
    const QByteArray id = QByteArray::number(account->uid);
    const QByteArray group = QByteArray::number(account->gid);
    const QByteArray taken = cookieFile == QLatin1String("regular") ? cookie : QByteArray();
    QCOMPARE(output,
             id + '\n' + group + '\n' + group + "\n/nonexistent\n" + taken + "\nfor good\n");

    // Where root could be had back after all, nothing is run.
    const QByteArray kept = outputOf([&] {
        ::prctl(PR_SET_SECUREBITS, SECBIT_NO_SETUID_FIXUP);
        char sh[] = "sh";
        char c[] = "-c";
        char script[] = "echo ran";
        char *argv[] = {sh, c, script, nullptr};
        runAs(*account, ::open("/bin/sh", O_RDONLY | O_CLOEXEC), argv, {});
        std::fputs(::getuid() == 0 ? "root again" : "not root", stdout);
        std::fflush(stdout);
    });
    QCOMPARE(kept, QByteArray("root again"));
}

void TestViewerSandbox::engineAllowed() {
    // Nothing from outside turns the sandbox off.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --js-flags=--x");
    removeSandboxSwitches();
    QVERIFY(!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"));
    QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray("--js-flags=--x"));

    QVERIFY(namespacesWork());
    if (::geteuid() != 0) {
        QCOMPARE(reasonAgainstEngine(), std::nullopt);
        return;
    }
    QCOMPARE(reasonAgainstEngine(), NewsNotice::AsAdministrator);
    const auto account = unprivilegedAccount();
    QVERIFY(account.has_value());
    const QByteArray output = outputOf([&] {
        if (::setresgid(account->gid, account->gid, account->gid) == 0 &&
            ::setresuid(account->uid, account->uid, account->uid) == 0)
            std::fputs(reasonAgainstEngine() ? "no" : "yes", stdout);
        std::fflush(stdout);
    });
    QCOMPARE(output, QByteArray("yes"));
}

QTEST_GUILESS_MAIN(TestViewerSandbox)
#include "tst_viewersandbox.moc"
