#pragma once

#include <QString>

namespace nimbo {

enum StringId : unsigned {
    IDR_MAINFRAME = 128,
    AFX_IDS_APP_TITLE = 57344,
};

// The application's string table. An unknown identifier gives an empty text.
QString LoadResourceString(unsigned id);

// Field `index` of a string whose fields are separated by line breaks (the
// frame string's first field is the window title; a command's string is its
// prompt, then its tool tip). Empty when there is no such field.
QString ResourceStringField(unsigned id, int index);

}  // namespace nimbo
