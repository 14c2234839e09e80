#include "viewersandbox.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <linux/securebits.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace viewersandbox;

// How the news viewer keeps the engine's sandbox: the options it refuses,
// the display's cookie it takes along, and the account it runs as when root
// started it.
class TestViewerSandbox : public QObject {
    Q_OBJECT

private slots:
    void harmlessFlags_data();
    void harmlessFlags();
    void rules();
    void runsAsNobody_data();
    void runsAsNobody();
    void engineAllowed();

private:
    // What a child that runs body writes on its standard output.
    static QByteArray outputOf(const std::function<void()> &body) {
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            body();
            std::fflush(stdout);
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
    // An X authority entry for a display number.
    static QByteArray cookieEntry(const QByteArray &number, const QByteArray &cookie) {
        const auto field = [](const QByteArray &b) {
            return QByteArray(1, char(b.size() >> 8)) + char(b.size() & 0xff) + b;
        };
        return QByteArray("\x01\x00", 2) + field("box") + field(number) + field("MIT") +
               field(cookie);
    }
};

void TestViewerSandbox::harmlessFlags_data() {
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("quoted") << QByteArray("\"--no-sandbox\" --\"renderer-cmd-prefix=sh -c x\" "
                                          "-\"-disable-gpu\" \"\"")
                            << QByteArray("--disable-gpu");
    QTest::newRow("one dash") << QByteArray("-no-sandbox -disable-gpu-compositing -no-zygote")
                              << QByteArray("--disable-gpu-compositing");
    QTest::newRow("two dashes") << QByteArray(" --single-process  --disable-software-rasterizer ")
                                << QByteArray("--disable-software-rasterizer");
    QTest::newRow("=value") << QByteArray("--use-gl=egl --use-gl=\"egl x\" -num-raster-threads=2 "
                                          "--force-device-scale-factor=1.5;sh")
                            << QByteArray("--use-gl=egl --num-raster-threads=2");
    QTest::newRow("case") << QByteArray("--DISABLE-GPU --No-Sandbox") << QByteArray();
    QTest::newRow("unknown switches")
        << QByteArray("--remote-debugging-port=9333 --js-flags=--x --enable-logging=/tmp/x")
        << QByteArray();
    QTest::newRow("not switches, tab")
        << QByteArray("disable-gpu ---disable-gpu - --disable-gpu\t--no-sandbox -- --disable-gpu")
        << QByteArray();
}

void TestViewerSandbox::harmlessFlags() {
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, kept);
    QCOMPARE(viewersandbox::harmlessFlags(flags), kept);
}

void TestViewerSandbox::rules() {
    QCOMPARE(engineArguments(" a\"b c\"d  \"\" e\" "), QByteArrayList({"ab cd", "", "e "}));
    QCOMPARE(displayNumber(":12.1"), QByteArray("12"));
    QCOMPARE(displayNumber("box.example:7"), QByteArray("7"));
    QCOMPARE(displayNumber(":x"), QByteArray());
    QCOMPARE(displayNumber(""), QByteArray());

    const QByteArray zero = cookieEntry("0", "a");
    const QByteArray ours = cookieEntry("99", QByteArray(300, 'b')); // a length above 255
    const QByteArray file = zero + ours + cookieEntry("990", "c") + ours.chopped(1);
    QCOMPARE(xauthorityFor(file, "99"), ours); // the damaged copy at the end is left out
    QCOMPARE(xauthorityFor(file, "0"), zero);
    QCOMPARE(xauthorityFor("\x01", "0"), QByteArray());
    QCOMPARE(xauthorityFor(cookieEntry("1", ""), "1"), cookieEntry("1", "")); // empty at the end

    const QByteArrayList root{"PATH=/bin",
                              "HOME=/root",
                              "XDG_RUNTIME_DIR=/run/user/0",
                              "XAUTHORITY=/root/.Xauthority",
                              "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/0/bus",
                              "QTWEBENGINE_DISABLE_SANDBOX=1",
                              "SSH_AUTH_SOCK=/tmp/agent",
                              "SUDO_UID=1000",
                              "QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu"};
    const QByteArray flags = "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu";
    QCOMPARE(viewerEnvironment(root), root.mid(0, 5) << "SUDO_UID=1000" << flags);
    const QByteArrayList expected{"PATH=/bin", flags, "HOME=/nonexistent",
                                  "DBUS_SESSION_BUS_ADDRESS=unix:path=/dev/null"};
    const Account nobody{65534, 65534, "/nonexistent", "nobody"};
    QCOMPARE(environmentFor(root, nobody, {}), expected);
    QCOMPARE(environmentFor(root, nobody, "/proc/self/fd/7"),
             expected + QByteArrayList{"XAUTHORITY=/proc/self/fd/7"});

    // The package's account, else the one who called sudo, never root.
    const QByteArray nobodyUid = QByteArray::number(::getpwnam("nobody")->pw_uid);
    QCOMPARE(unprivilegedAccount("nobody", "1")->home, QByteArray("/nonexistent"));
    QCOMPARE(unprivilegedAccount("no-such-account", nobodyUid)->home, QByteArray("/nonexistent"));
    QVERIFY(!unprivilegedAccount("no-such-account", "0"));
    QVERIFY(!unprivilegedAccount("no-such-account", ""));
}

void TestViewerSandbox::runsAsNobody_data() {
    QTest::addColumn<QString>("cookieFile");
    QTest::newRow("with the display's cookie") << "regular";
    QTest::newRow("cookie file a FIFO: not waited for") << "fifo";
}

void TestViewerSandbox::runsAsNobody() {
    QFETCH(QString, cookieFile);
    if (::geteuid() != 0)
        QSKIP("giving root up needs root");
    const QByteArray nobodyUid = QByteArray::number(::getpwnam("nobody")->pw_uid);
    // The package's account where a package made it, else nobody's.
    const auto account = unprivilegedAccount(kViewerAccount, nobodyUid);
    QVERIFY(account.has_value());
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("xauth")));
    const QByteArray ours = cookieEntry("5", "cookie");
    if (cookieFile == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else {
        QFile file(QString::fromLocal8Bit(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cookieEntry("0", "other") + ours);
    }
    const QByteArray output = outputOf([&] {
        const gid_t rootGroups[] = {0, 4};
        ::setgroups(2, rootGroups);
        ::setenv("DISPLAY", ":5.0", 1);
        ::setenv("XAUTHORITY", path.constData(), 1);
        ::setenv("SUDO_UID", nobodyUid.constData(), 1);
        if (!becomeUnprivileged())
            return;
        QFile cookie(qEnvironmentVariable("XAUTHORITY"));
        const QByteArray text =
            QByteArray::number(::getuid()) + ' ' + QByteArray::number(::getgid()) + ' ' +
            QByteArray::number(::getgroups(0, nullptr)) + ' ' + qgetenv("HOME") + ' ' +
            (!cookie.fileName().isEmpty() && cookie.open(QIODevice::ReadOnly) ? cookie.readAll()
                                                                              : "") +
            ' ' + QByteArray::number(::prctl(PR_GET_DUMPABLE)) + ' ' + qgetenv("SUDO_UID") +
            (::setuid(0) == 0 ? " root again" : " for good");
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    });
    QCOMPARE(output, QByteArray::number(account->uid) + ' ' + QByteArray::number(account->gid) +
                         " 1 " + account->home + ' ' +
                         (cookieFile == QLatin1String("fifo") ? QByteArray() : ours) +
                         " 0  for good");

    // Where root could be had back after all, it is kept and said so.
    const QByteArray kept = outputOf([&] {
        ::prctl(PR_SET_SECUREBITS, SECBIT_NO_SETUID_FIXUP);
        std::printf(!giveUpRoot(*account) && ::getuid() == 0 ? "root again" : "not root");
    });
    QCOMPARE(kept, QByteArray("root again"));
}

void TestViewerSandbox::engineAllowed() {
    // Nothing from outside turns the sandbox off.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_REMOTE_DEBUGGING", "9333");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox -disable-gpu");
    removeSandboxSwitches();
    QVERIFY(!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"));
    QVERIFY(!qEnvironmentVariableIsSet("QTWEBENGINE_REMOTE_DEBUGGING"));
    QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray("--disable-gpu"));

    // The engine's sandbox needs user namespaces; where they cannot be made
    // (in a chroot, in many containers) the viewer says so instead of a page.
    const bool sandbox =
        QProcess::execute(QStringLiteral("unshare"),
                          {"-Upn", "--map-current-user", QStringLiteral("true")}) == 0;
    QCOMPARE(namespacesWork(), sandbox);
    if (::geteuid() == 0) {
        QCOMPARE(reasonAgainstEngine(), NewsNotice::AsAdministrator);
        const auto account = unprivilegedAccount("nobody", {});
        QVERIFY(account.has_value());
        QCOMPARE(outputOf([&] {
                     if (::setresgid(account->gid, account->gid, account->gid) == 0 &&
                         ::setresuid(account->uid, account->uid, account->uid) == 0)
                         std::printf("%d", int(reasonAgainstEngine().value_or(NewsNotice(-1))));
                 }),
                 QByteArray::number(sandbox ? -1 : int(NewsNotice::NoSandbox)));
        // Namespaces in which no map of ids can be written are no sandbox.
        // (/proc, not /, is made private: in a chroot / is no mount point.)
        QCOMPARE(outputOf([&] {
                     if (::unshare(CLONE_NEWNS) == 0 &&
                         ::mount(nullptr, "/proc", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount("none", "/proc", "tmpfs", 0, nullptr) == 0 &&
                         ::setresuid(account->uid, account->uid, account->uid) == 0)
                         std::printf("%d", int(namespacesWork()));
                 }),
                 QByteArray("0"));
    }
}

QTEST_GUILESS_MAIN(TestViewerSandbox)
#include "tst_viewersandbox.moc"
