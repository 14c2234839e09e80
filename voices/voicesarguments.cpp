#include "voicesarguments.h"

#include "programfolder.h"
#include "qtoptions.h"

#include <QDir>

#include <optional>

namespace {

const QString kUsage = QStringLiteral("用法：tintoko-voices [选项]\n"
                                      "Tintoko 录音：用自己的声音录下孩子听到的话。\n"
                                      "\n"
                                      "选项：\n"
                                      "  --folder <文件夹>  把录音存进这个文件夹。\n"
                                      "  -h, --help      显示这段用法说明。\n"
                                      "  -v, --version   显示版本号。\n"
                                      "\n"
                                      "录音程序已经开着时再启动一次，不会开第二个窗口：\n"
                                      "已开的窗口回到前面，仍然录进它自己的文件夹。\n");

QString refused(const QString &why) {
    return QStringLiteral("%1。用法见 tintoko-voices --help\n").arg(why);
}

} // namespace

VoicesArguments parseVoicesArguments(const QStringList &arguments, const QString &version) {
    VoicesArguments result;
    bool help = false;
    bool versionAsked = false;
    std::optional<QString> folder;
    const QString folderOption = QStringLiteral("--folder");
    for (qsizetype i = 1; i < arguments.size() && result.error.isEmpty(); ++i) {
        const QString &argument = arguments.at(i);
        if (const qsizetype qt = qtoptions::at(arguments, i); qt > 0) {
            i += qt - 1; // for the application object
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            help = true;
        } else if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
            versionAsked = true;
        } else if (argument == folderOption || argument.startsWith(folderOption + '=')) {
            folder = argument == folderOption ? arguments.value(++i)
                                              : argument.mid(folderOption.size() + 1);
            if (folder->isEmpty())
                result.error = refused(QStringLiteral("--folder 后面要写一个文件夹"));
        } else if (argument.startsWith(QLatin1Char('-'))) {
            result.error = refused(QStringLiteral("不认识的选项“%1”").arg(argument));
        } else {
            result.error = refused(QStringLiteral("多余的参数“%1”").arg(argument));
        }
    }
    if (!result.error.isEmpty())
        return result;
    if (help)
        result.answer = kUsage;
    else if (versionAsked)
        result.answer = QStringLiteral("tintoko-voices %1\n").arg(version);
    result.chosen = folder.has_value();
    result.folder = folder ? QDir(*folder).absolutePath() : ProgramFolder::userSoundFolder();
    return result;
}
