#include "tests/support/ShownRow.h"

#include <ostream>

#include "platform/CodePage.h"

namespace nimbo::test {

void PrintTo(const ShownRow& row, std::ostream* out) {
    *out << row.image << '/' << row.indent << " \"" << platform::CodePage::ToUtf8(row.text) << "\" \""
         << platform::CodePage::ToUtf8(row.message) << '"';
}

std::vector<ShownRow> ShownRows(const std::vector<BuddyRow>& rows) {
    std::vector<ShownRow> shown;
    shown.reserve(rows.size());
    for (const BuddyRow& row : rows)
        shown.push_back({row.Image(), row.indent, row.Text(), std::u16string(row.Message())});
    return shown;
}

}  // namespace nimbo::test
