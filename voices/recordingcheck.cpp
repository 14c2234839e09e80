#include "recordingcheck.h"

#include "mp3decoder.h"

#include <QMetaObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <sched.h>

struct RecordingCheck::Shared {
    struct Question {
        int key = 0;
        quint64 serial = 0;
        QStringList paths;
    };
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Question> questions;
    bool quit = false;
    bool running = false;
};

// Answers the questions in turn. An answer is posted under the lock and only
// while the owner is there: its destructor takes the lock to say it is going,
// and Qt drops the events still queued for an object that is gone.
void RecordingCheck::run(const std::shared_ptr<Shared> &shared, RecordingCheck *owner) {
    // Reading a long tag in front of the sound can take a core for a while:
    // only time that nothing else wants, so the window answers meanwhile.
    const sched_param idle{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle);
    for (;;) {
        Shared::Question question;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->quit || !shared->questions.empty(); });
            if (shared->quit)
                return;
            question = std::move(shared->questions.front());
            shared->questions.pop_front();
        }
        QList<int> results;
        for (const QString &path : std::as_const(question.paths)) {
            Mp3Decoder decoder;
            results << int(decoder.open(path));
            if (results.last() == int(Mp3Decoder::Result::Ok))
                break;
        }
        const std::lock_guard lock(shared->mutex);
        if (shared->quit)
            return;
        QMetaObject::invokeMethod(
            owner,
            [owner, key = question.key, serial = question.serial, results] {
                owner->answer(key, serial, results);
            },
            Qt::QueuedConnection);
    }
}

RecordingCheck::RecordingCheck(QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>()) {}

RecordingCheck::~RecordingCheck() {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->quit = true;
    m_shared->wake.notify_all();
}

void RecordingCheck::check(int key, const QStringList &paths) {
    const quint64 serial = ++m_serial;
    m_asked.insert(key, serial);
    const std::lock_guard lock(m_shared->mutex);
    auto &questions = m_shared->questions;
    std::erase_if(questions, [key](const Shared::Question &q) { return q.key == key; });
    questions.push_back({key, serial, paths});
    if (!m_shared->running) {
        m_shared->running = true;
        std::thread(run, m_shared, this).detach();
    }
    m_shared->wake.notify_all();
}

void RecordingCheck::answer(int key, quint64 serial, const QList<int> &results) {
    if (m_asked.value(key) != serial)
        return;
    m_asked.remove(key);
    emit checked(key, results);
}
