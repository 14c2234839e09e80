#include "audiocapture.h"
#include "e2eenvironment.h"
#include "mainwindowmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <pwd.h>
#include <unistd.h>
#include <utility>

namespace {

// Runs a shell command to its end: its exit code (-1 when it did not end
// within five minutes), with all it wrote in *output.
int shell(const QString &script, QString *output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DEBIAN_FRONTEND"), QStringLiteral("noninteractive"));
    // The package's file names are Chinese: packing and listing them needs a
    // UTF-8 locale, which a bare system may not have set.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    const bool finished = p.waitForFinished(300000);
    if (!finished)
        p.kill();
    if (output != nullptr)
        *output = QString::fromUtf8(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool onDisk(const QString &path) {
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink(); // a dangling link is still left behind
}

} // namespace

// The Debian package as a school installs it: CPack packs this build, apt-get
// installs the package, an ordinary user starts /usr/bin/tintoko on a desktop
// of its own, hears a colour and saves the news option in the home folder (the
// installed program folder is not the user's to write), and the purge leaves
// nothing of the package behind but that setting. Needs root. A tintoko
// package or files installed by hand are left alone: the test skips. A run
// killed half-way (a CTest timeout) can leave the package and the user
// tintoko-e2e-<pid> behind; later runs skip until they are purged and removed.
class TstE2ePackage final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void debianCheckerPasses();
    void installRunAndPurge();
    void cleanup();

private:
    void startAsUser();

    QTemporaryDir m_work;
    QString m_deb;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<E2eEnvironment> m_env;
    bool m_installed = false;
    QString m_user;
    QString m_home;
};

void TstE2ePackage::startAsUser() {
    const passwd *pw = ::getpwnam(m_user.toLocal8Bit().constData());
    QVERIFY(pw != nullptr);
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;

    m_env = std::make_unique<E2eEnvironment>(E2eEnvironment::Part::AudioServer);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QVERIFY2(m_env->startAudioCapture() != nullptr, qPrintable(m_env->errorString()));
    // The audio server runs as root in a private folder; the user reaches it
    // through a socket of its own that asks for no cookie.
    const QString pulseDir = m_work.filePath(QStringLiteral("pulse"));
    QVERIFY(QDir().mkpath(pulseDir));
    const QString socket = pulseDir + QStringLiteral("/native");
    QVERIFY(
        m_env->run(QStringLiteral("pactl"),
                   {QStringLiteral("load-module"), QStringLiteral("module-native-protocol-unix"),
                    QStringLiteral("auth-anonymous=1"), QStringLiteral("socket=") + socket}) == 0);
    const QString clientConf = pulseDir + QStringLiteral("/client.conf");
    QFile conf(clientConf);
    QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write("autospawn = no\n") > 0);
    conf.close();

    const QString runtime = m_home + QStringLiteral("/run");
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(::chown(runtime.toLocal8Bit().constData(), uid, gid) == 0);
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QProcessEnvironment env = m_env->environment();
    const QString config = m_home + QStringLiteral("/.config");
    env.insert(QStringLiteral("HOME"), m_home);
    env.insert(QStringLiteral("USER"), m_user);
    env.insert(QStringLiteral("LOGNAME"), m_user);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
    env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), clientConf);
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), runtime + QStringLiteral("/pulse"));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), config + QStringLiteral("/pulse"));
    QVERIFY2(m_env->startCommand(
                 QStringLiteral("setpriv"),
                 {QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(gid),
                  QStringLiteral("--init-groups"), QStringLiteral("--pdeathsig=SIGKILL"),
                  QStringLiteral("--"), QStringLiteral("/usr/bin/tintoko")},
                 env, m_home),
             qPrintable(m_env->errorString()));
}

// Packs this build once for both tests.
void TstE2ePackage::initTestCase() {
    QVERIFY(m_work.isValid());
    const QString debDir = m_work.filePath(QStringLiteral("deb"));
    QString out;
    QVERIFY2(
        shell(QStringLiteral("'%1' -G DEB -B '%2' --config '%3'")
                  .arg(QStringLiteral(TINTOKO_CPACK), debDir, QStringLiteral(TINTOKO_CPACK_CONFIG)),
              &out) == 0,
        qPrintable(out));
    const QStringList debs = QDir(debDir).entryList({QStringLiteral("tintoko_*.deb")});
    QCOMPARE(debs.size(), 1);
    m_deb = debDir + QLatin1Char('/') + debs.first();
}

// Debian's checker finds nothing to say about the package at any level, its
// pedantic and experimental notes included, but what the package's own
// overrides file answers with a reason.
void TstE2ePackage::debianCheckerPasses() {
    if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty())
        QSKIP("no lintian on this machine");
    QString out;
    const int exit =
        shell(QStringLiteral("lintian --display-info --pedantic --display-experimental "
                             "--fail-on error,warning,info,pedantic,experimental "
                             "'%1'")
                  .arg(m_deb),
              &out);
    QVERIFY2(exit == 0, qPrintable(out));
    out.remove(QStringLiteral("running with root privileges is not recommended!\n"));
    QCOMPARE(out, QString());
}

void TstE2ePackage::installRunAndPurge() {
    if (::geteuid() != 0)
        QSKIP("needs root: installs a package and adds a user");
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg")).isEmpty())
        QSKIP("no dpkg on this machine");
    // One run at a time on this machine, whichever build tree it comes from.
    m_lock =
        std::make_unique<QLockFile>(QDir::tempPath() + QStringLiteral("/tintoko-e2e-package.lock"));
    m_lock->setStaleLockTime(3600 * 1000); // a dead holder's lock is taken over at once
    if (!m_lock->tryLock(600000))
        QSKIP("another run of this test holds the package lock");
    QString out;
    if (shell(QStringLiteral("dpkg-query -W -f='${db:Status-Status}' tintoko"), &out) == 0 &&
        out != QLatin1String("not-installed"))
        QSKIP("a tintoko package is on this machine; this test leaves it alone");

    QVERIFY(!m_deb.isEmpty());
    const QString &deb = m_deb;

    // What the package holds, and what of that is there already: shared
    // folders such as /usr/share/applications, and nothing else.
    QVERIFY2(shell(QStringLiteral("dpkg-deb --fsys-tarfile '%1' | tar -t --quoting-style=literal")
                       .arg(deb),
                   &out) == 0,
             qPrintable(out));
    QStringList paths;
    QStringList existed;
    for (const QString &entry : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString path = QDir::cleanPath(entry.mid(1)); // "./usr/bin/" -> "/usr/bin"
        if (path == QLatin1String("/"))
            continue;
        paths.append(path);
        if (!onDisk(path))
            continue;
        if (!QFileInfo(path).isDir())
            QSKIP(qPrintable(path + " is there already, from no package; this test leaves it"));
        existed.append(path);
    }
    for (const char *path :
         {"/usr/lib/tintoko/tintoko-news", "/usr/lib/tintoko/tintoko-voices",
          "/usr/lib/tintoko/声音/黑  色.mp3", "/usr/lib/tintoko/Tintoko说明.txt",
          "/usr/share/applications/tintoko.desktop",
          "/usr/share/applications/tintoko-voices.desktop", "/usr/bin/tintoko-voices",
          "/usr/share/metainfo/" TINTOKO_APPSTREAM_ID ".metainfo.xml",
          "/usr/share/icons/hicolor/48x48/apps/tintoko.png", "/usr/share/doc/tintoko/copyright",
          "/usr/share/doc/tintoko/changelog.gz", "/usr/share/man/man1/tintoko.1.gz",
          "/usr/share/man/man1/tintoko-voices.1.gz", "/usr/share/lintian/overrides/tintoko"})
        QVERIFY2(paths.contains(QString::fromUtf8(path)), path);
    // Qt's own words in Chinese come from a package of their own.
    QVERIFY(shell(QStringLiteral("dpkg-deb -f '%1' Depends").arg(deb), &out) == 0);
    QVERIFY2(
        out.trimmed().split(QStringLiteral(", ")).contains(QStringLiteral("qt6-translations-l10n")),
        qPrintable(out));

    m_installed = true;
    QVERIFY2(shell(QStringLiteral("apt-get install -y --no-install-recommends "
                                  "-o DPkg::Lock::Timeout=300 '%1'")
                       .arg(deb),
                   &out) == 0,
             qPrintable(out));
    // dpkg keeps exactly what the package holds.
    QVERIFY(shell(QStringLiteral("dpkg -L tintoko"), &out) == 0);
    QStringList listed = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    listed.removeAll(QStringLiteral("/."));
    listed.sort();
    paths.sort();
    QCOMPARE(listed, paths);
    QCOMPARE(QFileInfo(QStringLiteral("/usr/bin/tintoko")).canonicalFilePath(),
             QStringLiteral("/usr/lib/tintoko/tintoko"));
    QCOMPARE(QFileInfo(QStringLiteral("/usr/bin/tintoko-voices")).canonicalFilePath(),
             QStringLiteral("/usr/lib/tintoko/tintoko-voices"));
    for (const char *link : {"/usr/bin/tintoko", "/usr/bin/tintoko-voices"}) {
        char target[256] = {};
        QVERIFY(::readlink(link, target, sizeof target - 1) > 0);
        QCOMPARE(QByteArray(target), "../lib/tintoko/" + QByteArray(link).mid(9)); // relative
    }

    // An ordinary user, at home in the test's folder, which it may pass through
    // but not list.
    QVERIFY(QFile::setPermissions(m_work.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ExeOwner | QFile::ExeGroup |
                                                     QFile::ExeOther));
    m_user = QStringLiteral("tintoko-e2e-%1").arg(QCoreApplication::applicationPid());
    m_home = m_work.filePath(QStringLiteral("home"));
    QVERIFY2(shell(QStringLiteral("useradd --create-home --home-dir '%1' --user-group "
                                  "--shell /usr/sbin/nologin %2")
                       .arg(m_home, m_user),
                   &out) == 0,
             qPrintable(out));
    startAsUser();
    if (QTest::currentTestFailed())
        return;

    const quint64 window = m_env->waitForWindow(E2eEnvironment::kMainWindowTitle, 30000);
    QVERIFY2(window != 0, qPrintable(m_env->programOutput()));
    // The program runs as the user, not as root.
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1").arg(m_env->program()->processId())).ownerId(),
             ::getpwnam(m_user.toLocal8Bit().constData())->pw_uid);
    const auto map = m_env->waitForMainWindowMap(window);
    QVERIFY2(map.has_value(), "no black swatch in the main window");

    AudioCapture *capture = m_env->audioCapture();
    const qint64 mark = capture->sampleCount();
    QVERIFY(m_env->click(map->buttonCentre(13)));
    QVERIFY2(capture->waitForSound(mark, 10000),
             qPrintable("no sound reached the sink\n" + m_env->programOutput()));

    // 禁止弹出新闻资讯(&X) in the help menu.
    QVERIFY(m_env->chooseMenuEntry(window, QStringLiteral("alt+h"), QStringLiteral("x")));
    const QString setting = m_home + QStringLiteral("/.config/tintoko/v.sz");
    const auto saved = [&] {
        QFile f(setting);
        return f.open(QIODevice::ReadOnly) && f.readAll() == "True\r\n";
    };
    QVERIFY2(E2eEnvironment::waitFor(saved, 10000), qPrintable(m_env->programOutput()));
    QVERIFY(!onDisk(QStringLiteral("/usr/lib/tintoko/v.sz")));

    QVERIFY(m_env->closeWindow(window));
    QVERIFY2(m_env->waitForProgramEnd(15000), "the program did not end");
    m_env.reset();

    QVERIFY2(shell(QStringLiteral("dpkg --purge tintoko"), &out) == 0, qPrintable(out));
    m_installed = false;
    for (const QString &path : std::as_const(paths)) {
        if (!existed.contains(path))
            QVERIFY2(!onDisk(path), qPrintable(path + " is left after the purge"));
    }
    QVERIFY2(saved(), "the user's setting went with the package");
}

void TstE2ePackage::cleanup() {
    m_env.reset(); // the program and its desktop first
    if (m_installed)
        shell(QStringLiteral("dpkg --purge tintoko"));
    m_installed = false;
    if (!m_user.isEmpty())
        shell(QStringLiteral("userdel --remove ") + m_user);
    m_user.clear();
    m_lock.reset();
}

QTEST_GUILESS_MAIN(TstE2ePackage)
#include "tst_e2e_package.moc"
