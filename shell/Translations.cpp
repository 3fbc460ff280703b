#include "shell/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool installCzechTranslations(QCoreApplication &app)
{
    // Owned by the application: translators must live as long as the texts are shown.
    auto *qt = new QTranslator(&app);
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    if (!qt->load(czech, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    return true;
}
