#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// For the checks of what a user meets where root passes whatever the code
// does: root reads and writes any file through its capabilities, not its user
// id. So the current row runs again in this test executable as the same user
// stripped of every capability (setpriv empties the bounding set, so the new
// program gets none), where the permission bits hold for it as for any owner
// of its files. Unlike a run as another account, it reaches every folder this
// one reaches: a checkout inside a folder of mode 700 is no obstacle.

// True while this process overrides file permissions (CAP_DAC_OVERRIDE or
// CAP_DAC_READ_SEARCH in its effective set): an ordinary user, and the run
// below, have neither.
inline bool overridesPermissions() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("CapEff:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) & 0x6) != 0;
    return false;
}

enum class RowRun { Passed, Failed, CannotDrop };

// Runs the current test function's current row again without capabilities, in
// a home folder of its own; all it printed goes to *output.
inline RowRun runRowWithoutPrivilege(QString *output) {
    QTemporaryDir home;
    QString selected = QString::fromLatin1(QTest::currentTestFunction());
    if (const char *tag = QTest::currentDataTag())
        selected += QLatin1Char(':') + QString::fromUtf8(tag);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        env.insert(QString::fromLatin1(name), home.path());
    env.insert(QStringLiteral("TINTOKO_ROW_WITHOUT_PRIVILEGE"), QStringLiteral("1"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(home.path());
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral("setpriv"),
              {QStringLiteral("--inh-caps=-all"), QStringLiteral("--ambient-caps=-all"),
               QStringLiteral("--bounding-set=-all"), QStringLiteral("--"),
               QCoreApplication::applicationFilePath(), selected});
    const bool finished = home.isValid() && run.waitForFinished(120000);
    *output = run.error() == QProcess::FailedToStart ? run.errorString()
                                                     : QString::fromUtf8(run.readAll());
    // Capabilities cannot be dropped here: no setpriv, no right to, or setpriv
    // kept them without a word.
    if (run.error() == QProcess::FailedToStart || output->startsWith(QLatin1String("setpriv:")) ||
        output->contains(QLatin1String("setpriv kept the capabilities")))
        return RowRun::CannotDrop;
    // initTestCase, the row and cleanupTestCase: nothing skipped, nothing failed.
    return finished && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0 &&
                   output->contains(QLatin1String("Totals: 3 passed, 0 failed, 0 skipped"))
               ? RowRun::Passed
               : RowRun::Failed;
}

// In a row that checks what an ordinary user meets: where this process
// overrides file permissions, the row passes only if it passes run again
// without that power, and ends here.
#define TINTOKO_RUN_ROW_AS_ORDINARY_USER()                                                         \
    do {                                                                                           \
        if (overridesPermissions()) {                                                              \
            if (qEnvironmentVariableIsSet("TINTOKO_ROW_WITHOUT_PRIVILEGE"))                        \
                QSKIP("setpriv kept the capabilities");                                            \
            QString output_;                                                                       \
            const RowRun run_ = runRowWithoutPrivilege(&output_);                                  \
            if (run_ == RowRun::CannotDrop)                                                        \
                QSKIP(qPrintable(QLatin1String("no run without privilege here: ") + output_));     \
            QVERIFY2(run_ == RowRun::Passed, qPrintable(output_));                                 \
            return;                                                                                \
        }                                                                                          \
    } while (false)
