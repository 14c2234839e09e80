#include "audiocapture.h"
#include "e2eenvironment.h"
#include "mainwindowmap.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include <memory>
#include <optional>

// The program as a user starts it: its main window appears with the black
// swatch and the sixteen colour buttons, stays silent, and a close request from
// the window manager ends the process.
class TstE2eStartup final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void swatchIsBlack();
    void buttonsShowTheirColours_data();
    void buttonsShowTheirColours();
    void captionsContrastWithTheirButtons_data();
    void captionsContrastWithTheirButtons();
    void closeRequestEndsTheProgram();
    void nothingWasPlayed();
    void cleanupTestCase();

private:
    std::unique_ptr<E2eEnvironment> m_env;
    quint64 m_window = 0;
    QImage m_shot;
    std::optional<MainWindowMap> m_map;
    qint64 m_soundMark = 0;
};

void TstE2eStartup::initTestCase() {
    using Part = E2eEnvironment::Part;
    m_env = std::make_unique<E2eEnvironment>(Part::WindowManager | Part::AudioServer);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    qInfo("display %s: X server ready after %lld ms, audio server after %lld ms",
          qPrintable(m_env->display()), m_env->xServerStartMs(), m_env->audioServerStartMs());
    QElapsedTimer timer;
    timer.start();
    AudioCapture *capture = m_env->startAudioCapture();
    QVERIFY2(capture != nullptr, qPrintable(m_env->errorString()));
    m_soundMark = capture->sampleCount();
    qInfo("sound recording ready after %lld ms", timer.restart());

    QVERIFY2(m_env->startProgram(), qPrintable(m_env->errorString()));
    m_window = m_env->waitForWindow(E2eEnvironment::kMainWindowTitle);
    qInfo("main window mapped %lld ms after the program started", timer.elapsed());
    QVERIFY2(m_window != 0, qPrintable(QStringLiteral("no window titled \"Tintoko 5.70\"; the "
                                                      "program said:\n") +
                                       m_env->programOutput()));
    QVERIFY(!m_env->windowGeometry(m_window).isEmpty());
    // The first paint can come a moment after the window is mapped.
    m_map = m_env->waitForMainWindowMap(m_window, &m_shot);
    m_env->keep(m_shot, QStringLiteral("startup"));
    QVERIFY2(m_map.has_value(), "no black swatch in the main window");
}

void TstE2eStartup::swatchIsBlack() {
    // Every pixel of the swatch above the status strip, a few pixels in from
    // the edges, whatever frame the text box has.
    const QRect face = MainWindowMap::inner(m_map->swatchFace(), 6);
    int others = 0;
    for (int y = face.top(); y <= face.bottom(); ++y) {
        for (int x = face.left(); x <= face.right(); ++x)
            others += m_shot.pixelColor(x, y) != QColor(Qt::black) ? 1 : 0;
    }
    QCOMPARE(others, 0);
}

void TstE2eStartup::buttonsShowTheirColours_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("colour");
    const struct {
        const char *name = nullptr;
        QColor colour;
    } rows[16] = {
        {"black", {0, 0, 0}},       {"navy", {0, 0, 128}},       {"green", {0, 128, 0}},
        {"teal", {0, 128, 128}},    {"maroon", {128, 0, 0}},     {"purple", {128, 0, 128}},
        {"olive", {128, 128, 0}},   {"silver", {192, 192, 192}}, {"grey", {128, 128, 128}},
        {"blue", {0, 0, 255}},      {"lime", {0, 255, 0}},       {"aqua", {0, 255, 255}},
        {"red", {255, 0, 0}},       {"fuchsia", {255, 0, 255}},  {"yellow", {255, 255, 0}},
        {"white", {255, 255, 255}},
    };
    for (int i = 0; i < 16; ++i)
        QTest::addRow("%d %s", i, rows[i].name) << i << rows[i].colour;
}

void TstE2eStartup::buttonsShowTheirColours() {
    QFETCH(int, index);
    QFETCH(QColor, colour);
    // The face colour covers most of the button; the caption sits in the middle.
    const QRect button = MainWindowMap::inner(m_map->button(index), 3);
    QCOMPARE(MainWindowMap::mostFrequentColour(m_shot, button).name(), colour.name());
    QCOMPARE(m_shot.pixelColor(m_map->buttonFacePoint(index)).name(), colour.name());
}

void TstE2eStartup::captionsContrastWithTheirButtons_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("ink");
    QTest::newRow("0 black") << 0 << QColor(Qt::white);
    QTest::newRow("4 maroon") << 4 << QColor(Qt::white);
    QTest::newRow("7 silver") << 7 << QColor(Qt::black);
    QTest::newRow("15 white") << 15 << QColor(Qt::black);
}

void TstE2eStartup::captionsContrastWithTheirButtons() {
    QFETCH(int, index);
    QFETCH(QColor, ink);
    // Inside the edge and the focus frame, which is drawn in the caption's ink.
    const QRect inside = MainWindowMap::inner(m_map->button(index), 6);
    const int inked = MainWindowMap::pixelsNear(m_shot, inside, ink);
    QVERIFY2(
        inked >= 20,
        qPrintable(QStringLiteral("%1 pixels of %2 ink on the button").arg(inked).arg(ink.name())));
}

void TstE2eStartup::closeRequestEndsTheProgram() {
    QVERIFY(m_env->programRunning());
    QVERIFY(m_env->closeWindow(m_window));
    // The program refuses the close and ends itself on a 100 ms timer.
    QVERIFY2(m_env->waitForProgramEnd(20000), "the program did not end after the close request");
    QCOMPARE(m_env->program()->exitStatus(), QProcess::NormalExit);
}

void TstE2eStartup::nothingWasPlayed() {
    const AudioAnalysis played = m_env->audioCapture()->analyse(m_soundMark);
    QVERIFY(played.samples > 0);
    QVERIFY2(!played.hasSound(), qPrintable(QStringLiteral("sound of %1 ms, peak %2")
                                                .arg(played.soundLengthMs())
                                                .arg(played.peak)));
}

void TstE2eStartup::cleanupTestCase() {
    m_env.reset();
}

QTEST_GUILESS_MAIN(TstE2eStartup)
#include "tst_e2e_startup.moc"
