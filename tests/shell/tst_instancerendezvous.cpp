#include "instancerendezvous.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A later start of the program by the same user on the same display hands
// its command line to the first, whatever an earlier one left behind.
class TestInstanceRendezvous : public QObject {
    Q_OBJECT

private slots:
    void laterStart_data();
    void laterStart();
};

void TestInstanceRendezvous::laterStart_data() {
    QTest::addColumn<QString>("before"); // the display of one running, or "killed"
    QTest::addColumn<bool>("first");     // the new start takes the rendezvous
    QTest::newRow("nobody there") << "" << true;
    QTest::newRow("one running") << "x:0" << false;
    QTest::newRow("one running on another display") << "x:1" << true;
    QTest::newRow("the files of one killed with kill -9") << "killed" << true;
}

void TestInstanceRendezvous::laterStart() {
    QFETCH(QString, before);
    QFETCH(bool, first);
    QTemporaryDir folder; // private, as a runtime folder is
    std::unique_ptr<InstanceRendezvous> running;
    if (before == "killed") {
        // Its lock file, and its socket that nobody listens on any more.
        const QByteArray path = QFile::encodeName(folder.filePath("tintoko-x:0.socket"));
        sockaddr_un address{AF_UNIX, {}};
        std::copy(path.cbegin(), path.cend(), address.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(fd, 1) == 0 && ::close(fd) == 0);
        QFile lock(folder.filePath("tintoko-x:0.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
    } else if (!before.isEmpty()) {
        running = std::make_unique<InstanceRendezvous>(folder.path(), "tintoko", before);
        QCOMPARE(running->claim({}), InstanceRendezvous::Role::First);
        QVERIFY(running->listen());
    }
    const QStringList commandLine{"tintoko", "--scan=3", "红 色", ""};
    InstanceRendezvous start(folder.path(), "tintoko", "x:0");
    QCOMPARE(start.claim(commandLine),
             first ? InstanceRendezvous::Role::First : InstanceRendezvous::Role::Handed);
    // Whoever took it, the next start hands its command line there.
    InstanceRendezvous &taker = first ? start : *running;
    QStringList handed;
    connect(&taker, &InstanceRendezvous::handed, this, [&](const QStringList &c) { handed = c; });
    InstanceRendezvous next(folder.path(), "tintoko", "x:0");
    if (first) {
        QVERIFY(start.listen());
        QCOMPARE(next.claim(commandLine), InstanceRendezvous::Role::Handed);
    }
    QTRY_COMPARE(handed, commandLine);
}

QTEST_GUILESS_MAIN(TestInstanceRendezvous)
#include "tst_instancerendezvous.moc"
