#include "programfolder.h"
#include "unprivileged.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// Which recording plays: the first readable file among the user's own, the
// shared folders' and the program folder's; what is tried after one that
// does not play; and where the user's and the shared ones are kept.
class TestProgramFolder final : public QObject {
    Q_OBJECT

private slots:
    void firstReadableWins_data();
    void firstReadableWins();
    void userFolder_data();
    void userFolder();
    void sharedFolders_data();
    void sharedFolders();
    void fallbacks_data();
    void fallbacks();

private:
    QTemporaryDir m_home;
};

void TestProgramFolder::firstReadableWins_data() {
    QTest::addColumn<QString>("kind");   // what the user's folder holds under the name
    QTest::addColumn<QString>("shared"); // which shared folder holds a file: "1", "2" or none
    QTest::addColumn<QString>("plays");  // "user", "shared1", "shared2" or "shipped"
    // clang-format off
    QTest::newRow("a file") << "file" << "1" << "user";
    QTest::newRow("nothing") << "" << "" << "shipped";
    QTest::newRow("nothing, a classroom's") << "" << "1" << "shared1";
    QTest::newRow("nothing, the second classroom's") << "" << "2" << "shared2";
    QTest::newRow("a folder") << "folder" << "2" << "shared2";
    QTest::newRow("a dangling link") << "link" << "" << "shipped";
    QTest::newRow("an unreadable file") << "unreadable" << "" << "shipped";
    // clang-format on
}

void TestProgramFolder::firstReadableWins() {
    QFETCH(QString, kind);
    QFETCH(QString, shared);
    QFETCH(QString, plays);
    if (kind == QLatin1String("unreadable"))
        TINTOKO_RUN_ROW_AS_ORDINARY_USER();
    const QString base = m_home.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString own = base + QStringLiteral("/own");
    const QStringList classrooms{base + QStringLiteral("/shared1"),
                                 base + QStringLiteral("/shared2")};
    const ProgramFolder folder(QStringLiteral("/usr/lib/tintoko"), own, classrooms);
    const QString name = QStringLiteral("/红  色.mp3");
    const QString path = own + name;
    QVERIFY(QDir().mkpath(kind == QLatin1String("folder") ? path : own));
    QFile file(path);
    if (kind == QLatin1String("file") || kind == QLatin1String("unreadable"))
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.setPermissions(kind == "file" ? QFile::ReadOwner : QFile::Permissions()));
    if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(own + QStringLiteral("/gone.mp3"), path));
    if (!shared.isEmpty()) {
        QFile classroom(base + QStringLiteral("/shared") + shared + name);
        QVERIFY(QDir().mkpath(QFileInfo(classroom).path()) && classroom.open(QIODevice::WriteOnly));
    }

    const QString shipped = QStringLiteral("/usr/lib/tintoko/声音/红  色.mp3");
    QCOMPARE(folder.colourNameSound(4),
             plays == QLatin1String("shipped")
                 ? shipped
                 : base + QLatin1Char('/') + (plays == "user" ? "own" : plays) + name);
    // Each call looks again: once the user's and the classroom's files are
    // gone, the shipped one plays.
    QVERIFY(QDir(base).removeRecursively());
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

void TestProgramFolder::sharedFolders_data() {
    QTest::addColumn<QByteArray>("xdgDataDirs");
    QTest::addColumn<QStringList>("expected");
    const QStringList usual{"/usr/local/share/tintoko/声音", "/usr/share/tintoko/声音"};
    QTest::newRow("unset") << QByteArray() << usual;
    QTest::newRow("empty") << QByteArray("") << usual;
    QTest::newRow("only relative folders") << QByteArray("share:data") << usual;
    QTest::newRow("a school's first")
        << QByteArray("/srv/学校:/usr/share")
        << QStringList{"/srv/学校/tintoko/声音", "/usr/share/tintoko/声音"};
    QTest::newRow("relative and empty ones skipped")
        << QByteArray("/a/::share:/") << QStringList{"/a/tintoko/声音", "/tintoko/声音"};
}

void TestProgramFolder::sharedFolders() {
    QFETCH(QByteArray, xdgDataDirs);
    QFETCH(QStringList, expected);
    if (xdgDataDirs.isNull())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", xdgDataDirs);
    QCOMPARE(ProgramFolder::sharedSoundFolders(), expected);
}

void TestProgramFolder::fallbacks_data() {
    QTest::addColumn<QString>("userFolder");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("expected");
    const QString own = QStringLiteral("/home/小明/.local/share/tintoko/声音");
    const QString one = QStringLiteral("/usr/local/share/tintoko/声音");
    const QString two = QStringLiteral("/usr/share/tintoko/声音");
    const QString name = QStringLiteral("/对_白  色.mp3");
    QTest::newRow("a user's") << own << own + name
                              << QStringList{one + name, two + name, "/opt/t/声音" + name};
    QTest::newRow("the first classroom's")
        << own << one + name << QStringList{two + name, "/opt/t/声音" + name};
    QTest::newRow("the last classroom's") << own << two + name << QStringList{"/opt/t/声音" + name};
    QTest::newRow("the shipped one") << own << "/opt/t/声音" + name << QStringList();
    QTest::newRow("a folder beside the user's") << own << own + "2" + name << QStringList();
    QTest::newRow("deeper down") << own << own + "/x" + name << QStringList();
    QTest::newRow("the folder itself") << own << own + "/" << QStringList();
    QTest::newRow("no user folder") << "" << own + name << QStringList();
    QTest::newRow("no user folder, a classroom's")
        << "" << one + name << QStringList{two + name, "/opt/t/声音" + name};
}

// Each folder is asked once, in order, however often it is named.
void TestProgramFolder::fallbacks() {
    QFETCH(QString, userFolder);
    QFETCH(QString, path);
    QFETCH(QStringList, expected);
    const QString one = QStringLiteral("/usr/local/share/tintoko/声音");
    const QString two = QStringLiteral("/usr/share/tintoko/声音");
    QStringList shared{one, one, two};
    if (!userFolder.isEmpty())
        shared.insert(1, userFolder + QLatin1Char('/'));
    const ProgramFolder folder(QStringLiteral("/opt/t"), userFolder, shared);
    QCOMPARE(folder.sharedSounds(), (QStringList{one, two}));
    QCOMPARE(folder.fallbacksAfter(path), expected);
    QStringList candidates{one + "/黑  色.mp3", two + "/黑  色.mp3", "/opt/t/声音/黑  色.mp3"};
    if (!userFolder.isEmpty())
        candidates.prepend(userFolder + "/黑  色.mp3");
    QCOMPARE(folder.soundCandidates(QStringLiteral("黑  色.mp3")), candidates);
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
