#include "newsoptionfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace newsoptionfile {

namespace {

// Only spaces count as blank: a line of tabs is not blank.
bool isSpacesOnly(QStringView line) {
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Length of the number at the start of text: optional sign, digits with at
// most one decimal point, then an optional exponent. 0 when there is none.
qsizetype numberPrefixLength(QStringView text) {
    qsizetype i = 0;
    const auto digitAt = [&text](qsizetype k) { return k < text.size() && text[k].isDigit(); };
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    bool digits = false;
    while (digitAt(i)) {
        ++i;
        digits = true;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (digitAt(i)) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype k = i + 1;
        if (k < text.size() && (text[k] == QLatin1Char('+') || text[k] == QLatin1Char('-')))
            ++k;
        if (digitAt(k)) {
            while (digitAt(k))
                ++k;
            i = k;
        }
    }
    return i;
}

// Owns a file descriptor; closes it at the end unless close() did.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    Descriptor(Descriptor &&) = delete;
    Descriptor &operator=(Descriptor &&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    // Gives the descriptor away, to a QFile that closes it.
    int release() { return std::exchange(m_fd, -1); }
    // False when close reports an error: what was written may be lost.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// The option from a regular file; nothing when there is none to read.
std::optional<bool> readRegularFile(const QString &path) {
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
    Descriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return std::nullopt;
    fd.release();
    return read(file);
}

QString systemError(const char *step) {
    return QLatin1String(step) + QLatin1String(": ") + qt_error_string(errno);
}

// Writes all of data, on through short writes; false with errno on an error.
bool writeAll(int fd, QByteArrayView data) {
    while (!data.isEmpty()) {
        const ssize_t written = ::write(fd, data.data(), size_t(data.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data = data.sliced(written);
    }
    return true;
}

// Creates a new file in `folder` named after `name` (".v.sz-1f2e3d4c"): never
// an existing file, nor through a link. Its name goes to `created`.
int createTemporary(const QString &folder, const QString &name, QByteArray &created) {
    const QDir dir(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const quint32 tag = QRandomGenerator::global()->generate();
        created = QFile::encodeName(
            dir.filePath(QStringLiteral(".%1-%2").arg(name).arg(tag, 8, 16, QLatin1Char('0'))));
        const int fd =
            ::open(created.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool fail(QString *why, const QString &reason) {
    if (why != nullptr)
        *why = reason;
    return false;
}

} // namespace

bool lineMeansOn(const QString &line) {
    if (line == QLatin1String("True"))
        return true;
    qsizetype start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    const QStringView rest = QStringView(line).mid(start);
    const qsizetype length = numberPrefixLength(rest);
    if (length == 0)
        return false;
    bool ok = false;
    const double number = rest.left(length).toDouble(&ok);
    return ok && number == 1.0;
}

bool read(QIODevice &device) {
    const QByteArray start = device.read(kMaxBytes);
    for (QByteArrayView rest(start); !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView raw = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        while (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        if (!isSpacesOnly(line))
            return lineMeansOn(line);
    }
    return false;
}

bool readFile(const QString &path) {
    return readRegularFile(path).value_or(false);
}

QString location(const QString &besideProgram) {
    const QFileInfo file(besideProgram);
    const QFileInfo folder(file.absolutePath());
    // Nothing there yet, or a regular file: links are not followed.
    struct stat status {};
    const bool usable = ::lstat(QFile::encodeName(besideProgram).constData(), &status) == 0
                            ? S_ISREG(status.st_mode)
                            : errno == ENOENT;
    if (usable && folder.isDir() && folder.isWritable())
        return besideProgram;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(config).filePath(file.fileName());
}

bool readOption(const QString &besideProgram) {
    return readOption(besideProgram, location(besideProgram));
}

bool readOption(const QString &besideProgram, const QString &toggleWrites) {
    if (toggleWrites != besideProgram) {
        if (const std::optional<bool> on = readRegularFile(toggleWrites))
            return *on;
    }
    return readFile(besideProgram);
}

bool writeFile(const QString &path, bool on, QString *why) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        return fail(why, QStringLiteral("cannot make the folder ") + folder);
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    const bool replacing = ::lstat(target.constData(), &old) == 0;
    if (!replacing && errno != ENOENT)
        return fail(why, systemError("lstat"));
    if (replacing && !S_ISREG(old.st_mode))
        return fail(why, QStringLiteral("not a regular file, left as it is"));

    QByteArray temporary;
    Descriptor fd(createTemporary(folder, info.fileName(), temporary));
    if (fd.get() < 0)
        return fail(why, systemError("creating a temporary file"));
    QString reason;
    // The new file keeps the old one's permissions.
    if (replacing && ::fchmod(fd.get(), old.st_mode & 0777) != 0)
        reason = systemError("fchmod");
    else if (!writeAll(fd.get(), on ? "True\r\n" : "False\r\n"))
        reason = systemError("write");
    else if (::fsync(fd.get()) != 0)
        reason = systemError("fsync");
    if (!fd.close() && reason.isEmpty())
        reason = systemError("close");
    // rename replaces a link or whatever else may have appeared at `path`
    // meanwhile, never what it points to.
    if (reason.isEmpty() && ::rename(temporary.constData(), target.constData()) != 0)
        reason = systemError("rename");
    if (reason.isEmpty())
        return true;
    ::unlink(temporary.constData());
    return fail(why, reason);
}

} // namespace newsoptionfile
