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

ProgramFolder::ProgramFolder(QString path, QString userSounds)
    : m_path(std::move(path))
    , m_userSounds(std::move(userSounds)) {}

QString ProgramFolder::userSoundFolder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return joined(data, QStringLiteral("tintoko/声音"));
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

QString ProgramFolder::sound(const QString &fileName) const {
    QString own = userSound(fileName);
    if (!own.isEmpty()) {
        const QFileInfo info(own);
        if (info.isFile() && info.isReadable())
            return own;
    }
    return shippedSound(fileName);
}

QString ProgramFolder::shippedSound(const QString &fileName) const {
    return file(QStringLiteral("声音/") + fileName);
}

QString ProgramFolder::userSound(const QString &fileName) const {
    return m_userSounds.isEmpty() ? QString() : joined(m_userSounds, fileName);
}

QString ProgramFolder::shippedInsteadOf(const QString &path) const {
    if (m_userSounds.isEmpty())
        return {};
    const QString prefix = joined(m_userSounds, QString());
    const QString name = path.mid(prefix.size());
    if (!path.startsWith(prefix) || name.isEmpty() || name.contains(QLatin1Char('/')))
        return {};
    return shippedSound(name);
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
