#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "buddies/BuddyRow.h"

namespace nimbo::test {

// A row of the buddy list as a user reads it: image, indent and the two
// column texts.
struct ShownRow {
    int image;
    int indent;
    std::u16string text;
    std::u16string message;
    bool operator==(const ShownRow&) const = default;
};

// Prints the texts as UTF-8, so that a failing comparison reads plainly.
void PrintTo(const ShownRow& row, std::ostream* out);

std::vector<ShownRow> ShownRows(const std::vector<BuddyRow>& rows);

}  // namespace nimbo::test
