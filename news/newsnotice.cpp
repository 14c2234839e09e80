#include "newsnotice.h"

QString newsNoticeText(NewsNotice notice) {
    switch (notice) {
    case NewsNotice::NoServer:
        return QStringLiteral("这个版本没有设置新闻服务器，所以这里没有新闻。");
    case NewsNotice::Offline:
        return QStringLiteral(
            "电脑现在没有连上网络，看不到新闻。连上网络以后，再打开“新闻资讯”看看吧。");
    case NewsNotice::Unavailable:
        return QStringLiteral("新闻现在打不开。请过一会儿再打开“新闻资讯”看看吧。");
    case NewsNotice::TooSlow:
        return QStringLiteral("新闻页面很久都没有打开，已经停下来了。请过一会儿再试。");
    case NewsNotice::AsAdministrator:
        return QStringLiteral(
            "为了电脑的安全，用系统管理员账户运行时不显示网上的新闻。请用普通账户运行。");
    case NewsNotice::NoSandbox:
        return QStringLiteral(
            "这台电脑不能把网上的新闻页面和系统隔离开。为了电脑的安全，这里不显示新闻。");
    }
    return {};
}

NewsNotice newsNoticeForLoadError(int errorCode) {
    // The engine's code for a machine that is not on any network.
    constexpr int kInternetDisconnected = -106;
    return errorCode == kInternetDisconnected ? NewsNotice::Offline : NewsNotice::Unavailable;
}
