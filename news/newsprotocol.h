#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What the program and its news viewer (tintoko-news, the process that holds
// the web engine) say to each other: one message a line, on the viewer's
// standard input and output. Addresses are percent-encoded and the page's
// body is base64, so no field ever holds a space or a line break.
//
//   program -> viewer: navigate <url> | show | stop | ping
//   viewer -> program: loading <url> | loaded <url> [<body>] | open <url> | closed | pong
//
// The viewer answers every ping with a pong, in turn with the other
// messages: a viewer that stops answering has frozen.
namespace newsprotocol {

enum class Kind {
    // to the viewer
    Navigate, // load the page into the (hidden) window
    Show,     // show the window, rising into view
    Stop,     // stop loading: the page took too long
    Ping,     // answer with a pong
    // from the viewer
    Loading, // a page started loading
    Loaded,  // the page finished; body absent when it could not be read
    Open,    // the user clicked a link that opens a new window
    Closed,  // the user closed the window; the viewer ends
    Pong,    // the answer to a ping
};

struct Message {
    Kind kind = Kind::Show;
    QString url{};
    std::optional<QString> body{};

    friend bool operator==(const Message &, const Message &) = default;
};

// A body longer than this is cut: the program only looks for a word in it,
// and a hostile page must not make either process hold a huge line.
inline constexpr qsizetype kMaxBodyChars = 1 << 20;
// Longer lines are not messages of ours and are dropped unread.
inline constexpr qsizetype kMaxLineBytes = 4 * kMaxBodyChars;

// The line for a message, ending in "\n".
QByteArray encode(const Message &message);
// The message a line holds (with or without its "\n"); none for anything
// else, so a garbled or foreign line is ignored.
std::optional<Message> decode(QByteArrayView line);
// The messages of the whole lines in pending, in order, when its last
// `arrived` bytes have just come and the bytes before them end no line; they
// are taken out of it and an unfinished line stays for the next read. Only
// what arrived is searched for a line's end, so a long line that comes in
// many reads is read in time that grows with its length, not its square.
// An unfinished line already longer than kMaxLineBytes is none of ours and
// is dropped.
QList<Message> takeMessages(QByteArray &pending, qsizetype arrived);

// text with each control character but the line break and the tab made a
// "?", the C1 controls too (U+0080 to U+009F in UTF-8): what the viewer
// writes, fit to pass on to a terminal.
QByteArray printable(QByteArray text);

} // namespace newsprotocol
