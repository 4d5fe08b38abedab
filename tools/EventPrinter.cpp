#include "tools/EventPrinter.h"

#include "platform/CodePage.h"
#include "transfer/TransferEnd.h"

namespace nimbo::cli {

void EventPrinter::PrintRow(const BuddyRow& row) {
    PrintLine({std::to_string(row.Image()), std::to_string(row.indent), Escaped(row.Text()), Escaped(row.Message())});
}

void EventPrinter::PrintNote(const std::u16string& from, const std::u16string& text) {
    PrintLine({"note", Escaped(from), Escaped(text)});
}

void EventPrinter::PrintOffer(const std::u16string& from, const FileOffer& offer) {
    PrintLine({"offer", Escaped(from), Escaped(offer.strFileName), std::to_string(offer.nFileSize),
               Escaped(offer.strAddress), std::to_string(offer.nPort)});
}

void EventPrinter::PrintLogon() { PrintLine({"logon"}); }

void EventPrinter::PrintLost() { PrintLine({"lost"}); }

void EventPrinter::PrintProgress(std::int64_t done, std::uint64_t total) {
    PrintLine({"progress", std::to_string(done), std::to_string(total)});
}

void EventPrinter::PrintEnd(std::int64_t code) { PrintLine({"end", TransferEndName(code)}); }

void EventPrinter::PrintFile(const std::u16string& path, std::int64_t code) {
    PrintLine({"file", Escaped(path), TransferEndName(code)});
}

std::string EventPrinter::Escaped(std::u16string_view text) {
    std::string utf8 = platform::CodePage::ToUtf8(text);
    std::string escaped;
    escaped.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        case '\t': escaped += "\\t"; break;
        case '\\': escaped += "\\\\"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

void EventPrinter::PrintLine(std::initializer_list<std::string> fields) {
    const char* separator = "";
    for (const std::string& field : fields) {
        m_out << separator << field;
        separator = "\t";
    }
    m_out << '\n' << std::flush;
}

}  // namespace nimbo::cli
