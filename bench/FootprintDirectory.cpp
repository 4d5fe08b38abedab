// Writes the reference server's directory for the footprint run: one user
// with a list of buddies in groups of twenty, every buddy a user with a
// Korean display name. All share one password, so one slow hash serves them.
//
//   footprint_directory DB USER PASSWORD BUDDIES

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "server/Directory.h"
#include "server/PasswordHash.h"

namespace {

constexpr int GROUP_SIZE = 20;

std::string BuddyId(int n) { return "buddy" + std::to_string(n); }

void Write(const char* path, const std::string& owner, const std::string& password, int buddies) {
    nimbo::server::PasswordHash::Initialize();
    nimbo::server::Directory directory(path);
    const std::string hash = nimbo::server::PasswordHash::Make(password);
    directory.AddUser({owner, owner, hash});
    for (int n = 0; n < buddies; ++n)
        directory.AddUser({BuddyId(n), "친구 " + std::to_string(n), hash});
    for (int first = 0; first < buddies; first += GROUP_SIZE) {
        std::vector<std::string> members;
        for (int n = first; n < buddies && n < first + GROUP_SIZE; ++n)
            members.push_back(BuddyId(n));
        directory.AddGroup(owner, "모임 " + std::to_string(first / GROUP_SIZE), 0, members);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || std::atoi(argv[4]) < 1) {
        std::fprintf(stderr, "usage: footprint_directory DB USER PASSWORD BUDDIES\n");
        return 2;
    }
    try {
        Write(argv[1], argv[2], argv[3], std::atoi(argv[4]));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "footprint_directory: %s\n", error.what());
        return 1;
    }
}
