#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    // False when close reports an error: what was written may be lost.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

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

bool replaceFile(const QString &path, QByteArrayView data, QString *why) {
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
    else if (!writeAll(fd.get(), data))
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
