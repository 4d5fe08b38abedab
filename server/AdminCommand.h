#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace nimbo::server {

class Directory;

// The administration commands of nimbo-agentd, run against the directory
// (see CommandLine::Usage for the words). Names and passwords are read as
// UTF-8 and stored for the wire in the device code page. Listings go to
// `out`, one tab-separated record per line:
//   user list           ID, display name
//   group list OWNER    group name, type, members separated by spaces
class AdminCommand {
public:
    AdminCommand(Directory& directory, std::istream& in, std::ostream& out, std::ostream& err);

    // Returns the exit status: 0 done, 1 refused (the reason is on `err`),
    // 2 not a command (the usage is on `err`).
    int Run(const std::vector<std::string>& words);

private:
    using Words = std::vector<std::string>;

    int UserAdd(const Words& words);
    int UserPasswd(const Words& words);
    int UserDel(const Words& words);
    int UserList(const Words& words);
    int GroupAdd(const Words& words);
    int GroupDel(const Words& words);
    int GroupList(const Words& words);
    int Demo(const Words& words);

    // The first line of the input as wire bytes, or nothing (reported).
    std::optional<std::string> ReadPassword();
    bool IsUser(const std::string& id);
    int Refuse(const std::string& reason);
    int UsageError();

    Directory& m_directory;
    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
};

}  // namespace nimbo::server
