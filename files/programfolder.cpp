#include "programfolder.h"

#include "colourtable.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

QString joined(const QString &folder, const QString &name) {
    const QChar separator = QLatin1Char('/');
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

} // namespace

ProgramFolder::ProgramFolder(QString path, QString userSounds, const QStringList &sharedSounds)
    : m_path(std::move(path))
    , m_userSounds(std::move(userSounds)) {
    QStringList seen{QDir::cleanPath(m_userSounds)};
    for (const QString &folder : sharedSounds) {
        const QString clean = QDir::cleanPath(folder);
        if (!seen.contains(clean)) {
            seen << clean;
            m_sharedSounds << folder;
        }
    }
}

QString ProgramFolder::userSoundFolder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return joined(data, QStringLiteral("tintoko/声音"));
}

QStringList ProgramFolder::sharedSoundFolders() {
    QStringList folders;
    for (const QString &data :
         qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(data))
            folders << joined(data, QStringLiteral("tintoko/声音"));
    }
    if (folders.isEmpty())
        folders = QStringList{QStringLiteral("/usr/local/share/tintoko/声音"),
                              QStringLiteral("/usr/share/tintoko/声音")};
    return folders;
}

QString ProgramFolder::colourNameFile(int index) {
    return colourtable::name(index) + QStringLiteral(".mp3");
}

QString ProgramFolder::rightAnswerFile(int index) {
    return QStringLiteral("对_") + colourtable::name(index) + QStringLiteral(".mp3");
}

QString ProgramFolder::wrongAnswerFile() {
    return QStringLiteral("错了再试一遍.mp3");
}

QStringList ProgramFolder::recordingFiles() {
    QStringList files;
    for (int i = 0; i < colourtable::kCount; ++i)
        files << colourNameFile(i);
    for (int i = 0; i < colourtable::kCount; ++i)
        files << rightAnswerFile(i);
    files << wrongAnswerFile();
    return files;
}

QString ProgramFolder::file(const QString &fileName) const {
    return joined(m_path, fileName);
}

QStringList ProgramFolder::soundFolders() const {
    QStringList folders = m_sharedSounds;
    if (!m_userSounds.isEmpty())
        folders.prepend(m_userSounds);
    folders << file(QStringLiteral("声音"));
    return folders;
}

QStringList ProgramFolder::soundCandidates(const QString &fileName) const {
    QStringList candidates;
    for (const QString &folder : soundFolders())
        candidates << joined(folder, fileName);
    return candidates;
}

QString ProgramFolder::sound(const QString &fileName) const {
    const QStringList candidates = soundCandidates(fileName);
    for (const QString &candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isReadable())
            return candidate;
    }
    return candidates.last();
}

QString ProgramFolder::userSound(const QString &fileName) const {
    return m_userSounds.isEmpty() ? QString() : joined(m_userSounds, fileName);
}

QStringList ProgramFolder::fallbacksAfter(const QString &path) const {
    const QStringList folders = soundFolders();
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString prefix = joined(folders.at(i), QString());
        const QString name = path.mid(prefix.size());
        if (path.startsWith(prefix) && !name.isEmpty() && !name.contains(QLatin1Char('/')))
            return soundCandidates(name).mid(i + 1);
    }
    return {};
}

QString ProgramFolder::colourNameSound(int index) const {
    return sound(colourNameFile(index));
}

QString ProgramFolder::rightAnswerSound(int index) const {
    return sound(rightAnswerFile(index));
}

QString ProgramFolder::wrongAnswerSound() const {
    return sound(wrongAnswerFile());
}

QString ProgramFolder::instructions() const {
    return file(QStringLiteral("Tintoko说明.txt"));
}

QString ProgramFolder::newsOptionFile() const {
    return file(QStringLiteral("v.sz"));
}

QString ProgramFolder::newsViewer() const {
    return file(QStringLiteral("tintoko-news"));
}
