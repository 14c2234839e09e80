#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

// For the checks that root passes whatever the code does (root reads and
// writes any file): runs the current test function's current row again in a
// copy of this test executable as the user nobody, in a home folder of its
// own. True when exactly that row ran there and passed; all the run printed
// goes to *output.
inline bool passesAsNobody(QString *output) {
    const passwd *nobody = ::getpwnam("nobody");
    QTemporaryDir dir;
    const QString home = dir.filePath(QStringLiteral("home"));
    const QString copy = dir.filePath(QStringLiteral("test"));
    constexpr auto kOpen =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    if (nobody == nullptr || !dir.isValid() || !QDir().mkdir(home) ||
        ::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid) != 0 ||
        !QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        !QFile::copy(QCoreApplication::applicationFilePath(), copy) ||
        !QFile::setPermissions(copy, kOpen) || !QFile::setPermissions(dir.path(), kOpen)) {
        *output = QStringLiteral("could not prepare a run as nobody");
        return false;
    }
    QString selected = QString::fromLatin1(QTest::currentTestFunction());
    if (const char *tag = QTest::currentDataTag())
        selected += QLatin1Char(':') + QString::fromUtf8(tag);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        env.insert(QString::fromLatin1(name), home);
    QProcess run;
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(home);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral("setpriv"),
              {QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
               QStringLiteral("--regid=%1").arg(nobody->pw_gid), QStringLiteral("--clear-groups"),
               QStringLiteral("--"), copy, selected});
    const bool finished = run.waitForFinished(120000);
    *output = QString::fromUtf8(run.readAll());
    // initTestCase, the row and cleanupTestCase: nothing skipped, nothing failed.
    return finished && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0 &&
           output->contains(QLatin1String("Totals: 3 passed, 0 failed, 0 skipped"));
}
