#include "errorrelay.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

struct ErrorRelay::State {
    int fd = -1;
    qsizetype capacity = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done; // all that was held is written
    QByteArray held;
    bool writing = false;
    qint64 droppedHere = 0; // not yet said
    qint64 droppedAll = 0;
    bool ending = false;
};

namespace {

void writeAll(int fd, QByteArrayView text) {
    while (!text.isEmpty()) {
        const ssize_t n = ::write(fd, text.data(), size_t(text.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nowhere to write: the rest goes too
        text = text.sliced(n);
    }
}

} // namespace

ErrorRelay::ErrorRelay(int fd, qsizetype capacity)
    : m_state(std::make_shared<State>()) {
    m_state->fd = fd;
    m_state->capacity = capacity;
    // The thread holds the state, so that it may outlive the relay while the
    // descriptor takes nothing.
    std::thread([state = m_state] {
        std::unique_lock lock(state->mutex);
        for (;;) {
            state->wake.wait(lock, [&] { return !state->held.isEmpty() || state->ending; });
            if (state->held.isEmpty())
                return;
            const QByteArray text = std::exchange(state->held, {});
            state->writing = true;
            lock.unlock();
            writeAll(state->fd, text);
            lock.lock();
            state->writing = false;
            state->done.notify_all();
        }
    }).detach();
}

ErrorRelay::~ErrorRelay() {
    const std::lock_guard lock(m_state->mutex);
    m_state->ending = true;
    m_state->wake.notify_one();
}

ErrorRelay &ErrorRelay::standardError() {
    // Never destroyed: a message may come at any time until the process
    // ends. What it holds then is written at the end, unless the
    // descriptor takes nothing for a while.
    static ErrorRelay *const relay = [] {
        auto *created = new ErrorRelay(STDERR_FILENO);
        std::atexit([] { relay->waitWritten(std::chrono::milliseconds(500)); });
        return created;
    }();
    return *relay;
}

void ErrorRelay::passQtMessages() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context,
                              const QString &message) {
        const QByteArray line = (qFormatLogMessage(type, context, message) + u'\n').toLocal8Bit();
        if (type == QtFatalMsg)
            writeAll(STDERR_FILENO, line);
        else
            standardError().pass(line);
    });
}

void ErrorRelay::pass(QByteArrayView text) {
    if (text.isEmpty())
        return;
    const std::lock_guard lock(m_state->mutex);
    State &state = *m_state;
    const qsizetype room = qMax<qsizetype>(state.capacity - state.held.size(), 0);
    if (state.droppedHere > 0 && room > 0) {
        state.held += "\n[" + QByteArray::number(state.droppedHere) + " bytes dropped]\n";
        state.droppedHere = 0;
    }
    const qsizetype taken = qMin(room, text.size());
    state.held += text.first(taken);
    state.droppedHere += text.size() - taken;
    state.droppedAll += text.size() - taken;
    if (taken > 0)
        state.wake.notify_one();
}

void ErrorRelay::waitWritten(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_state->mutex);
    m_state->done.wait_for(lock, limit,
                           [&] { return m_state->held.isEmpty() && !m_state->writing; });
}

qint64 ErrorRelay::dropped() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->droppedAll;
}
