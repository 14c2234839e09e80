#include "audiocapture.h"
#include "e2eenvironment.h"
#include "mainwindowmap.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>
#include <optional>

// A click on a colour button, heard at a real audio server: the recording
// plays into the server's null sink, where the test records it. Broken
// recordings play nothing; damaged and long ones play what they hold; the
// window stays alive with the server stopped, and sound comes back once the
// server does.
class TstE2eSound final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void clickSpeaksTheName();
    void newClickCutsTheRecordingShort();
    void badRecordingsPlayNothing_data();
    void badRecordingsPlayNothing();
    void damagedAndLongRecordingsPlay_data();
    void damagedAndLongRecordingsPlay();
    void soundComesBackWithTheServer();
    void stoppedServerFreezesNothing();
    void cleanupTestCase();

private:
    QString soundFile(const QString &name) const {
        return m_program + QStringLiteral("/声音/") + name;
    }

    std::unique_ptr<E2eEnvironment> m_env;
    QString m_program;
    quint64 m_window = 0;
    std::optional<MainWindowMap> m_map;
};

void TstE2eSound::initTestCase() {
    m_env = std::make_unique<E2eEnvironment>(E2eEnvironment::Part::AudioServer);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QVERIFY2(m_env->startAudioCapture() != nullptr, qPrintable(m_env->errorString()));

    // A program folder of its own, with broken recordings: button 0's is
    // missing, 1's empty, 2's cut short, 3's a text file; and 4's is over 70 s.
    m_program = m_env->copyProgramDir();
    QVERIFY(!m_program.isEmpty());
    QVERIFY(QFile::remove(soundFile(QStringLiteral("黑  色.mp3"))));
    QFile empty(soundFile(QStringLiteral("蓝  色.mp3")));
    QVERIFY(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    empty.close();
    QFile cut(soundFile(QStringLiteral("绿  色.mp3")));
    QVERIFY(cut.open(QIODevice::ReadWrite));
    QVERIFY(cut.resize(cut.size() / 2));
    cut.close();
    QFile text(soundFile(QStringLiteral("青  色.mp3")));
    QVERIFY(text.open(QIODevice::WriteOnly | QIODevice::Truncate));
    text.write("这不是声音。This is a note, not a recording.\n");
    text.close();

    QFile longOne(soundFile(QStringLiteral("红  色.mp3")));
    QVERIFY(longOne.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QFile magenta(soundFile(QStringLiteral("亮洋红.mp3")));
    QVERIFY(magenta.open(QIODevice::ReadOnly));
    const QByteArray one = magenta.readAll();
    for (int k = 0; k < 55; ++k) // about 1.4 s each
        longOne.write(one);
    longOne.close();

    m_map = m_env->startMainWindow(&m_window, m_program);
    QVERIFY2(m_map.has_value(), qPrintable(m_env->errorString()));
}

void TstE2eSound::clickSpeaksTheName() {
    AudioCapture *capture = m_env->audioCapture();
    const qint64 mark = capture->sampleCount();
    QVERIFY(m_env->click(m_map->buttonCentre(13)));

    QVERIFY2(E2eEnvironment::waitFor(
                 [&] { return m_env->swatchColour(*m_map) == QColor(255, 0, 255); }, 20000),
             "the swatch did not turn bright magenta");
    QVERIFY2(capture->waitForSoundToEnd(mark, 400, 10000), "no recording reached the sink");
    const AudioAnalysis played = capture->analyse(mark);
    // 亮洋红.mp3 speaks for about 1.4 s; the null sink can drop up to about
    // 100 ms at a stream's start.
    qInfo("heard %.0f ms of sound, RMS %.0f, peak %d", played.soundLengthMs(), played.soundRms,
          played.peak);
    QVERIFY2(played.soundLengthMs() > 1000 && played.soundLengthMs() < 2000,
             qPrintable(QString::number(played.soundLengthMs())));
    QVERIFY(played.soundRms > 500);
}

void TstE2eSound::newClickCutsTheRecordingShort() {
    AudioCapture *capture = m_env->audioCapture();
    const qint64 mark = capture->sampleCount();
    // Red (the long one, over 70 s), then white (about 0.6 s) while the first
    // still plays, however slowly the click comes: the first stops where the
    // second begins.
    QVERIFY(m_env->click(m_map->buttonCentre(4)));
    QVERIFY(capture->waitForSound(mark, 10000));
    QVERIFY(m_env->click(m_map->buttonCentre(15))); // the harness keeps 600 ms between clicks
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] { return m_env->swatchColour(*m_map) == QColor(255, 255, 255); }, 20000),
             "the swatch did not turn white");
    // Ended when 2 s are quiet: on a busy machine a late stream leaves gaps.
    QVERIFY(capture->waitForSoundToEnd(mark, 2000, 30000));
    const AudioAnalysis both = capture->analyse(mark);
    qInfo("heard %.0f ms from the first sound to the last", both.soundLengthMs());
    // Uncut, the two would take over 70 s one after the other.
    QVERIFY2(both.soundLengthMs() < 30000, qPrintable(QString::number(both.soundLengthMs())));
    // ...and the second was heard to its end after the cut.
    QVERIFY2(both.soundLengthMs() > 700, qPrintable(QString::number(both.soundLengthMs())));
}

void TstE2eSound::badRecordingsPlayNothing_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("missing") << 0 << QColor(0, 0, 0);
    QTest::newRow("empty") << 1 << QColor(0, 0, 128);
    QTest::newRow("text file") << 3 << QColor(0, 128, 128);
}

void TstE2eSound::badRecordingsPlayNothing() {
    QFETCH(int, index);
    QFETCH(QColor, colour);
    AudioCapture *capture = m_env->audioCapture();
    // Start from another colour, so that the change is seen, and let its
    // recording end (it may be over before the swatch is seen white; 2 s
    // quiet, as a late stream has gaps).
    const qint64 white = capture->sampleCount();
    QVERIFY(m_env->click(m_map->buttonCentre(15)));
    QVERIFY(E2eEnvironment::waitFor(
        [&] { return m_env->swatchColour(*m_map) == QColor(Qt::white); }, 20000));
    QVERIFY(capture->waitForSoundToEnd(white, 2000, 20000));

    const qint64 mark = capture->sampleCount();
    QVERIFY(m_env->click(m_map->buttonCentre(index)));
    QVERIFY2(E2eEnvironment::waitFor([&] { return m_env->swatchColour(*m_map) == colour; }, 20000),
             "the swatch did not change");
    // The null sink delivers sound up to about 2 s late: listen for 3 s.
    QVERIFY(!capture->waitForSound(mark, 3000));
    QVERIFY2(m_env->programRunning(), qPrintable(m_env->programOutput()));
}

void TstE2eSound::damagedAndLongRecordingsPlay_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("heardMs"); // at least, before the test moves on
    QTest::newRow("cut in half") << 2 << 100;
    QTest::newRow("over 70 s") << 4 << 5000;
}

void TstE2eSound::damagedAndLongRecordingsPlay() {
    QFETCH(int, index);
    QFETCH(int, heardMs);
    AudioCapture *capture = m_env->audioCapture();
    const qint64 mark = capture->sampleCount();
    QVERIFY(m_env->click(m_map->buttonCentre(index)));
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] { return capture->analyse(mark).soundLengthMs() >= heardMs; }, 20000),
             qPrintable(QStringLiteral("heard %1 ms").arg(capture->analyse(mark).soundLengthMs())));
    // A click on white cuts a long one short.
    QVERIFY(m_env->click(m_map->buttonCentre(15)));
}

void TstE2eSound::soundComesBackWithTheServer() {
    // The server dies while a recording plays, and comes back.
    QVERIFY(m_env->click(m_map->buttonCentre(4)));
    QVERIFY(m_env->audioCapture()->waitForSound(m_env->audioCapture()->sampleCount(), 10000));
    QVERIFY(m_env->restartAudioServer());
    AudioCapture *capture = m_env->startAudioCapture();
    QVERIFY(capture != nullptr);

    const qint64 mark = capture->sampleCount();
    QVERIFY(m_env->click(m_map->buttonCentre(13)));
    QVERIFY2(capture->waitForSound(mark, 10000), "no sound after the server came back");
}

void TstE2eSound::stoppedServerFreezesNothing() {
    // With the server stopped, clicks are still shown at once, and the window
    // closes: the program waits for the server nowhere.
    QVERIFY(m_env->freezeAudioServer(true));
    for (const auto &[index, colour] :
         {std::pair{13, QColor(255, 0, 255)}, {15, QColor(Qt::white)}, {4, QColor(128, 0, 0)}}) {
        QVERIFY(m_env->click(m_map->buttonCentre(index)));
        QVERIFY2(
            E2eEnvironment::waitFor([&] { return m_env->swatchColour(*m_map) == colour; }, 20000),
            qPrintable(QStringLiteral("button %1 not shown; the program said:\n%2")
                           .arg(index)
                           .arg(m_env->programOutput())));
    }
    QVERIFY(m_env->closeWindow(m_window));
    QVERIFY2(m_env->waitForProgramEnd(10000), "the program did not end");
    QVERIFY(m_env->freezeAudioServer(false));
}

void TstE2eSound::cleanupTestCase() {
    m_env.reset();
}

QTEST_GUILESS_MAIN(TstE2eSound)
#include "tst_e2e_sound.moc"
