#include "colourtable.h"

namespace colourtable {

const std::array<QString, kCount> &names() {
    static const std::array<QString, kCount> table = {
        QStringLiteral("黑  色"), QStringLiteral("蓝  色"), QStringLiteral("绿  色"),
        QStringLiteral("青  色"), QStringLiteral("红  色"), QStringLiteral("洋红色"),
        QStringLiteral("暗黄色"), QStringLiteral("灰白色"), QStringLiteral("灰黑色"),
        QStringLiteral("亮蓝色"), QStringLiteral("亮绿色"), QStringLiteral("亮青色"),
        QStringLiteral("亮红色"), QStringLiteral("亮洋红"), QStringLiteral("亮黄色"),
        QStringLiteral("白  色"),
    };
    return table;
}

} // namespace colourtable

namespace soundpath {

QString programFile(const QString &programFolder, const QString &fileName) {
    const QChar separator = QLatin1Char('/');
    return programFolder.endsWith(separator) ? programFolder + fileName
                                             : programFolder + separator + fileName;
}

QString soundPath(const QString &programFolder, const QString &fileName) {
    return programFile(programFolder, QStringLiteral("声音/") + fileName);
}

QString colourNameSound(const QString &programFolder, const QString &name) {
    return soundPath(programFolder, name + QStringLiteral(".mp3"));
}

QString rightAnswerSound(const QString &programFolder, const QString &name) {
    return soundPath(programFolder, QStringLiteral("对_") + name + QStringLiteral(".mp3"));
}

QString wrongAnswerSound(const QString &programFolder) {
    return soundPath(programFolder, QStringLiteral("错了再试一遍.mp3"));
}

} // namespace soundpath
