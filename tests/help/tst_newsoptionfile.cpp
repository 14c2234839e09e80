#include "newsoptionfile.h"
#include "unprivileged.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// An endless stream that repeats one pattern and counts what was taken from it.
class EndlessDevice final : public QIODevice {
public:
    explicit EndlessDevice(QByteArray pattern)
        : m_pattern(std::move(pattern)) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 served() const { return m_served; }
    int reads() const { return m_reads; }

protected:
    qint64 readData(char *data, qint64 maxSize) override {
        for (qint64 i = 0; i < maxSize; ++i)
            data[i] = m_pattern.at(static_cast<qsizetype>((m_served + i) % m_pattern.size()));
        m_served += maxSize;
        ++m_reads;
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_pattern;
    qint64 m_served = 0;
    int m_reads = 0;
};

// What stands where v.sz is looked for, itself or as the target of a link there.
enum class Node { Missing, File, Fifo, Folder };

// Makes `kind` (a file holds "True") at `path`, or beside it and a link there.
bool make(Node kind, bool link, const QString &path) {
    const QString real = link ? path + QStringLiteral(".target") : path;
    QFile file(real);
    const bool made =
        kind == Node::Missing ||
        (kind == Node::File && file.open(QIODevice::WriteOnly) && file.write("True\r\n") == 6) ||
        (kind == Node::Fifo && ::mkfifo(QFile::encodeName(real), 0644) == 0) ||
        (kind == Node::Folder && QDir().mkdir(real));
    return made && (!link || QFile::link(real, path));
}

// Each entry of a folder: name, type and permissions, link target, content.
QStringList snapshot(const QString &folder) {
    QStringList entries;
    const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(filter)) {
        struct stat status {};
        ::lstat(QFile::encodeName(entry.filePath()), &status);
        QFile file(entry.filePath());
        const bool regular = S_ISREG(status.st_mode) && file.open(QIODevice::ReadOnly);
        entries << entry.fileName() + QString::number(status.st_mode, 8) + entry.symLinkTarget() +
                       QString::fromLatin1(regular ? file.readAll() : "");
    }
    return entries;
}

} // namespace

class TestNewsOptionFile : public QObject {
    Q_OBJECT

private slots:
    // Past RLIMIT_FSIZE a write fails with EFBIG, as on a full disk, instead
    // of ending the process.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    void content_data();
    void content();
    void endlessInputIsBounded_data();
    void endlessInputIsBounded();
    void files();
    void unreadableFile();
    void writeThenRead();
    void oddFilesAndFailedWrites_data();
    void oddFilesAndFailedWrites();
    void readOptionFallsBack_data();
    void readOptionFallsBack();
};

void TestNewsOptionFile::content_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("on");

    QTest::newRow("written True") << QByteArray("True\r\n") << true;
    QTest::newRow("written False") << QByteArray("False\r\n") << false;
    QTest::newRow("True without line end") << QByteArray("True") << true;
    QTest::newRow("space and 1") << QByteArray(" 1\r\n") << true;
    QTest::newRow("1.0") << QByteArray("1.0\n") << true;
    QTest::newRow("1 followed by text") << QByteArray("1x2bc\n") << true;
    QTest::newRow("tab and 1") << QByteArray("\t1\n") << true;
    QTest::newRow("exponent 0.1e1") << QByteArray("0.1e1\n") << true;
    QTest::newRow("plus sign") << QByteArray("+1\n") << true;
    QTest::newRow("11 is not 1") << QByteArray("11\n") << false;
    QTest::newRow("0") << QByteArray("0\n") << false;
    QTest::newRow("-1") << QByteArray("-1\n") << false;
    QTest::newRow("lower-case true") << QByteArray("true\n") << false;
    QTest::newRow("True and a space") << QByteArray("True \n") << false;
    QTest::newRow("space and True") << QByteArray(" True\n") << false;
    QTest::newRow("blank lines, then True") << QByteArray("\r\n   \r\n\nTrue\r\n") << true;
    QTest::newRow("thousands of blank lines, then 1")
        << QByteArray(5000 * 3, ' ').replace("   ", "  \n") + "1\n"
        << true;
    QTest::newRow("only the first non-blank line counts") << QByteArray("False\nTrue\n") << false;
    QTest::newRow("a line of tabs is not blank") << QByteArray("\t\t\nTrue\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("only blank lines") << QByteArray("  \n\n \n") << false;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01True\n", 9) << false;
}

void TestNewsOptionFile::content() {
    QFETCH(QByteArray, content);
    QFETCH(bool, on);
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(newsoptionfile::read(buffer), on);
}

void TestNewsOptionFile::endlessInputIsBounded_data() {
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("on");

    QTest::newRow("one endless line of 1s") << QByteArray("1") << false;
    QTest::newRow("endless blank lines") << QByteArray(" \n") << false;
    QTest::newRow("endless empty lines") << QByteArray("\n") << false;
    QTest::newRow("True, then endless lines") << QByteArray("True\n") << true;
    QTest::newRow("endless garbage") << QByteArray("\x01\x02zz") << false;
}

void TestNewsOptionFile::endlessInputIsBounded() {
    QFETCH(QByteArray, pattern);
    QFETCH(bool, on);
    EndlessDevice device(pattern);
    QCOMPARE(newsoptionfile::read(device), on);
    // One read of the start of the file, whatever follows: the device may be
    // asked in a few pieces, with a little read-ahead.
    QVERIFY2(
        device.served() <= newsoptionfile::kMaxBytes + 16384 && device.reads() <= 4,
        qPrintable(
            QStringLiteral("read %1 bytes in %2 reads").arg(device.served()).arg(device.reads())));
}

void TestNewsOptionFile::files() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!newsoptionfile::readFile(dir.filePath(QStringLiteral("missing.sz"))));
    QVERIFY(!newsoptionfile::readFile(dir.path())); // a folder, not a file

    // A file far larger than the budget, mostly a hole: only its head is read.
    QFile huge(dir.filePath(QStringLiteral("huge.sz")));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    huge.write("\n\n1\n");
    QVERIFY(huge.resize(qint64(3) << 30));
    huge.close();
    QVERIFY(newsoptionfile::readFile(huge.fileName()));
    // The first 64 KiB decide, and nothing after them.
    for (const qsizetype blank : {65535, 65536}) {
        QVERIFY(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
        huge.write(QByteArray(blank, '\n') + '1');
        huge.close();
        QCOMPARE(newsoptionfile::readFile(huge.fileName()), blank < 65536);
    }
}

void TestNewsOptionFile::unreadableFile() {
    TINTOKO_RUN_ROW_AS_ORDINARY_USER();
    QTemporaryDir dir;
    QFile unreadable(dir.filePath(QStringLiteral("unreadable.sz")));
    QVERIFY(unreadable.open(QIODevice::WriteOnly));
    unreadable.write("True\r\n");
    unreadable.close();
    QVERIFY(unreadable.setPermissions(QFileDevice::WriteOwner));
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^news option: " + QRegularExpression::escape(unreadable.fileName()) +
                           " cannot be read: .+"));
    QVERIFY(!newsoptionfile::readFile(unreadable.fileName()));
    // A folder in its place, which can be opened, is no setting either: said too.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("v.sz")));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^news option: .+/v.sz is not a regular"));
    QVERIFY(!newsoptionfile::readFile(dir.filePath(QStringLiteral("v.sz"))));
}

void TestNewsOptionFile::writeThenRead() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = newsoptionfile::location(dir.filePath(QStringLiteral("v.sz")));
    QCOMPARE(path, dir.filePath(QStringLiteral("v.sz")));

    QVERIFY(newsoptionfile::writeFile(path, true));
    QVERIFY(newsoptionfile::readFile(path));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("True\r\n"));
    written.close();

    // The old file is replaced whole (the safe writer's own test has the rest).
    QVERIFY(newsoptionfile::writeFile(path, false));
    QVERIFY(!newsoptionfile::readFile(path));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("False\r\n"));
}

// Only a regular file at v.sz is read (opening a FIFO without a writer must
// not hang), kept beside the program, or replaced; the user's file that is
// none counts as missing. A write that fails leaves everything as it was.
void TestNewsOptionFile::oddFilesAndFailedWrites_data() {
    QTest::addColumn<Node>("kind");
    QTest::addColumn<bool>("link");
    QTest::addColumn<int>("sizeLimit"); // bytes a file may grow to; -1: no limit

    QTest::newRow("file, no room at all") << Node::File << false << 0;
    QTest::newRow("file, room for 3 bytes") << Node::File << false << 3;
    QTest::newRow("link to a file") << Node::File << true << -1;
    QTest::newRow("link to a FIFO") << Node::Fifo << true << -1;
    QTest::newRow("link to a folder") << Node::Folder << true << -1;
    QTest::newRow("dangling link") << Node::Missing << true << -1;
    QTest::newRow("FIFO without a writer") << Node::Fifo << false << -1;
    QTest::newRow("folder") << Node::Folder << false << -1;
}

void TestNewsOptionFile::oddFilesAndFailedWrites() {
    QFETCH(Node, kind);
    QFETCH(bool, link);
    QFETCH(int, sizeLimit);
    const bool on = kind == Node::File; // what a file made here says
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("v.sz"));
    QVERIFY(make(kind, link, path));
    QCOMPARE(newsoptionfile::readFile(path), on);
    QCOMPARE(newsoptionfile::location(path) == path, kind == Node::File && !link);
    const QString beside = dir.filePath(QStringLiteral("program/v.sz"));
    QVERIFY(newsoptionfile::writeFile(beside, !on));
    QVERIFY(newsoptionfile::readOption(beside, path)); // path read when it can be, else beside

    const QStringList before = snapshot(dir.path());
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{sizeLimit < 0 ? old.rlim_cur : rlim_t(sizeLimit), old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    QString why;
    const bool written = newsoptionfile::writeFile(path, false, &why);
    ::setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(!written);
    QVERIFY(!why.isEmpty());
    QCOMPARE(snapshot(dir.path()), before);
}

void TestNewsOptionFile::readOptionFallsBack_data() {
    QTest::addColumn<QByteArray>("program"); // v.sz beside the program; empty: none
    QTest::addColumn<QByteArray>("user");    // v.sz in the user's folder; empty: none
    QTest::addColumn<bool>("on");

    QTest::newRow("no user file yet: the program folder's")
        << QByteArray("True") << QByteArray() << true;
    QTest::newRow("the user's file wins") << QByteArray("True") << QByteArray("False") << false;
    QTest::newRow("the user's alone") << QByteArray() << QByteArray("True") << true;
}

void TestNewsOptionFile::readOptionFallsBack() {
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, user);
    QFETCH(bool, on);

    QTemporaryDir dir;
    const QString beside = dir.filePath(QStringLiteral("program/v.sz"));
    const QString toggleWrites = dir.filePath(QStringLiteral("config/v.sz"));
    for (const auto &[path, content] :
         {std::pair{beside, program}, std::pair{toggleWrites, user}}) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!content.isEmpty())
            QVERIFY(newsoptionfile::writeFile(path, content == "True"));
    }
    QCOMPARE(newsoptionfile::readOption(beside, toggleWrites), on);
}

QTEST_GUILESS_MAIN(TestNewsOptionFile)
#include "tst_newsoptionfile.moc"
