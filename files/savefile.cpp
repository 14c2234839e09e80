#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <ctime>
#include <memory>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// True for the name of a temporary file of a save of `name`: a dot, the
// name, a dash and eight lower-case hexadecimal digits (".v.sz-1f2e3d4c").
bool isTemporaryOf(QByteArrayView entry, const QByteArray &name) {
    constexpr qsizetype kTagLength = 8;
    if (entry.size() != name.size() + 2 + kTagLength || !entry.startsWith('.') ||
        entry.sliced(1, name.size()) != name || entry.at(name.size() + 1) != '-')
        return false;
    for (const char c : entry.last(kTagLength)) {
        if ((c < '0' || c > '9') && (c < 'a' || c > 'f'))
            return false;
    }
    return true;
}

// How long ago a leftover was last written, at least: a save that has just
// created its temporary file may not hold its lock yet.
constexpr time_t kLeftoverAgeSeconds = 60;

// A save killed between creating its temporary file and the rename leaves
// that file behind for good; the next save of the same name removes it. Only
// a regular file of exactly that name pattern, last written long enough ago
// and locked by no live save (each holds a lock on its temporary file until
// its rename) goes; links, folders and the rest stay.
void removeLeftovers(const QString &folder, const QString &name) {
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(QFile::encodeName(folder)),
                                                   &::closedir);
    if (!dir)
        return;
    const QByteArray encoded = QFile::encodeName(name);
    const int at = ::dirfd(dir.get());
    const time_t now = ::time(nullptr);
    while (const dirent *entry = ::readdir(dir.get())) {
        struct stat status {};
        if (!isTemporaryOf(entry->d_name, encoded) ||
            ::fstatat(at, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || now - status.st_mtime < kLeftoverAgeSeconds)
            continue;
        const Descriptor fd(
            ::openat(at, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) // fails on a descriptor of -1 too
            ::unlinkat(at, entry->d_name, 0);
    }
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

    removeLeftovers(folder, info.fileName());
    QByteArray temporary;
    Descriptor fd(createTemporary(folder, info.fileName(), temporary));
    if (fd.get() < 0)
        return fail(why, systemError("creating a temporary file"));
    // The lock tells a save in another process that this temporary file is
    // not a leftover; a copy of the descriptor holds it until the rename is
    // done, past the close of `fd`. Where the file system has no locks, the
    // age alone protects the file.
    (void)::flock(fd.get(), LOCK_EX | LOCK_NB);
    const Descriptor hold(::dup(fd.get()));
    QString reason;
    // The new file keeps the old one's permissions, or has those the umask
    // leaves, but is always readable and writable by its owner: as 000 (a
    // umask of 0777), a setting would be lost at the next start.
    struct stat created {};
    const mode_t mode = replacing                          ? old.st_mode
                        : ::fstat(fd.get(), &created) == 0 ? created.st_mode
                                                           : mode_t(0);
    if (::fchmod(fd.get(), (mode & 0777) | S_IRUSR | S_IWUSR) != 0)
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
