#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace nodo {

int InstallQtTranslations(QCoreApplication& app, const QLocale& locale) {
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    int loaded = 0;
    for (const char* catalogue : {"qtbase"}) {
        auto* t = new QTranslator(&app);
        if (t->load(locale, QString::fromLatin1(catalogue), QStringLiteral("_"), dir)) {
            app.installTranslator(t);
            ++loaded;
        } else {
            delete t;
        }
    }
    return loaded;
}

} // namespace nodo
