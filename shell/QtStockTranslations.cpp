#include "shell/QtStockTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace nimbo {

// The translator removes itself from the application when it is destroyed.
QtStockTranslations::QtStockTranslations() {
    if (m_translator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&m_translator);
    }
}

}  // namespace nimbo
