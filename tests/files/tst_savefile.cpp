#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <csignal>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kName = QStringLiteral("红  色.mp3");

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

bool write(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Each entry of a folder: name, type and permissions, link target, content.
QStringList snapshot(const QString &folder) {
    QStringList entries;
    const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(filter, QDir::Name)) {
        struct stat status {};
        ::lstat(QFile::encodeName(entry.filePath()), &status);
        entries << entry.fileName() + QLatin1Char(' ') + QString::number(status.st_mode, 8) +
                       entry.symLinkTarget() +
                       QString::fromUtf8(S_ISREG(status.st_mode) ? contents(entry.filePath())
                                                                 : QByteArray());
    }
    return entries;
}

// Sets the time `path` itself (not what it links to) was last written.
bool setAge(const QString &path, int seconds) {
    const timespec times[2] = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// The folder of the save under way in liveSaveHoldsItsFile, and whether
// another save could take the lock of its temporary file: -1 not tried, 0 no,
// 1 yes.
QByteArray g_saving;
int g_lockTaken = -1;
char g_temporary[sizeof dirent::d_name] = {}; // the temporary file's name

// Runs in the save's own failed write (SIGXFSZ), as another save would.
void tryToLockTemporary(int) {
    DIR *dir = ::opendir(g_saving.constData());
    while (const dirent *entry = dir != nullptr ? ::readdir(dir) : nullptr) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith('.') || name == "." || name == ".." || entry->d_type == DT_DIR)
            continue;
        std::memcpy(g_temporary, entry->d_name, sizeof g_temporary);
        const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_CLOEXEC);
        g_lockTaken = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
        ::close(fd);
    }
    if (dir != nullptr)
        ::closedir(dir);
}

} // namespace

// replaceFile: the whole new file or the old one, never part of either, and
// nothing but regular files replaced.
class TestSaveFile final : public QObject {
    Q_OBJECT

private slots:
    // Past RLIMIT_FSIZE a write fails with EFBIG, as on a full disk.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    void writes_data();
    void writes();
    void refusesWhatIsNoFile_data();
    void refusesWhatIsNoFile();
    void failureKeepsTheOldFile_data();
    void failureKeepsTheOldFile();
    void removesLeftovers_data();
    void removesLeftovers();
    void liveSaveHoldsItsFile();
};

void TestSaveFile::writes_data() {
    QTest::addColumn<QString>("name"); // under the test's folder
    QTest::addColumn<int>("oldMode");  // -1: no file there yet
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("mode");

    QTest::newRow("a new file") << kName << -1 << 022 << 0644;
    QTest::newRow("a new file, private umask") << kName << -1 << 077 << 0600;
    QTest::newRow("a new file, umask 0777") << kName << -1 << 0777 << 0600;
    QTest::newRow("into folders still to be made") << "新/更深/" + kName << -1 << 022 << 0644;
    QTest::newRow("over a private file") << kName << 0600 << 022 << 0600;
    QTest::newRow("over a group's file") << kName << 0640 << 077 << 0640;
    QTest::newRow("over a read-only file") << kName << 0444 << 022 << 0644;
    QTest::newRow("over a file nobody may read") << kName << 0 << 022 << 0600;
    QTest::newRow("over a set-user-id file") << kName << 04755 << 022 << 0755;
}

void TestSaveFile::writes() {
    QFETCH(QString, name);
    QFETCH(int, oldMode);
    QFETCH(int, umask);
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (oldMode >= 0) {
        QVERIFY(write(path, QByteArray(9000, 'o')));
        QCOMPARE(::chmod(QFile::encodeName(path), mode_t(oldMode)), 0);
    }
    const mode_t saved = ::umask(mode_t(umask));
    QString why = QStringLiteral("untouched");
    const bool written = replaceFile(path, "新的", &why);
    ::umask(saved);
    QVERIFY(written);
    QCOMPARE(why, QStringLiteral("untouched"));
    QCOMPARE(contents(path), QByteArray("新的"));
    struct stat status {};
    QCOMPARE(::lstat(QFile::encodeName(path), &status), 0);
    QCOMPARE(status.st_mode, mode_t(S_IFREG | mode));
    QCOMPARE(QDir(QFileInfo(path).path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList{kName});
}

// Whatever is not a regular file stays as it is, with what it points to, and
// so does everything beside it (a leftover too).
void TestSaveFile::refusesWhatIsNoFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("a link to a file") << "link";
    QTest::newRow("a link to a folder") << "link to folder";
    QTest::newRow("a link to a device") << "link to device";
    QTest::newRow("a dangling link") << "dangling";
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a socket") << "socket";
}

void TestSaveFile::refusesWhatIsNoFile() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(kName);
    const QString aside = dir.filePath(QStringLiteral("aside"));
    QVERIFY(write(aside, "aside"));
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("folder"))));
    const QString leftover = dir.filePath("." + kName + "-6d7e572d");
    QVERIFY(write(leftover, "left") && setAge(leftover, 3600));
    QLocalServer server;
    const QByteArray encoded = QFile::encodeName(path);
    const bool made =
        (kind == "link" && QFile::link(aside, path)) ||
        (kind == "link to folder" && QFile::link(dir.filePath(QStringLiteral("folder")), path)) ||
        (kind == "link to device" && QFile::link(QStringLiteral("/dev/null"), path)) ||
        (kind == "dangling" && QFile::link(dir.filePath(QStringLiteral("gone")), path)) ||
        (kind == "fifo" && ::mkfifo(encoded.constData(), 0644) == 0) ||
        (kind == "folder" && QDir().mkdir(path)) || (kind == "socket" && server.listen(path));
    QVERIFY(made);
    const QStringList before = snapshot(dir.path());

    QString why;
    QVERIFY(!replaceFile(path, "new", &why));
    QCOMPARE(why, QStringLiteral("not a regular file, left as it is"));
    QCOMPARE(snapshot(dir.path()), before);
}

// A save that fails leaves the old file as it was, bytes and permissions, and
// no temporary file beside it.
void TestSaveFile::failureKeepsTheOldFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fileSizeLimit"); // bytes; -1: none
    QTest::addColumn<int>("descriptors");   // open files allowed; -1: no limit
    QTest::addColumn<QString>("why");       // "FOLDER" stands for the folder

    QTest::newRow("no room at all") << kName << 0 << -1 << "write: File too large";
    QTest::newRow("room for 3 bytes") << kName << 3 << -1 << "write: File too large";
    QTest::newRow("no file may be opened")
        << kName << -1 << 0 << "creating a temporary file: Too many open files";
    QTest::newRow("a file where its folder should be")
        << kName + "/" + kName << -1 << -1 << "cannot make the folder FOLDER/" + kName;
}

void TestSaveFile::failureKeepsTheOldFile() {
    QFETCH(QString, name);
    QFETCH(int, fileSizeLimit);
    QFETCH(int, descriptors);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString old = dir.filePath(kName);
    QVERIFY(write(old, "旧的录音"));
    QCOMPARE(::chmod(QFile::encodeName(old), 0640), 0);
    const QStringList before = snapshot(dir.path());

    rlimit files{};
    rlimit descriptorLimit{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &files), 0);
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &descriptorLimit), 0);
    const rlimit filesNow{fileSizeLimit < 0 ? files.rlim_cur : rlim_t(fileSizeLimit),
                          files.rlim_max};
    const rlimit descriptorsNow{descriptors < 0 ? descriptorLimit.rlim_cur : rlim_t(descriptors),
                                descriptorLimit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &filesNow);
    ::setrlimit(RLIMIT_NOFILE, &descriptorsNow);
    QString reason;
    const bool written = replaceFile(dir.filePath(name), QByteArray(5000, 'n'), &reason);
    ::setrlimit(RLIMIT_NOFILE, &descriptorLimit);
    ::setrlimit(RLIMIT_FSIZE, &files);
    QVERIFY(!written);
    QCOMPARE(reason, why.replace(QStringLiteral("FOLDER"), dir.path()));
    QCOMPARE(snapshot(dir.path()), before);
}

// A temporary file left by a save that was killed goes with the next save of
// the same name; nothing else does.
void TestSaveFile::removesLeftovers_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("removed");
    QTest::addColumn<int>("age");      // seconds since it was last written
    QTest::addColumn<QString>("kind"); // file, link, folder, fifo
    QTest::addColumn<bool>("locked");  // a live save holds it
    QTest::addColumn<bool>("oldFile"); // the file saved is there already
    // A tail that starts with a dash follows the name of the file saved.
    const auto row = [](const char *tag, const QString &tail, bool removed, int age = 3600,
                        const QString &kind = "file", bool locked = false, bool oldFile = true) {
        QTest::newRow(tag) << (tail.startsWith('-') ? "." + kName + tail : tail) << removed << age
                           << kind << locked << oldFile;
    };
    row("a leftover", "-6d7e572d", true);
    row("a leftover of a first save", "-6d7e572d", true, 3600, "file", false, false);
    row("a leftover a minute old", "-6d7e572d", true, 60);
    row("every kind of digit", "-09af09af", true);
    row("a save just begun", "-6d7e572d", false, 0);
    row("a save still writing", "-6d7e572d", false, 50);
    row("a live save holds it", "-6d7e572d", false, 3600, "file", true);
    row("upper-case digits", "-6D7E572D", false);
    row("seven digits", "-6d7e572", false);
    row("nine digits", "-6d7e572d0", false);
    row("not a digit", "-6d7e572g", false);
    row("no dash", "." + kName + "_6d7e572d", false);
    row("no dot", kName + "-6d7e572d", false);
    row("another file's", QStringLiteral(".蓝  色.mp3-6d7e572d"), false);
    row("a longer name's", ".x" + kName + "-6d7e572d", false);
    row("a link", "-6d7e572d", false, 3600, "link");
    row("a folder", "-6d7e572d", false, 3600, "folder");
    row("a FIFO", "-6d7e572d", false, 3600, "fifo");
}

void TestSaveFile::removesLeftovers() {
    QFETCH(QString, entry);
    QFETCH(bool, removed);
    QFETCH(int, age);
    QFETCH(QString, kind);
    QFETCH(bool, locked);
    QFETCH(bool, oldFile);
    QTemporaryDir dir;
    const QString path = dir.filePath(kName);
    const QString other = dir.filePath(QStringLiteral("other"));
    QVERIFY(write(other, "other") && setAge(other, 3600));
    QVERIFY(!oldFile || write(path, "old"));
    const QString left = dir.filePath(entry);
    const QByteArray encoded = QFile::encodeName(left);
    QVERIFY((kind == "file" && write(left, "left")) ||
            (kind == "link" && QFile::link(other, left)) ||
            (kind == "folder" && QDir().mkdir(left)) ||
            (kind == "fifo" && ::mkfifo(encoded.constData(), 0644) == 0));
    QVERIFY(setAge(left, age));
    const int holder = locked ? ::open(encoded.constData(), O_RDONLY | O_CLOEXEC) : -1;
    QVERIFY(!locked || ::flock(holder, LOCK_EX | LOCK_NB) == 0);

    const bool written = replaceFile(path, "new");
    if (holder >= 0)
        ::close(holder);
    QVERIFY(written);
    QCOMPARE(contents(path), QByteArray("new"));
    QCOMPARE(contents(other), QByteArray("other"));
    QStringList expected{kName, QStringLiteral("other")};
    if (!removed)
        expected << entry;
    expected.sort();
    QStringList entries =
        QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    entries.sort();
    QCOMPARE(entries, expected);
}

// While a save writes, its temporary file is locked: a save of the same file
// in another process takes it for no leftover.
void TestSaveFile::liveSaveHoldsItsFile() {
    QTemporaryDir dir;
    g_saving = QFile::encodeName(dir.path());
    std::signal(SIGXFSZ, &tryToLockTemporary);
    rlimit files{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &files), 0);
    const rlimit none{0, files.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &none);
    const bool written = replaceFile(dir.filePath(kName), "new");
    ::setrlimit(RLIMIT_FSIZE, &files);
    std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(!written);
    QCOMPARE(g_lockTaken, 0);
    // Named as the leftovers the next save removes.
    const QString named = QFile::decodeName(g_temporary);
    QVERIFY2(QRegularExpression("^\\." + QRegularExpression::escape(kName) + "-[0-9a-f]{8}$")
                 .match(named)
                 .hasMatch(),
             qPrintable(named));
}

QTEST_GUILESS_MAIN(TestSaveFile)
#include "tst_savefile.moc"
