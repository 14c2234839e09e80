#include "app/form1layout.h"
#include "audiocapture.h"
#include "e2eenvironment.h"
#include "mainwindowmap.h"
#include "shell/units.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>
#include <optional>

// The three exercises as a child's parent would try them: chosen in the menu
// with the keyboard, watched on the screen, heard through the audio sink and
// read through AT-SPI as a screen reader reads them. The tests run in order on
// one program: automatic play, then the test, then mixing.
class TstE2eExercises final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void automaticPlayShowsAndSpeaks();
    void testShufflesColoursOntoBlankButtons();
    void mixingWithTheKeyboard();
    void cleanupTestCase();

private:
    // Alt+X, then polls until the menu has dropped down over the swatch.
    bool openExerciseMenu();
    // Polls screenshots until `condition` holds for one; false after timeoutMs.
    bool waitForScreen(const std::function<bool(const QImage &)> &condition, int timeoutMs);
    QColor swatchColour(const QImage &shot) const;
    QRect readout(int index) const;
    // Polls what a screen reader sees (atspi.py dump, into m_tree) until
    // `pattern` matches it.
    bool reads(const QString &pattern);

    std::unique_ptr<E2eEnvironment> m_env;
    quint64 m_window = 0;
    std::optional<MainWindowMap> m_map;
    QImage m_shot;
    QString m_tree;
};

namespace {

const QColor kBlack(0, 0, 0);
const QColor kBlue(0, 0, 128);
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

// Width of the red text in `rect`: from its leftmost to its rightmost red
// pixel, 0 when there is none.
int redInkWidth(const QImage &shot, const QRect &rect) {
    int left = rect.right() + 1;
    int right = rect.left() - 1;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 160 && c.green() < 90 && c.blue() < 90) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return right >= left ? right - left + 1 : 0;
}

} // namespace

void TstE2eExercises::initTestCase() {
    using Part = E2eEnvironment::Part;
    m_env = std::make_unique<E2eEnvironment>(Part::WindowManager | Part::AudioServer |
                                             Part::AccessibilityBus);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QVERIFY2(m_env->startAudioCapture() != nullptr, qPrintable(m_env->errorString()));
    m_map = m_env->startMainWindow(&m_window, {}, {}, &m_shot);
    m_env->keep(m_shot, QStringLiteral("startup"));
    QVERIFY2(m_map.has_value(), qPrintable(m_env->errorString()));
}

bool TstE2eExercises::waitForScreen(const std::function<bool(const QImage &)> &condition,
                                    int timeoutMs) {
    return E2eEnvironment::waitFor(
        [&] {
            m_shot = m_env->screenshot();
            return !m_shot.isNull() && condition(m_shot);
        },
        timeoutMs, 50);
}

bool TstE2eExercises::openExerciseMenu() {
    if (!m_env->key(QStringLiteral("alt+x"), m_window))
        return false;
    // The swatch is one plain colour; the open menu covers part of it.
    const bool open = waitForScreen(
        [&](const QImage &shot) {
            const QRect face = MainWindowMap::inner(m_map->swatchFace(), 2);
            const QColor colour = MainWindowMap::mostFrequentColour(shot, face);
            int covered = 0;
            for (int y = face.top(); y <= face.bottom(); ++y) {
                for (int x = face.left(); x <= face.right(); ++x)
                    covered += shot.pixelColor(x, y) != colour ? 1 : 0;
            }
            return covered > 1000;
        },
        20000);
    m_env->keep(m_shot, QStringLiteral("menu"));
    return open;
}

QColor TstE2eExercises::swatchColour(const QImage &shot) const {
    return MainWindowMap::mostFrequentColour(shot, MainWindowMap::inner(m_map->swatchFace(), 6));
}

QRect TstE2eExercises::readout(int index) const {
    static constexpr std::array<int, 3> kWidths = {1155, 1155, 1095};
    const QPoint at = m_map->toScreen(normalLayout().label3.at(index));
    return {at, QSize(units::twipsToPx(kWidths.at(index)), units::twipsToPx(195))};
}

bool TstE2eExercises::reads(const QString &pattern) {
    const QStringList dump = {QStringLiteral(TINTOKO_SOURCE_DIR "/tests/e2e/atspi.py"),
                              QStringLiteral("tintoko"), QStringLiteral("dump")};
    return E2eEnvironment::waitFor(
        [&] {
            QByteArray out;
            const bool ran = m_env->run(QStringLiteral("/usr/bin/python3"), dump, &out) == 0;
            m_tree = QString::fromUtf8(out);
            return ran && QRegularExpression(pattern).match(m_tree).hasMatch();
        },
        20000, 100);
}

void TstE2eExercises::automaticPlayShowsAndSpeaks() {
    AudioCapture *capture = m_env->audioCapture();
    const qint64 mark = capture->sampleCount();
    QVERIFY(openExerciseMenu());
    QVERIFY(m_env->key(QStringLiteral("z")));

    // Black first, then blue, then green, one per tick of the play timer.
    QList<QColor> seen = {swatchColour(m_env->screenshot())};
    QElapsedTimer clock;
    clock.start();
    QList<qint64> changedAt;
    const bool reachedGreen = waitForScreen(
        [&](const QImage &shot) {
            const QColor now = swatchColour(shot);
            if (now != seen.last()) {
                seen << now;
                changedAt << clock.elapsed();
            }
            return now == kGreen;
        },
        30000);
    m_env->keep(m_shot, QStringLiteral("automatic-green"));
    QStringList names;
    for (const QColor &c : seen)
        names << c.name();
    QVERIFY2(reachedGreen, qPrintable(names.join(QLatin1Char(' '))));
    QCOMPARE(seen, (QList<QColor>{kBlack, kBlue, kGreen}));
    qInfo("swatch changed %lld ms after the menu choice, then again %lld ms later",
          changedAt.value(0), changedAt.value(1) - changedAt.value(0));

    // The strip under the swatch, in the swatch's colour, carries the
    // exercise's message. It scrolls with a gap of blanks as wide as the strip
    // between one showing and the next: wait for more than a whole round.
    const QRect strip = m_map->statusStrip();
    int ink = 0;
    const bool written = waitForScreen(
        [&](const QImage &shot) {
            const QColor background = swatchColour(shot);
            ink =
                strip.width() * strip.height() - MainWindowMap::pixelsNear(shot, strip, background);
            return MainWindowMap::mostFrequentColour(shot, strip) == background && ink > 300;
        },
        30000);
    m_env->keep(m_shot, QStringLiteral("automatic-message"));
    QVERIFY2(written, qPrintable(QStringLiteral("%1 pixels of ink in the strip").arg(ink)));

    // The names were spoken: sound reached the sink.
    QVERIFY2(capture->waitForSound(mark, 20000), "no sound from automatic play");
    const AudioAnalysis played = capture->analyse(mark);
    qInfo("sound: %.0f ms from the first to the last sound sample, peak %d", played.soundLengthMs(),
          played.peak);
    QVERIFY(played.peak > 1000);
}

void TstE2eExercises::testShufflesColoursOntoBlankButtons() {
    QVERIFY(openExerciseMenu());
    QVERIFY(m_env->key(QStringLiteral("c")));

    const QList<QColor> table = {
        {0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
        {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
        {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
        {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255},
    };
    QString why;
    // Every button one plain colour (no caption on it), sixteen different
    // colours of the table, and the swatch black.
    const bool shuffled = waitForScreen(
        [&](const QImage &shot) {
            QSet<QRgb> colours;
            bool ownColours = true;
            for (int i = 0; i < 16; ++i) {
                // Inside the edge and the focus frame of a focused button.
                const QRect face = MainWindowMap::inner(m_map->button(i), 5);
                const QColor colour = MainWindowMap::mostFrequentColour(shot, face);
                for (int y = face.top(); y <= face.bottom(); ++y) {
                    for (int x = face.left(); x <= face.right(); ++x) {
                        if (shot.pixelColor(x, y) != colour) {
                            why = QStringLiteral("button %1 is not one plain colour").arg(i);
                            return false;
                        }
                    }
                }
                if (!table.contains(colour)) {
                    why = QStringLiteral("button %1 has %2").arg(i).arg(colour.name());
                    return false;
                }
                colours.insert(colour.rgb());
                ownColours = ownColours && colour == table.at(i);
            }
            if (colours.size() != 16) {
                why = QStringLiteral("%1 different colours").arg(colours.size());
                return false;
            }
            if (swatchColour(shot) != kBlack) {
                why = QStringLiteral("swatch %1").arg(swatchColour(shot).name());
                return false;
            }
            // One in 16! arrangements is the table's own order.
            why = QStringLiteral("buttons in their own order");
            return !ownColours;
        },
        10000);
    m_env->keep(m_shot, QStringLiteral("test"));
    QVERIFY2(shuffled, qPrintable(why));
}

void TstE2eExercises::mixingWithTheKeyboard() {
    QVERIFY(openExerciseMenu());
    QVERIFY(m_env->key(QStringLiteral("s")));

    // The sliders and read-outs replace the buttons: where the buttons were,
    // the window's background shows through around them.
    const QPoint backgroundPoint(m_map->swatch().right() + 4, m_map->swatch().center().y());
    const bool shown = waitForScreen(
        [&](const QImage &shot) {
            const QColor background = shot.pixelColor(backgroundPoint);
            int plain = 0;
            for (int i = 0; i < 16; ++i) {
                const QRect face = MainWindowMap::inner(m_map->button(i), 5);
                plain += MainWindowMap::mostFrequentColour(shot, face) == background ? 1 : 0;
            }
            return plain >= 12 && redInkWidth(shot, readout(0)) > 0;
        },
        10000);
    m_env->keep(m_shot, QStringLiteral("mixing"));
    QVERIFY2(shown, "no read-outs after choosing mixing");
    const QImage before = m_shot;
    const QColor swatchBefore = swatchColour(before);
    std::array<int, 3> widthsBefore{};
    for (int k = 0; k < 3; ++k)
        widthsBefore.at(k) = redInkWidth(before, readout(k));

    // The red slider has the focus: the keyboard moves it to the top.
    QVERIFY2(reads(QStringLiteral("\nslider\t红色\t0\\.0\t[^\t\n]*focused")), qPrintable(m_tree));
    QVERIFY(m_env->key(QStringLiteral("End"), m_window));

    const bool mixed =
        waitForScreen([&](const QImage &shot) { return swatchColour(shot) == kRed; }, 10000);
    m_env->keep(m_shot, QStringLiteral("mixed-red"));
    QVERIFY2(mixed, qPrintable(swatchColour(m_shot).name() + QStringLiteral(" after End, was ") +
                               swatchBefore.name()));
    QCOMPARE(MainWindowMap::mostFrequentColour(m_shot, m_map->statusStrip()), kRed);

    // "0,0,0" became "255,0,0", "0" became "255" and "&H0" became "&HFF":
    // each read-out's red text grew by the characters added.
    const int digit = units::twipsToPx(90); // well under one digit of 9-point type
    const std::array<int, 3> added = {2, 2, 1};
    for (int k = 0; k < 3; ++k) {
        const int after = redInkWidth(m_shot, readout(k));
        QVERIFY2(after - widthsBefore.at(k) >= added.at(k) * digit,
                 qPrintable(QStringLiteral("read-out %1: red text %2 px wide, before %3 px")
                                .arg(k)
                                .arg(after)
                                .arg(widthsBefore.at(k))));
    }

    // A reader reads the status line and hears the read-outs with the slider;
    // every object that takes the focus has a name; Tab leads on to the
    // links; leaving mixing gives the focus to the first colour button.
    QVERIFY2(reads(QStringLiteral("\nstatus bar\t状态\t[^\n]*\t现在可以手动调制颜色!\n(.|\n)*\n"
                                  "slider\t红色\t255\\.0\t[^\t]*\tR G B: 255,0,0，十 位: 255，"
                                  "十六位: &HFF\t")),
             qPrintable(m_tree));
    const QRegularExpression unnamed(QStringLiteral("\n[^\t\n]*\t\t[^\t\n]*\t[^\t\n]*focusable"));
    QVERIFY2(!unnamed.match(m_tree).hasMatch() &&
                 m_tree.contains(QStringLiteral("\nmenu bar\t菜单栏")),
             qPrintable(m_tree));
    for (int tab = 0; tab < 3; ++tab)
        QVERIFY(m_env->key(QStringLiteral("Tab")));
    QVERIFY2(reads(QStringLiteral("\nlink\t[^\t]+\t\t[^\t\n]*focused")), qPrintable(m_tree));
    QVERIFY(openExerciseMenu());
    QVERIFY(m_env->key(QStringLiteral("s")));
    QVERIFY2(reads(QStringLiteral("\npush button\t黑色\t[^\n]*focused")), qPrintable(m_tree));
}

void TstE2eExercises::cleanupTestCase() {
    m_env.reset();
}

QTEST_GUILESS_MAIN(TstE2eExercises)
#include "tst_e2e_exercises.moc"
