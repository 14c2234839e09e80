#include "programfolder.h"
#include "unprivileged.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Which recording plays: the user's own when there is a readable file, else
// the program folder's; and where the user's are kept.
class TestProgramFolder final : public QObject {
    Q_OBJECT

private slots:
    void userRecordingWins_data();
    void userRecordingWins();
    void userFolder_data();
    void userFolder();
    void shippedInstead_data();
    void shippedInstead();

private:
    QTemporaryDir m_home;
};

void TestProgramFolder::userRecordingWins_data() {
    QTest::addColumn<QString>("kind"); // what the user's folder holds under the name
    QTest::addColumn<bool>("user");
    QTest::newRow("a file") << "file" << true;
    QTest::newRow("nothing") << "" << false;
    QTest::newRow("a folder") << "folder" << false;
    QTest::newRow("a dangling link") << "link" << false;
    QTest::newRow("an unreadable file") << "unreadable" << false;
}

void TestProgramFolder::userRecordingWins() {
    QFETCH(QString, kind);
    QFETCH(bool, user);
    if (kind == QLatin1String("unreadable") && ::geteuid() == 0) { // root reads anything
        QString output;
        QVERIFY2(passesAsNobody(&output), qPrintable(output));
        return;
    }
    const QString own = m_home.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const ProgramFolder folder(QStringLiteral("/usr/lib/tintoko"), own);
    const QString path = own + QStringLiteral("/红  色.mp3");
    QVERIFY(QDir().mkpath(kind == QLatin1String("folder") ? path : own));
    QFile file(path);
    if (kind == QLatin1String("file") || kind == QLatin1String("unreadable"))
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.setPermissions(kind == "file" ? QFile::ReadOwner : QFile::Permissions()));
    if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(own + QStringLiteral("/gone.mp3"), path));

    const QString shipped = QStringLiteral("/usr/lib/tintoko/声音/红  色.mp3");
    QCOMPARE(folder.colourNameSound(4), user ? path : shipped);
    // Each call looks again: once the user's file is gone, the shipped one plays.
    QVERIFY(QDir(own).removeRecursively());
    QCOMPARE(folder.colourNameSound(4), shipped);
}

void TestProgramFolder::userFolder_data() {
    QTest::addColumn<QByteArray>("xdgDataHome");
    QTest::addColumn<QString>("expected"); // HOME stands for the home folder
    QTest::newRow("XDG_DATA_HOME") << QByteArray("/srv/数据") << "/srv/数据/tintoko/声音";
    QTest::newRow("unset") << QByteArray() << "HOME/.local/share/tintoko/声音";
    QTest::newRow("relative, so ignored") << QByteArray("data") << "HOME/.local/share/tintoko/声音";
}

void TestProgramFolder::userFolder() {
    QFETCH(QByteArray, xdgDataHome);
    QFETCH(QString, expected);
    qputenv("HOME", m_home.path().toLocal8Bit());
    if (xdgDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", xdgDataHome);
    QCOMPARE(ProgramFolder::userSoundFolder(), expected.replace("HOME", m_home.path()));
}

void TestProgramFolder::shippedInstead_data() {
    QTest::addColumn<QString>("userFolder");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    const QString own = QStringLiteral("/home/小明/.local/share/tintoko/声音");
    QTest::newRow("a user's") << own << own + "/对_白  色.mp3"
                              << "/opt/t/声音/对_白  色.mp3";
    QTest::newRow("the shipped one") << own << "/opt/t/声音/黑  色.mp3"
                                     << "";
    QTest::newRow("a folder beside the user's") << own << own + "2/黑  色.mp3"
                                                << "";
    QTest::newRow("deeper down") << own << own + "/x/黑  色.mp3"
                                 << "";
    QTest::newRow("no user folder") << "" << own + "/黑  色.mp3"
                                    << "";
}

void TestProgramFolder::shippedInstead() {
    QFETCH(QString, userFolder);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(ProgramFolder(QStringLiteral("/opt/t"), userFolder).shippedInsteadOf(path), expected);
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
