#include "form1layout.h"
#include "units.h"

#include <QTest>

// The two fixed arrangements of the main window: placements taken from the
// tables they are drawn from, the offset of the maximised one, and where the
// normal one puts things on a 96 dpi screen.

namespace {

enum class Control { Text1, Text2, Command1, Label1, Label2, Label3, Slider1, Frame3 };

Placement pick(const Form1Layout &l, Control control, int index) {
    const auto i = static_cast<std::size_t>(index);
    switch (control) {
    case Control::Text1:
        return l.text1;
    case Control::Text2:
        return l.text2;
    case Control::Command1:
        return l.command1.at(i);
    case Control::Label1:
        return l.label1.at(i);
    case Control::Label2:
        return l.label2.at(i);
    case Control::Label3:
        return l.label3.at(i);
    case Control::Slider1:
        return l.slider1.at(i);
    case Control::Frame3:
        return l.frame3;
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Control)

class TestForm1Layout : public QObject {
    Q_OBJECT

private slots:
    void placements_data();
    void placements();
    void maximisedOffset_data();
    void maximisedOffset();
    void normalLayoutInPixels_data();
    void normalLayoutInPixels();
};

void TestForm1Layout::placements_data() {
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<Control>("control");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");

    QTest::newRow("normal Text1") << false << Control::Text1 << 0 << 300 << 118;
    QTest::newRow("normal Text2") << false << Control::Text2 << 0 << 400 << 3885;
    QTest::newRow("normal button 0") << false << Control::Command1 << 0 << 300 << 6000;
    QTest::newRow("normal button 7") << false << Control::Command1 << 7 << 10226 << 6000;
    QTest::newRow("normal button 8") << false << Control::Command1 << 8 << 300 << 7000;
    QTest::newRow("normal button 13") << false << Control::Command1 << 13 << 7390 << 7000;
    QTest::newRow("normal Label1 2") << false << Control::Label1 << 2 << 95 << 7555;
    QTest::newRow("normal Label2 1") << false << Control::Label2 << 1 << 8863 << 6730;
    QTest::newRow("normal Label3 0") << false << Control::Label3 << 0 << 9994 << 5905;
    QTest::newRow("normal slider 2") << false << Control::Slider1 << 2 << 1131 << 7437;
    QTest::newRow("normal Frame3") << false << Control::Frame3 << 0 << 94 << 8059;

    QTest::newRow("maximised Text1") << true << Control::Text1 << 0 << 3300 << 2553;
    QTest::newRow("maximised Text2") << true << Control::Text2 << 0 << 3400 << 6085;
    QTest::newRow("maximised button 0") << true << Control::Command1 << 0 << 3300 << 8200;
    QTest::newRow("maximised button 9") << true << Control::Command1 << 9 << 4718 << 9200;
    QTest::newRow("maximised button 15") << true << Control::Command1 << 15 << 13226 << 9200;
    QTest::newRow("maximised Label1 1") << true << Control::Label1 << 1 << 3095 << 9146;
    QTest::newRow("maximised Label2 2") << true << Control::Label2 << 2 << 11863 << 10087;
    QTest::newRow("maximised Label3 0") << true << Control::Label3 << 0 << 12994 << 8205;
    QTest::newRow("maximised slider 1") << true << Control::Slider1 << 1 << 4131 << 9028;
    QTest::newRow("maximised Frame3") << true << Control::Frame3 << 0 << 3031 << 10700;
}

void TestForm1Layout::placements() {
    QFETCH(bool, maximised);
    QFETCH(Control, control);
    QFETCH(int, index);
    QFETCH(int, left);
    QFETCH(int, top);

    // Worked out by the compiler, which refuses a write outside the tables.
    static constexpr Form1Layout kNormal = normalLayout();
    static constexpr Form1Layout kMaximised = maximisedLayout();
    const Form1Layout &layout = maximised ? kMaximised : kNormal;
    QCOMPARE(pick(layout, control, index), (Placement{left, top}));
    QCOMPARE(layout.text1Height.has_value(), maximised);
    if (maximised)
        QCOMPARE(*layout.text1Height, 5328);
}

void TestForm1Layout::maximisedOffset_data() {
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::newRow("the window's offsets") << kMaximisedDx << kMaximisedDy;
    QTest::newRow("no offset") << 0 << 0;
    QTest::newRow("left and up") << -100 << -50;
}

void TestForm1Layout::maximisedOffset() {
    QFETCH(int, dx);
    QFETCH(int, dy);
    const Form1Layout normal = normalLayout();
    const Form1Layout moved = maximisedLayout(dx, dy);
    const auto shifted = [&](const Placement &p, int extraTop = 0) {
        return Placement{p.left + dx, p.top + dy + extraTop};
    };

    // The swatch sits 235 units lower inside the moved arrangement (it is also
    // taller); its status strip and the buttons keep their places in it.
    QCOMPARE(moved.text1, shifted(normal.text1, 235));
    QCOMPARE(moved.text2, shifted(normal.text2));
    for (std::size_t i = 0; i < 16; ++i)
        QCOMPARE(moved.command1[i], shifted(normal.command1[i]));
    // The mixing rows start 100 units lower and are 941 apart instead of 825.
    for (std::size_t r = 0; r < 3; ++r) {
        const int extra = 100 + 116 * static_cast<int>(r);
        QCOMPARE(moved.label1[r], shifted(normal.label1[r], extra));
        QCOMPARE(moved.label2[r], shifted(normal.label2[r], extra));
        QCOMPARE(moved.label3[r], shifted(normal.label3[r], extra));
        QCOMPARE(moved.slider1[r], shifted(normal.slider1[r], extra));
    }
    // The link row has a place of its own, whatever the offset.
    QCOMPARE(moved.frame3, (Placement{3031, 10700}));
}

void TestForm1Layout::normalLayoutInPixels_data() {
    QTest::addColumn<int>("leftUnits");
    QTest::addColumn<int>("topUnits");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");

    const Form1Layout l = normalLayout();
    QTest::newRow("swatch") << l.text1.left << l.text1.top << 12.7 << 4.0;
    QTest::newRow("first button row") << l.command1[0].left << l.command1[0].top << 12.7 << 203.8;
    QTest::newRow("second button row") << l.command1[8].left << l.command1[8].top << 12.7 << 237.8;
    QTest::newRow("second column") << l.command1[1].left << l.command1[1].top << 72.9 << 203.8;
    QTest::newRow("last column") << l.command1[15].left << l.command1[15].top << 433.8 << 237.8;
    QTest::newRow("link frame") << l.frame3.left << l.frame3.top << 4.0 << 273.8;
}

void TestForm1Layout::normalLayoutInPixels() {
    QFETCH(int, leftUnits);
    QFETCH(int, topUnits);
    QFETCH(double, x);
    QFETCH(double, y);
    const double px = units::twipsToPxF(leftUnits * units::kTwipsPerUnitX);
    const double py = units::twipsToPxF(topUnits * units::kTwipsPerUnitY);
    QVERIFY2(qAbs(px - x) < 0.1, qPrintable(QString::number(px)));
    QVERIFY2(qAbs(py - y) < 0.1, qPrintable(QString::number(py)));
    // Whole pixels round to the nearest.
    QCOMPARE(units::unitsToPxX(leftUnits), qRound(x));
    QCOMPARE(units::unitsToPxY(topUnits), qRound(y));
}

QTEST_APPLESS_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
