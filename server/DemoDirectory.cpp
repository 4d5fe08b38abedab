#include "server/DemoDirectory.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/WireText.h"

namespace nimbo::server {
namespace {

struct DemoUser {
    const char* id;
    const char* name;
};

struct DemoGroup {
    const char* owner;
    const char* name;
    int type;
    std::vector<std::string> members;
};

const DemoUser USERS[] = {
    {"kim", "김민준"}, {"lee", "이서연"},  {"park", "박지훈"}, {"choi", "최유진"},
    {"jung", "정하늘"}, {"kang", "강도윤"}, {"yoon", "윤서아"},
};

const DemoGroup GROUPS[] = {
    {"kim", "친구", 0, {"lee", "park"}},
    {"kim", "회사", 0, {"choi", "jung", "lee"}},
    {"kim", "차단", 1, {"yoon"}},
    {"kim", Directory::PSEUDO_GROUP, Directory::PSEUDO_GROUP_TYPE, {"kang"}},
    {"lee", "친구", 0, {"kim", "park"}},
    {"lee", Directory::PSEUDO_GROUP, Directory::PSEUDO_GROUP_TYPE, {"choi"}},
    {"park", "친구", 0, {"kim", "lee"}},
    {"choi", "회사", 0, {"kim", "jung", "lee"}},
    {"jung", "회사", 0, {"kim", "choi"}},
    {"kang", "가족", 0, {"kim", "yoon"}},
    {"yoon", "가족", 0, {"kim", "kang"}},
};

}  // namespace

void DemoDirectory::Create(Directory& directory, std::ostream& out) {
    // One slow hash serves every demo user: they share the password anyway.
    std::string hash = PasswordHash::Make(WireText::ToWire(PASSWORD));
    for (const auto& user : USERS)
        directory.DeleteUser(user.id);
    for (const auto& user : USERS)
        directory.AddUser({user.id, user.name, hash});
    for (const auto& group : GROUPS)
        directory.AddGroup(group.owner, group.name, group.type, group.members);
    out << "demo users (password \"" << PASSWORD << "\" for each):\n";
    for (const auto& user : USERS)
        out << user.id << '\t' << user.name << '\n';
}

}  // namespace nimbo::server
