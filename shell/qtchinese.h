#pragma once

#include <QStringList>

// Qt's own words in Chinese whatever the locale, C included: the buttons of
// its message boxes (确定, 取消), its dialogs, the menus of its text fields.
// Loads each named catalogue of Qt's translations (qtbase, qtwebengine...)
// for zh_CN from Qt's translations folder and installs it in the running
// application. Returns how many it installed; a missing one is reported on
// standard error and leaves Qt's English words.
int installQtChinese(const QStringList &catalogues = {QStringLiteral("qtbase")});
