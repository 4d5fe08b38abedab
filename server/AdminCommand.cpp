#include "server/AdminCommand.h"

#include <charconv>
#include <istream>
#include <ostream>

#include "server/CommandLine.h"
#include "server/DemoDirectory.h"
#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/WireText.h"

namespace nimbo::server {
namespace {

struct Subcommand {
    const char* noun;
    const char* verb;  // empty: the noun alone
    std::size_t minWords;
    int (AdminCommand::*run)(const std::vector<std::string>&);
};

bool Names(const Subcommand& subcommand, const std::vector<std::string>& words) {
    if (words.empty() || words[0] != subcommand.noun)
        return false;
    return *subcommand.verb == '\0' || (words.size() >= 2 && words[1] == subcommand.verb);
}

// Splits the words after "group add OWNER GROUP" into members and the value
// of "--type"; false when that value is not 0, 1 or 2.
bool SplitGroupWords(const std::vector<std::string>& words, std::optional<int>& type,
                     std::vector<std::string>& members) {
    for (std::size_t i = 4; i < words.size(); ++i) {
        if (words[i] != "--type") {
            members.push_back(words[i]);
            continue;
        }
        if (++i == words.size())
            return false;
        int value = -1;
        const std::string& text = words[i];
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 2)
            return false;
        type = value;
    }
    return true;
}

}  // namespace

AdminCommand::AdminCommand(Directory& directory, std::istream& in, std::ostream& out, std::ostream& err)
    : m_directory(directory), m_in(in), m_out(out), m_err(err) {}

int AdminCommand::Run(const Words& words) {
    static const Subcommand SUBCOMMANDS[] = {
        {"user", "add", 3, &AdminCommand::UserAdd},         {"user", "passwd", 3, &AdminCommand::UserPasswd},
        {"user", "del", 3, &AdminCommand::UserDel},         {"user", "list", 2, &AdminCommand::UserList},
        {"group", "add", 4, &AdminCommand::GroupAdd},       {"group", "del", 4, &AdminCommand::GroupDel},
        {"group", "list", 3, &AdminCommand::GroupList},     {"demo", "", 1, &AdminCommand::Demo},
    };
    for (const auto& subcommand : SUBCOMMANDS) {
        if (!Names(subcommand, words))
            continue;
        return words.size() < subcommand.minWords ? UsageError() : (this->*subcommand.run)(words);
    }
    return UsageError();
}

int AdminCommand::UserAdd(const Words& words) {
    const std::string& id = words[2];
    std::string name = id;
    if (words.size() == 5 && words[3] == "--name")
        name = words[4];
    else if (words.size() != 3)
        return UsageError();
    if (!WireText::IsUserId(id))
        return Refuse("a user ID has 1 to 32 letters, digits, '.', '_' or '-'");
    if (!WireText::IsDisplayName(name))
        return Refuse("a display name has 1 to 100 bytes without control characters, '<' or '>'");
    if (IsUser(id))
        return Refuse("user " + id + " exists");
    std::optional<std::string> password = ReadPassword();
    if (!password)
        return 1;
    m_directory.AddUser({id, name, PasswordHash::Make(*password)});
    return 0;
}

int AdminCommand::UserPasswd(const Words& words) {
    if (words.size() != 3)
        return UsageError();
    if (!IsUser(words[2]))
        return Refuse("no user " + words[2]);
    std::optional<std::string> password = ReadPassword();
    if (!password)
        return 1;
    m_directory.SetPasswordHash(words[2], PasswordHash::Make(*password));
    return 0;
}

int AdminCommand::UserDel(const Words& words) {
    if (words.size() != 3)
        return UsageError();
    return m_directory.DeleteUser(words[2]) ? 0 : Refuse("no user " + words[2]);
}

int AdminCommand::UserList(const Words& words) {
    if (words.size() != 2)
        return UsageError();
    for (const auto& user : m_directory.Users())
        m_out << user.id << '\t' << user.displayName << '\n';
    return 0;
}

int AdminCommand::GroupAdd(const Words& words) {
    const std::string& owner = words[2];
    const std::string& name = words[3];
    std::optional<int> type;
    std::vector<std::string> members;
    if (!SplitGroupWords(words, type, members))
        return Refuse("--type needs 0 (shown), 1 or 2 (hidden)");
    if (!IsUser(owner))
        return Refuse("no user " + owner);
    if (!WireText::IsGroupName(name))
        return Refuse("a group name has 1 to 100 bytes without control characters, '<', '>', '\"' or '='");
    if (name == Directory::PSEUDO_GROUP) {
        if (type && *type != Directory::PSEUDO_GROUP_TYPE)
            return Refuse(std::string(Directory::PSEUDO_GROUP) + " always has type 2");
        type = Directory::PSEUDO_GROUP_TYPE;
    }
    for (const auto& member : members) {
        if (!IsUser(member))
            return Refuse("no user " + member);
    }
    m_directory.AddGroup(owner, name, type, members);
    return 0;
}

int AdminCommand::GroupDel(const Words& words) {
    if (words.size() != 4)
        return UsageError();
    return m_directory.DeleteGroup(words[2], words[3]) ? 0 : Refuse(words[2] + " has no group " + words[3]);
}

int AdminCommand::GroupList(const Words& words) {
    if (words.size() != 3)
        return UsageError();
    if (!IsUser(words[2]))
        return Refuse("no user " + words[2]);
    for (const auto& group : m_directory.Groups(words[2])) {
        m_out << group.name << '\t' << group.type << '\t';
        for (std::size_t i = 0; i < group.members.size(); ++i)
            m_out << (i ? " " : "") << group.members[i];
        m_out << '\n';
    }
    return 0;
}

int AdminCommand::Demo(const Words& words) {
    if (words.size() != 1)
        return UsageError();
    DemoDirectory::Create(m_directory, m_out);
    return 0;
}

std::optional<std::string> AdminCommand::ReadPassword() {
    std::string line;
    std::getline(m_in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    std::string password = WireText::ToWire(line);
    if (password.empty() || password.size() > WireText::MAX_PASSWORD) {
        Refuse("the password (first line of the input) needs 1 to 256 bytes");
        return std::nullopt;
    }
    return password;
}

bool AdminCommand::IsUser(const std::string& id) { return WireText::IsUserId(id) && m_directory.FindUser(id); }

int AdminCommand::Refuse(const std::string& reason) {
    m_err << "nimbo-agentd: " << reason << '\n';
    return 1;
}

int AdminCommand::UsageError() {
    m_err << CommandLine::Usage();
    return 2;
}

}  // namespace nimbo::server
