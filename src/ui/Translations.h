#pragma once
#include <QLocale>

class QCoreApplication;

namespace nodo {

// Loads Qt's own translations for the locale, so the standard dialogs and buttons speak the same
// language as the program ("查找范围", "文件名", "取消" on a Chinese desktop). Gives how many loaded.
int InstallQtTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());

} // namespace nodo
