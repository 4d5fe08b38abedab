#pragma once

#include <iosfwd>

namespace nimbo::server {

class Directory;

// A small directory to show Nimbo with: seven users with Korean display
// names, all with the password PASSWORD. kim has six buddies (enough for
// every presence word at once) in two shown groups, a hidden type-1 group
// and the pseudo-group; the others have groups of their own so that
// notifications flow both ways.
class DemoDirectory {
public:
    static constexpr const char* PASSWORD = "nimbo";

    // Replaces the demo users (with their groups and notes) and prints them
    // with the password to `out`.
    static void Create(Directory& directory, std::ostream& out);
};

}  // namespace nimbo::server
