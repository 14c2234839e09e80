#include "tintokoarguments.h"

#include "qtoptions.h"

#include <cmath>

namespace {

const QString kUsage =
    QStringLiteral("用法：tintoko [选项]\n"
                   "Tintoko：教小朋友认识十六种颜色的中文名字。\n"
                   "\n"
                   "选项：\n"
                   "  --scan[=秒数]    轮流突出显示颜色按钮，每个按钮停留这么多秒\n"
                   "                   （0.5 到 10，不写就是 2），给用一个开关操作的孩子。\n"
                   "  -h, --help       显示这段用法说明。\n"
                   "  -v, --version    显示版本号。\n"
                   "\n"
                   "Tintoko 已经开着时再启动一次，不会开第二个窗口：已开的窗口回到前面，\n"
                   "这次的选项用在它身上。\n");

QString refused(const QString &why) {
    return QStringLiteral("%1。用法见 tintoko --help\n").arg(why);
}

// Seconds as a person writes them ("2", "0.5", "1,5" is not one), within the range.
std::optional<std::chrono::milliseconds> scanStep(const QString &seconds) {
    bool ok = false;
    const double value = seconds.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const auto step = std::chrono::milliseconds(std::llround(value * 1000));
    if (step < tintokoarguments::kScanMin || step > tintokoarguments::kScanMax)
        return std::nullopt;
    return step;
}

} // namespace

TintokoArguments parseTintokoArguments(const QStringList &arguments, const QString &version) {
    TintokoArguments result;
    bool help = false;
    bool versionAsked = false;
    const QString scanPrefix = QStringLiteral("--scan=");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (const qsizetype qt = qtoptions::at(arguments, i); qt > 0) {
            i += qt - 1; // for the application object
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            help = true;
        } else if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
            versionAsked = true;
        } else if (argument == QLatin1String("--scan")) {
            result.scanStep = tintokoarguments::kScanDefault;
        } else if (argument.startsWith(scanPrefix)) {
            const QString seconds = argument.mid(scanPrefix.size());
            result.scanStep = scanStep(seconds);
            if (!result.scanStep)
                result.error = refused(
                    QStringLiteral("--scan 的值“%1”不行，要写 0.5 到 10 之间的秒数").arg(seconds));
        } else if (argument.startsWith(QLatin1Char('-'))) {
            result.error = refused(QStringLiteral("不认识的选项“%1”").arg(argument));
        } else {
            result.error = refused(QStringLiteral("多余的参数“%1”").arg(argument));
        }
        if (!result.error.isEmpty()) {
            result.scanStep.reset();
            return result;
        }
    }
    if (help)
        result.answer = kUsage;
    else if (versionAsked)
        result.answer = QStringLiteral("tintoko %1\n").arg(version);
    return result;
}
