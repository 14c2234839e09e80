#include "blockednewsview.h"

#include <QTimer>

BlockedNewsView::BlockedNewsView(NewsNotice reason, QWidget *parent)
    : QWidget(parent)
    , m_reason(reason) {}

void BlockedNewsView::navigate(const QUrl &url) {
    m_address = url.toString();
    QTimer::singleShot(0, this, [this] {
        if (onLoaded)
            onLoaded();
    });
}
