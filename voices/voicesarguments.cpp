#include "voicesarguments.h"

#include "programfolder.h"

#include <QCommandLineParser>
#include <QDir>

VoicesArguments parseVoicesArguments(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tintoko 录音：用自己的声音录下孩子听到的话。"));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("把录音存进这个文件夹。"),
                                    QStringLiteral("文件夹"));
    parser.addOption(folder);
    VoicesArguments result;
    if (!parser.parse(arguments))
        result.error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        result.error =
            QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
    else if (parser.isSet(folder) && parser.value(folder).isEmpty())
        result.error = QStringLiteral("--folder needs a folder");
    result.chosen = parser.isSet(folder);
    result.folder = result.chosen ? QDir(parser.value(folder)).absolutePath()
                                  : ProgramFolder::userSoundFolder();
    if (!result.error.isEmpty())
        result.error += QLatin1Char('\n') + parser.helpText();
    return result;
}
