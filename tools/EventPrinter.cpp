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
    static constexpr char HEX_DIGITS[] = "0123456789abcdef";
    std::u16string escaped;
    escaped.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
        case u'\n': escaped += u"\\n"; break;
        case u'\r': escaped += u"\\r"; break;
        case u'\t': escaped += u"\\t"; break;
        case u'\\': escaped += u"\\\\"; break;
        default:
            if (IsControl(c)) {
                escaped += u"\\x";
                escaped += static_cast<char16_t>(HEX_DIGITS[c >> 4]);
                escaped += static_cast<char16_t>(HEX_DIGITS[c & 0xF]);
            } else {
                escaped += c;
            }
        }
    }
    return platform::CodePage::ToUtf8(escaped);
}

// The C0 controls, DEL and the C1 controls: what a terminal may take as the
// start of a command rather than as text.
bool EventPrinter::IsControl(char16_t c) { return c < u' ' || (c >= u'\x7F' && c <= u'\x9F'); }

void EventPrinter::PrintLine(std::initializer_list<std::string> fields) {
    const char* separator = "";
    for (const std::string& field : fields) {
        m_out << separator << field;
        separator = "\t";
    }
    m_out << '\n' << std::flush;
    m_failed = m_failed || !m_out;
}

}  // namespace nimbo::cli
