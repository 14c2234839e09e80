#include "programfolder.h"

#include "colourtable.h"

#include <utility>

ProgramFolder::ProgramFolder(QString path)
    : m_path(std::move(path)) {}

QString ProgramFolder::file(const QString &fileName) const {
    const QChar separator = QLatin1Char('/');
    return m_path.endsWith(separator) ? m_path + fileName : m_path + separator + fileName;
}

QString ProgramFolder::sound(const QString &fileName) const {
    return file(QStringLiteral("声音/") + fileName);
}

QString ProgramFolder::colourNameSound(int index) const {
    return sound(colourtable::name(index) + QStringLiteral(".mp3"));
}

QString ProgramFolder::rightAnswerSound(int index) const {
    return sound(QStringLiteral("对_") + colourtable::name(index) + QStringLiteral(".mp3"));
}

QString ProgramFolder::wrongAnswerSound() const {
    return sound(QStringLiteral("错了再试一遍.mp3"));
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
