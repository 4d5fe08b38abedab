#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

#include "buddies/BuddyRow.h"
#include "transfer/FileOffer.h"

namespace nimbo::cli {

// Writes what nimbo-cli reports, one UTF-8 line per row or event, flushed at
// once so that a reading program sees each line as it happens. Fields are
// separated by tabs; in every text field a line break, carriage return, tab
// or backslash is written as \n, \r, \t or \\, and every other control
// character as \xHH (its code in hexadecimal), so that a line is always one
// record and no text can command the terminal.
class EventPrinter {
public:
    explicit EventPrinter(std::ostream& out) : m_out(out) {}

    // IMAGE<TAB>INDENT<TAB>COLUMN0<TAB>COLUMN1
    void PrintRow(const BuddyRow& row);
    // note<TAB>FROM<TAB>TEXT
    void PrintNote(const std::u16string& from, const std::u16string& text);
    // offer<TAB>FROM<TAB>FILENAME<TAB>SIZE<TAB>ADDRESS<TAB>PORT
    void PrintOffer(const std::u16string& from, const FileOffer& offer);
    void PrintLogon();
    void PrintLost();
    // progress<TAB>DONE<TAB>TOTAL
    void PrintProgress(std::int64_t done, std::uint64_t total);
    // end<TAB>NAME, the end code's name
    void PrintEnd(std::int64_t code);
    // file<TAB>PATH<TAB>NAME: a receive into PATH ended with the code NAME
    void PrintFile(const std::u16string& path, std::int64_t code);

    // The UTF-8 form of `text` with the control characters escaped as above.
    static std::string Escaped(std::u16string_view text);

    // Whether a line could not be written: the output is then incomplete.
    bool Failed() const { return m_failed; }

private:
    // The fields joined by tabs, as one line.
    void PrintLine(std::initializer_list<std::string> fields);
    static bool IsControl(char16_t c);

    std::ostream& m_out;
    bool m_failed = false;
};

}  // namespace nimbo::cli
