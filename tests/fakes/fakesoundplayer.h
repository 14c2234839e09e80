#pragma once

#include "soundplayer.h"

#include <QHash>
#include <QString>
#include <QStringList>

// A SoundPlayer for widget tests: plays nothing, records every call in order
// ("Stop", "State", "Open:<path>", "Play") and answers as the test says.
class FakeSoundPlayer final : public SoundPlayer {
public:
    // What State answers; Stop makes it Idle, as the real player does.
    qint32 stateValue = Idle;
    // What Open answers: openResults[path] when present, else openResult.
    qint16 openResult = 0;
    QHash<QString, qint16> openResults;

    void Stop() override {
        m_calls << QStringLiteral("Stop");
        stateValue = Idle;
    }

    qint32 State() override {
        m_calls << QStringLiteral("State");
        return stateValue;
    }

    qint16 Open(const QString &path) override {
        m_calls << QStringLiteral("Open:") + path;
        m_lastOpened = path;
        return openResults.value(path, openResult);
    }

    void Play() override {
        m_calls << QStringLiteral("Play");
        stateValue = 1;
        m_played << m_lastOpened;
    }

    [[nodiscard]] const QStringList &calls() const { return m_calls; }
    // calls() without the "State" reads, whose number depends on timing.
    [[nodiscard]] QStringList callsWithoutState() const {
        QStringList result = m_calls;
        result.removeAll(QStringLiteral("State"));
        return result;
    }
    // For every Play, the path opened last before it.
    [[nodiscard]] const QStringList &played() const { return m_played; }
    [[nodiscard]] int playCount() const { return int(m_played.size()); }
    // Lets a test add its own marks between the player's calls.
    void note(const QString &mark) { m_calls << mark; }
    // Forgets the calls so far (e.g. those made while a window loaded).
    void clearCalls() {
        m_calls.clear();
        m_played.clear();
    }

private:
    QStringList m_calls;
    QString m_lastOpened;
    QStringList m_played;
};
