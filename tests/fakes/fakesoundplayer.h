#pragma once

#include "soundplayer.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// A SoundPlayer for widget tests: plays nothing, records every call in order
// ("Stop", "State", "Open:<path>", "Play") and answers as the test says.
class FakeSoundPlayer final : public SoundPlayer {
public:
    // The recording "playing" ends: State answers 0 from now on, and the
    // player says so as the real one does.
    void goIdle() {
        stateFunction = nullptr;
        stateValue = 0;
        emit stateChanged(0);
    }

    // What State answers: stateFunction when set (called on every read), else
    // stateValue.
    qint32 stateValue = 0;
    std::function<qint32()> stateFunction;
    // What Open answers: openResults[path] when present, else openResult.
    qint16 openResult = 0;
    QHash<QString, qint16> openResults;

    void Stop() override { m_calls << QStringLiteral("Stop"); }

    qint32 State() override {
        m_calls << QStringLiteral("State");
        return stateFunction ? stateFunction() : stateValue;
    }

    qint16 Open(const QString &path, const QString &options) override {
        m_calls << QStringLiteral("Open:") + path;
        m_openOptions << options;
        m_lastOpened = path;
        return openResults.value(path, openResult);
    }

    void Play() override {
        m_calls << QStringLiteral("Play");
        m_played << m_lastOpened;
    }

    [[nodiscard]] const QStringList &calls() const { return m_calls; }
    // calls() without the "State" reads, whose number depends on timing.
    [[nodiscard]] QStringList callsWithoutState() const {
        QStringList result = m_calls;
        result.removeAll(QStringLiteral("State"));
        return result;
    }
    // Second argument of every Open, in order.
    [[nodiscard]] const QStringList &openOptions() const { return m_openOptions; }
    // For every Play, the path opened last before it.
    [[nodiscard]] const QStringList &played() const { return m_played; }
    [[nodiscard]] int playCount() const { return int(m_played.size()); }
    // Lets a test add its own marks between the player's calls.
    void note(const QString &mark) { m_calls << mark; }
    // Forgets the calls so far (e.g. those made while a window loaded).
    void clearCalls() {
        m_calls.clear();
        m_openOptions.clear();
        m_played.clear();
    }

private:
    QStringList m_calls;
    QStringList m_openOptions;
    QString m_lastOpened;
    QStringList m_played;
};
