#include "instancerendezvous.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A later start of the program by the same user on the same display hands
// its command line to the first, whatever an earlier one left behind.
class TestInstanceRendezvous : public QObject {
    Q_OBJECT

private slots:
    void laterStart_data();
    void laterStart();
};

void TestInstanceRendezvous::laterStart_data() {
    QTest::addColumn<QString>("before"); // the display of one running, "killed" or "open"
    QTest::newRow("nobody there") << "";
    QTest::newRow("one running") << "x:0";
    QTest::newRow("one running on another display") << "x:1";
    QTest::newRow("the files of one killed with kill -9") << "killed";
    QTest::newRow("a runtime folder others may enter: alone") << "open";
}

void TestInstanceRendezvous::laterStart() {
    using Role = InstanceRendezvous::Role;
    QFETCH(QString, before);
    const bool first = before != "x:0"; // the new start takes the rendezvous
    QTemporaryDir folder;               // private, as a runtime folder is
    std::unique_ptr<InstanceRendezvous> running;
    if (before == "open") {
        QVERIFY(QFile::setPermissions(folder.path(), QFile::Permissions(0x7755))); // 0755
    } else if (before == "killed") { // its lock file and its socket's, nobody listening
        for (const char *file : {"tintoko-x:0.lock", "tintoko-x:0.socket"})
            QVERIFY(QFile(folder.filePath(file)).open(QIODevice::WriteOnly));
    } else if (!before.isEmpty()) {
        running = std::make_unique<InstanceRendezvous>(folder.path(), "tintoko", before);
        QVERIFY(running->claim({}) == Role::First && running->listen());
    }
    const QStringList commandLine{"tintoko", "--scan=3", "红 色", ""};
    QProcessEnvironment environment; // Qt's own choice of platform, on X screen :0.0
    environment.insert("DISPLAY", ":0.0");
    InstanceRendezvous start(folder.path(), "tintoko", InstanceRendezvous::displayOf(environment));
    if (before == "open") { // no rendezvous where others could listen
        QCOMPARE(start.claim(commandLine), Role::Alone);
        return;
    }
    QCOMPARE(start.claim(commandLine), first ? Role::First : Role::Handed);
    // Whoever took it, the next start hands its command line there.
    QSignalSpy handed(first ? &start : running.get(), &InstanceRendezvous::handed);
    InstanceRendezvous next(folder.path(), "tintoko", "x:0");
    QVERIFY(!first || (start.listen() && next.claim(commandLine) == Role::Handed));
    QTRY_COMPARE(handed.value(0).value(0).toStringList(), commandLine);
}

QTEST_GUILESS_MAIN(TestInstanceRendezvous)
#include "tst_instancerendezvous.moc"
