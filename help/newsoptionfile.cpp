#include "newsoptionfile.h"

#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

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

// The option from a regular file; nothing when there is none to read.
std::optional<bool> readRegularFile(const QString &path) {
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A missing file is the usual first start; any other failure leaves
        // the option off and is said, or the user's choice is lost unseen.
        if (errno != ENOENT)
            qWarning("news option: %s cannot be read: %s", qPrintable(path), std::strerror(errno));
        return std::nullopt;
    }
    struct stat status {};
    QFile file;
    const bool statted = ::fstat(fd, &status) == 0;
    // A folder, a FIFO or a device there is no setting either: said, as above.
    if (statted && !S_ISREG(status.st_mode))
        qWarning("news option: %s is not a regular file; it is not read", qPrintable(path));
    if (!statted || !S_ISREG(status.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    return read(file);
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
    return replaceFile(path, on ? "True\r\n" : "False\r\n", why);
}

} // namespace newsoptionfile
