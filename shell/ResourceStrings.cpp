#include "shell/ResourceStrings.h"

#include <QStringList>

#include "shell/CommandIds.h"

namespace nimbo {

namespace {

struct StringEntry {
    unsigned id;
    const char16_t* text;
};

constexpr StringEntry STRINGS[] = {
    {IDR_MAINFRAME,
     u"오르반티스 님보(Nimbo)\n\n오르반티스 님보(Nimbo)\n\n\nCENimbo.Document\nCENimbo Document"},
    {AFX_IDS_APP_TITLE, u"님보"},
    {ID_APP_ABOUT, u"Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, u"Quit the application; prompts to save documents\nExit"},
    {ID_HELP, u"Display help for current task or command\nHelp"},
};

}  // namespace

QString LoadResourceString(unsigned id) {
    for (const StringEntry& entry : STRINGS) {
        if (entry.id == id) {
            return QString::fromUtf16(entry.text);
        }
    }
    return {};
}

QString ResourceStringField(unsigned id, int index) {
    const QStringList fields = LoadResourceString(id).split(u'\n');
    return index >= 0 && index < fields.size() ? fields.at(index) : QString();
}

}  // namespace nimbo
