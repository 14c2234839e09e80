#pragma once

#include "urlopener.h"

#include <QList>
#include <QUrl>

// A UrlOpener for widget tests: opens nothing, keeps what passed the opener's
// own checks on its way to the desktop.
class FakeUrlOpener final : public UrlOpener {
public:
    QList<QUrl> opened;

protected:
    bool open(const QUrl &url) override {
        opened << url;
        return true;
    }
};
