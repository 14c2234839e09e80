#include "voicesarguments.h"

#include "programfolder.h"

#include <QCommandLineParser>
#include <QDir>

VoicesArguments parseVoicesArguments(const QStringList &arguments, const QString &version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tintoko 录音：用自己的声音录下孩子听到的话。"));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("把录音存进这个文件夹。"),
                                    QStringLiteral("文件夹"));
    // Qt's own help and version options describe themselves in the
    // language of the translations found; these always speak Chinese.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("显示这段用法说明。"));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("显示版本号。"));
    parser.addOptions({folder, help, versionOption});
    VoicesArguments result;
    if (!parser.parse(arguments))
        result.error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        result.error = QStringLiteral("多余的参数：") + parser.positionalArguments().first();
    else if (parser.isSet(folder) && parser.value(folder).isEmpty())
        result.error = QStringLiteral("--folder 后面要写一个文件夹");
    else if (parser.isSet(help))
        result.answer = parser.helpText();
    else if (parser.isSet(versionOption))
        result.answer = QStringLiteral("tintoko-voices %1\n").arg(version);
    result.chosen = parser.isSet(folder);
    result.folder = result.chosen ? QDir(parser.value(folder)).absolutePath()
                                  : ProgramFolder::userSoundFolder();
    if (!result.error.isEmpty())
        result.error += QLatin1Char('\n') + parser.helpText();
    return result;
}
