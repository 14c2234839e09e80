#include "onlinecheck.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

bool onlineThrough(unsigned interfaceFlags, bool hasAddress) {
    const auto flags = QNetworkInterface::InterfaceFlags::fromInt(interfaceFlags);
    return flags.testFlag(QNetworkInterface::IsUp) &&
           flags.testFlag(QNetworkInterface::IsRunning) &&
           !flags.testFlag(QNetworkInterface::IsLoopBack) && hasAddress;
}

namespace {

bool anInterfaceIsUp() {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        if (onlineThrough(interface.flags().toInt(), !interface.addressEntries().isEmpty()))
            return true;
    }
    return false;
}

} // namespace

bool shifou_zaixian() {
    // Loaded once; a backend that cannot load is not tried again.
    static const bool backend = QNetworkInformation::loadDefaultBackend();
    if (backend) {
        const QNetworkInformation::Reachability reachability =
            QNetworkInformation::instance()->reachability();
        if (reachability != QNetworkInformation::Reachability::Unknown)
            return reachability != QNetworkInformation::Reachability::Disconnected;
    }
    return anInterfaceIsUp();
}
