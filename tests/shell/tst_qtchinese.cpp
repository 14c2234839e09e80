#include "qtchinese.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

// Qt's own buttons speak Chinese in the C locale too, once the programs'
// start-up has installed Qt's Chinese translations.
class TestQtChinese final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void buttons_data();
    void buttons();
    void missingCatalogue();
};

namespace {

QString buttonText(QMessageBox::StandardButton which) {
    QMessageBox box;
    box.setStandardButtons(which);
    return box.button(which)->text();
}

} // namespace

void TestQtChinese::initTestCase() {
    QCOMPARE(QLocale::system().name(), QStringLiteral("C"));
    QCOMPARE(buttonText(QMessageBox::Ok), QStringLiteral("OK")); // Qt's own word, before
    QCOMPARE(installQtChinese(), 1);
}

void TestQtChinese::buttons_data() {
    QTest::addColumn<QMessageBox::StandardButton>("which");
    QTest::addColumn<QString>("text");
    QTest::newRow("OK") << QMessageBox::Ok << QStringLiteral("确定");
    QTest::newRow("Cancel") << QMessageBox::Cancel << QStringLiteral("取消");
    QTest::newRow("Yes") << QMessageBox::Yes << QStringLiteral("是(&Y)");
    QTest::newRow("No") << QMessageBox::No << QStringLiteral("否(&N)");
    QTest::newRow("Close") << QMessageBox::Close << QStringLiteral("关闭");
}

void TestQtChinese::buttons() {
    QFETCH(QMessageBox::StandardButton, which);
    QFETCH(QString, text);
    QCOMPARE(buttonText(which), text);
}

void TestQtChinese::missingCatalogue() {
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable("Qt's Chinese translations qtnothing_zh_CN.qm are not in " +
                                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    QCOMPARE(installQtChinese({QStringLiteral("qtnothing")}), 0);
    QCOMPARE(buttonText(QMessageBox::Ok), QStringLiteral("确定"));
}

int main(int argc, char *argv[]) {
    // The C locale, in which Qt would otherwise show its English words.
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    qunsetenv("LANGUAGE");
    QApplication app(argc, argv);
    TestQtChinese test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qtchinese.moc"
