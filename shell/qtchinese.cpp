#include "qtchinese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int installQtChinese(const QStringList &catalogues) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    int installed = 0;
    for (const QString &catalogue : catalogues) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(chinese, catalogue, QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            ++installed;
            continue;
        }
        qWarning("Qt's Chinese translations %s_zh_CN.qm are not in %s", qPrintable(catalogue),
                 qPrintable(folder)); // the unused translator goes with the application
    }
    return installed;
}
