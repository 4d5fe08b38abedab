#pragma once

#include <QTranslator>

namespace nimbo {

// Qt's own texts (the file dialogs, their buttons, the standard texts of the
// widgets) in the language of the user's locale, from the catalogues that
// come with Qt, so that they are Korean under a Korean locale and English
// otherwise; without a catalogue for the locale Qt's English texts stay. The
// application's own texts are Korean whatever the locale. Needs the running
// application; the texts apply for this object's life.
class QtStockTranslations {
public:
    QtStockTranslations();
    QtStockTranslations(const QtStockTranslations&) = delete;
    QtStockTranslations& operator=(const QtStockTranslations&) = delete;

private:
    QTranslator m_translator;
};

}  // namespace nimbo
