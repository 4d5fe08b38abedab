#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "server/DatabaseFiles.h"
#include "server/Directory.h"

namespace nimbo::server::test {
namespace {

namespace fs = std::filesystem;

mode_t Mode(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 0777;
}

TEST(Storage, DatabaseFolderAndFilesAreTheOwnersAloneAndOthersReadingIsFound) {
    fs::path top = fs::temp_directory_path() / ("nimbo-storage-" + std::to_string(::getpid()));
    fs::path database = top / "nimbo" / "agentd.sqlite";
    DatabaseFiles::Prepare(database.string());
    {
        Directory directory(database.string());
        directory.AddUser({"alice", "alice", "hash"});
        for (const fs::path& folder : {top, top / "nimbo"})
            EXPECT_EQ(Mode(folder), 0700u) << folder;
        for (const char* suffix : {"", "-wal", "-shm"})
            EXPECT_EQ(Mode(database.string() + suffix), 0600u) << suffix;
        EXPECT_TRUE(DatabaseFiles::ReadableByOthers(database.string()).empty());
    }
    fs::permissions(database, fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
    EXPECT_EQ(DatabaseFiles::ReadableByOthers(database.string()), std::vector<std::string>{database.string()});
    // An existing file keeps the mode its owner gave it.
    DatabaseFiles::Prepare(database.string());
    EXPECT_EQ(Mode(database), 0644u);
    fs::remove_all(top);
}

}  // namespace
}  // namespace nimbo::server::test
