#pragma once

#include <QString>

// Why the news window shows a note of its own instead of a news page: the
// page cannot be had, or may not be shown. The note says so in a few
// Chinese words, whatever the locale; the web engine's own error pages,
// which follow the locale and speak of addresses and error codes, are never
// shown.
enum class NewsNotice {
    NoServer,        // this build names no news server
    Offline,         // the machine is not on a network
    Unavailable,     // the server did not answer, or answered with an error
    TooSlow,         // the page took longer than its time limit
    AsAdministrator, // run as the administrator, and that could not be given up
    NoSandbox,       // the engine's sandbox cannot work on this machine
};

// The words the news window shows for notice.
QString newsNoticeText(NewsNotice notice);

// Why a page failed to load, from the web engine's error code (its network
// errors are negative, HTTP status codes positive).
NewsNotice newsNoticeForLoadError(int errorCode);
