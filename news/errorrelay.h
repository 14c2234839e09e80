#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <chrono>
#include <memory>

// Passes text on to a descriptor (the program's standard error) from a
// thread of its own, so that a reader that takes nothing (a pipe nobody
// reads, a terminal stopped with Ctrl-S) never holds up the thread that
// passes it: pass() never waits for the descriptor. What does not fit in the
// buffer meanwhile is dropped and counted, and where text is passed on again
// a line says how much was lost there.
class ErrorRelay final {
public:
    explicit ErrorRelay(int fd, qsizetype capacity = qsizetype(64) * 1024);
    // The text still held is written by the thread, which ends when it is
    // written, or with the process where the descriptor takes no more.
    ~ErrorRelay();
    ErrorRelay(const ErrorRelay &) = delete;
    ErrorRelay &operator=(const ErrorRelay &) = delete;
    ErrorRelay(ErrorRelay &&) = delete;
    ErrorRelay &operator=(ErrorRelay &&) = delete;

    // The relay to this process's standard error, one for all that is
    // written there, so that what is passed keeps its order.
    static ErrorRelay &standardError();
    // Qt's messages (qWarning() and the like) go through standardError(); a
    // fatal one is written at once, before Qt ends the process.
    static void passQtMessages();

    void pass(QByteArrayView text);
    // Waits, at most limit, until all the relay holds is written.
    void waitWritten(std::chrono::milliseconds limit);
    // Bytes dropped so far.
    [[nodiscard]] qint64 dropped() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
