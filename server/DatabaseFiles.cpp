#include "server/DatabaseFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace nimbo::server {
namespace {

constexpr mode_t FOLDER_MODE = 0700;
constexpr mode_t FILE_MODE = 0600;

void CreateFolders(const std::filesystem::path& folder) {
    if (folder.empty() || std::filesystem::exists(folder))
        return;
    CreateFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), FOLDER_MODE) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "mkdir " + folder.string());
}

}  // namespace

void DatabaseFiles::Prepare(const std::string& path) {
    CreateFolders(std::filesystem::path(path).parent_path());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, FILE_MODE);
    if (fd >= 0)
        ::close(fd);
    else if (errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "open " + path);
}

std::vector<std::string> DatabaseFiles::ReadableByOthers(const std::string& path) {
    std::vector<std::string> readable;
    for (const std::string& file : {path, path + "-wal", path + "-shm"}) {
        struct stat status {};
        if (::stat(file.c_str(), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0)
            readable.push_back(file);
    }
    return readable;
}

}  // namespace nimbo::server
