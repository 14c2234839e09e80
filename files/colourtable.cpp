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

QString spokenName(int index) {
    return QString(name(index)).remove(QLatin1Char(' '));
}

} // namespace colourtable
