#include "ui/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QList<QTranslator *> QtTranslations::installPortuguese()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QList<QTranslator *> installed;
    // The translator installed last is asked first: the Brazilian catalog goes in first.
    for (const char *catalog : {"qtbase_pt_BR", "qt_pt_PT"}) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QLatin1String(catalog), folder) && QCoreApplication::installTranslator(translator))
            installed << translator;
        else
            delete translator;
    }
    return installed;
}
