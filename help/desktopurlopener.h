#pragma once

#include "urlopener.h"

// The desktop's own way of opening an address or a file (xdg-open and the
// like, through QDesktopServices).
class DesktopUrlOpener final : public UrlOpener {
protected:
    bool open(const QUrl &url) override;
};
