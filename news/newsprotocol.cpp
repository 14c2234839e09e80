#include "newsprotocol.h"

#include <QList>
#include <QUrl>

#include <algorithm>
#include <array>
#include <utility>

namespace newsprotocol {

namespace {

struct Name {
    Kind kind;
    const char *word;
    bool hasUrl;
};

constexpr std::array kNames{
    Name{Kind::Navigate, "navigate", true}, Name{Kind::Show, "show", false},
    Name{Kind::Stop, "stop", false},        Name{Kind::Loading, "loading", true},
    Name{Kind::Loaded, "loaded", true},     Name{Kind::Open, "open", true},
    Name{Kind::Closed, "closed", false},    Name{Kind::Ping, "ping", false},
    Name{Kind::Pong, "pong", false},
};

const Name *byKind(Kind kind) {
    for (const Name &name : kNames) {
        if (name.kind == kind)
            return &name;
    }
    return nullptr;
}

const Name *byWord(QByteArrayView word) {
    for (const Name &name : kNames) {
        if (word == name.word)
            return &name;
    }
    return nullptr;
}

} // namespace

QByteArray encode(const Message &message) {
    const Name *name = byKind(message.kind);
    QByteArray line(name->word);
    if (name->hasUrl) {
        // Percent-encoding leaves no space, line break or other control
        // character; an empty address is written as "-".
        const QByteArray url = QUrl::toPercentEncoding(message.url, "/:?&=#@+;,!$'()*[]~");
        line += ' ' + (url.isEmpty() ? QByteArray("-") : url);
    }
    if (message.kind == Kind::Loaded && message.body)
        line += ' ' + message.body->left(kMaxBodyChars).toUtf8().toBase64();
    line += '\n';
    return line;
}

std::optional<Message> decode(QByteArrayView line) {
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.size() > kMaxLineBytes)
        return std::nullopt;
    const QList<QByteArray> fields = line.toByteArray().split(' ');
    const Name *name = byWord(fields.value(0));
    if (name == nullptr)
        return std::nullopt;
    const qsizetype expected = name->hasUrl ? 2 : 1;
    const bool withBody = name->kind == Kind::Loaded && fields.size() == 3;
    if (fields.size() != expected && !withBody)
        return std::nullopt;

    Message message{name->kind};
    if (name->hasUrl && fields.at(1) != "-")
        message.url = QUrl::fromPercentEncoding(fields.at(1));
    if (withBody) {
        auto body =
            QByteArray::fromBase64Encoding(fields.at(2), QByteArray::AbortOnBase64DecodingErrors);
        if (!body)
            return std::nullopt;
        message.body = QString::fromUtf8(*body);
    }
    return message;
}

QList<Message> takeMessages(QByteArray &pending, qsizetype arrived) {
    QList<Message> messages;
    qsizetype start = 0;
    const qsizetype unsearched = std::max<qsizetype>(0, pending.size() - arrived);
    for (qsizetype end = pending.indexOf('\n', unsearched); end >= 0;
         end = pending.indexOf('\n', start)) {
        if (auto message = decode(QByteArrayView(pending).sliced(start, end - start)))
            messages.append(std::move(*message));
        start = end + 1;
    }
    pending.remove(0, start);
    if (pending.size() > kMaxLineBytes)
        pending.clear();
    return messages;
}

QByteArray printable(QByteArray text) {
    qsizetype out = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++out) {
        const auto c = uchar(text.at(i));
        // The C1 controls, U+0080 to U+009F, in UTF-8: a terminal takes
        // U+009B as the start of a command, as it takes ESC [.
        const bool c1 = c == 0xc2 && i + 1 < text.size() && uchar(text.at(i + 1)) >= 0x80 &&
                        uchar(text.at(i + 1)) <= 0x9f;
        i += c1 ? 1 : 0;
        text[out] = c1 || (c < 0x20 && c != '\n' && c != '\t') || c == 0x7f ? '?' : char(c);
    }
    text.truncate(out);
    return text;
}

} // namespace newsprotocol
