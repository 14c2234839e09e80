#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QtGlobal>

#include <memory>

// Finds out which of a recording's files plays, off the window's thread: a
// thread of its own, at idle priority, opens each file in turn with Mp3Decoder (however long a
// tag in front of the sound takes to read) until one plays. Questions are
// answered one at a time, in the order asked; a newer question with the same
// key replaces an older one, which then gets no answer. Destroying the
// checker drops what is not answered yet; a file still being read is left to
// the thread, which ends on its own.
class RecordingCheck final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordingCheck)

public:
    explicit RecordingCheck(QObject *parent = nullptr);
    ~RecordingCheck() override;

    // Asks which of `paths` is the first that plays; checked() answers.
    void check(int key, const QStringList &paths);
    // Whether a question with this key waits for its answer.
    [[nodiscard]] bool isChecking(int key) const { return m_asked.contains(key); }

    struct Shared;

signals:
    // For each file tried, in order, Mp3Decoder's result as a number: all of
    // `paths` when none plays, else up to the first that does (0).
    void checked(int key, const QList<int> &results);

private:
    static void run(const std::shared_ptr<Shared> &shared, RecordingCheck *owner);
    void answer(int key, quint64 serial, const QList<int> &results);

    std::shared_ptr<Shared> m_shared;
    QHash<int, quint64> m_asked; // the question each key waits for
    quint64 m_serial = 0;
};
