#pragma once

#include <QString>

class QUrl;

// True for the only addresses the program hands to the desktop as web pages:
// http and https ones with a host.
bool isWebAddress(const QUrl &url);

// Opens web pages in the default browser and local files in the desktop's
// default viewer. Every call goes through the two public operations, which
// decide what may leave the program; a class that reaches the desktop (or a
// test's fake) supplies open(). Opening never waits for the browser or viewer.
class UrlOpener {
public:
    UrlOpener() = default;
    virtual ~UrlOpener() = default;
    UrlOpener(const UrlOpener &) = delete;
    UrlOpener &operator=(const UrlOpener &) = delete;
    UrlOpener(UrlOpener &&) = delete;
    UrlOpener &operator=(UrlOpener &&) = delete;

    // Only an http or https address is opened; false for anything else. A
    // bare host name ("www.example.org") is taken as an http address.
    bool openWebAddress(const QString &address);
    // A file by its path, never as an address that could name something else.
    bool openLocalFile(const QString &path);

protected:
    virtual bool open(const QUrl &url) = 0;
};
