#pragma once

#include <string>
#include <vector>

namespace nimbo::server {

// The files of the directory hold password hashes and note texts: they are
// made for their owner alone. SQLite gives its -wal and -shm files the mode
// of the database file, so creating that one right is enough.
class DatabaseFiles {
public:
    // Creates the missing folders of `path` with mode 0700, and the database
    // file with mode 0600 when it does not exist. Existing ones are left as
    // they are. Throws std::system_error naming the call and the path.
    static void Prepare(const std::string& path);
    // The database file and its -wal and -shm files that exist and that
    // users other than the owner may read.
    static std::vector<std::string> ReadableByOthers(const std::string& path);
};

}  // namespace nimbo::server
