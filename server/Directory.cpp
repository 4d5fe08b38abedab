#include "server/Directory.h"

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <unordered_set>

#include "server/SqliteStatement.h"

namespace nimbo::server {
namespace {

constexpr int BUSY_TIMEOUT_MS = 5000;

constexpr const char* SCHEMA = R"(
PRAGMA foreign_keys = ON;
CREATE TABLE IF NOT EXISTS users(
    id TEXT PRIMARY KEY,
    display_name TEXT NOT NULL,
    password_hash TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS buddy_groups(
    id INTEGER PRIMARY KEY,
    owner TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    type INTEGER NOT NULL,
    UNIQUE(owner, name));
CREATE TABLE IF NOT EXISTS group_members(
    group_id INTEGER NOT NULL REFERENCES buddy_groups(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    member TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    PRIMARY KEY(group_id, position));
CREATE INDEX IF NOT EXISTS group_members_by_member ON group_members(member);
CREATE TABLE IF NOT EXISTS stored_notes(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    callee TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    caller TEXT NOT NULL,
    kind TEXT NOT NULL,
    body TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS stored_notes_by_callee ON stored_notes(callee, seq);
)";

}  // namespace

Directory::Directory(const std::string& path) {
    int result = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result != SQLITE_OK) {
        std::string message = "sqlite3_open_v2 " + path + ": " + (m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(result));
        sqlite3_close(m_db);
        throw std::runtime_error(message);
    }
    sqlite3_busy_timeout(m_db, BUSY_TIMEOUT_MS);
    try {
        // Several processes (the server and the administration commands, or
        // servers sharing users) use one file: the write-ahead log lets them.
        // Every commit reaches the disk before the sender of a kept note is
        // told it was taken, so that a power loss cannot drop it.
        Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;");
        Execute(SCHEMA);
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

Directory::~Directory() { sqlite3_close(m_db); }

bool Directory::AddUser(const User& user) {
    SqliteStatement insert(m_db, "INSERT OR IGNORE INTO users(id, display_name, password_hash) VALUES(?, ?, ?)");
    insert.Bind(1, user.id).Bind(2, user.displayName).Bind(3, user.passwordHash).Run();
    return sqlite3_changes(m_db) == 1;
}

bool Directory::SetPasswordHash(const std::string& id, const std::string& hash) {
    SqliteStatement update(m_db, "UPDATE users SET password_hash = ? WHERE id = ?");
    update.Bind(1, hash).Bind(2, id).Run();
    return sqlite3_changes(m_db) == 1;
}

bool Directory::DeleteUser(const std::string& id) {
    SqliteStatement remove(m_db, "DELETE FROM users WHERE id = ?");
    remove.Bind(1, id).Run();
    return sqlite3_changes(m_db) == 1;
}

std::optional<Directory::User> Directory::FindUser(const std::string& id) {
    SqliteStatement select(m_db, "SELECT id, display_name, password_hash FROM users WHERE id = ?");
    select.Bind(1, id);
    if (!select.Step())
        return std::nullopt;
    return User{select.Text(0), select.Text(1), select.Text(2)};
}

std::vector<Directory::User> Directory::Users() {
    SqliteStatement select(m_db, "SELECT id, display_name, password_hash FROM users ORDER BY id");
    std::vector<User> users;
    while (select.Step())
        users.push_back({select.Text(0), select.Text(1), select.Text(2)});
    return users;
}

void Directory::AddGroup(const std::string& owner, const std::string& name, std::optional<int> type,
                         const std::vector<std::string>& members) {
    InTransaction([&] {
        SqliteStatement create(m_db, "INSERT OR IGNORE INTO buddy_groups(owner, name, type) VALUES(?, ?, ?)");
        create.Bind(1, owner).Bind(2, name).Bind(3, type.value_or(0)).Run();
        if (type) {
            SqliteStatement retype(m_db, "UPDATE buddy_groups SET type = ? WHERE owner = ? AND name = ?");
            retype.Bind(1, *type).Bind(2, owner).Bind(3, name).Run();
        }
        SqliteStatement append(m_db, R"(
            INSERT INTO group_members(group_id, position, member)
            SELECT g.id, COALESCE((SELECT MAX(position) + 1 FROM group_members WHERE group_id = g.id), 0), ?
            FROM buddy_groups g WHERE g.owner = ? AND g.name = ?)");
        for (const auto& member : members)
            append.Bind(1, member).Bind(2, owner).Bind(3, name).Run();
    });
}

bool Directory::DeleteGroup(const std::string& owner, const std::string& name) {
    SqliteStatement remove(m_db, "DELETE FROM buddy_groups WHERE owner = ? AND name = ?");
    remove.Bind(1, owner).Bind(2, name).Run();
    return sqlite3_changes(m_db) == 1;
}

std::vector<Directory::Group> Directory::Groups(const std::string& owner) {
    SqliteStatement select(m_db, R"(
        SELECT g.id, g.name, g.type, m.member FROM buddy_groups g
        LEFT JOIN group_members m ON m.group_id = g.id
        WHERE g.owner = ? ORDER BY g.id, m.position)");
    select.Bind(1, owner);
    std::vector<Group> groups;
    std::int64_t current = -1;
    while (select.Step()) {
        if (select.Int(0) != current) {
            current = select.Int(0);
            groups.push_back({select.Text(1), static_cast<int>(select.Int(2)), {}});
        }
        std::string member = select.Text(3);
        if (!member.empty())
            groups.back().members.push_back(std::move(member));
    }
    return groups;
}

std::vector<std::string> Directory::Watchers(const std::string& member) {
    SqliteStatement select(m_db, R"(
        SELECT DISTINCT g.owner FROM group_members m JOIN buddy_groups g ON g.id = m.group_id
        WHERE m.member = ? ORDER BY g.owner)");
    select.Bind(1, member);
    std::vector<std::string> owners;
    while (select.Step())
        owners.push_back(select.Text(0));
    return owners;
}

Directory::Stored Directory::StoreNote(const std::string& callee, const Note& note) {
    SqliteStatement box(m_db, R"(
        SELECT COUNT(*), COALESCE(SUM(length(body)), 0),
               COALESCE(SUM(caller = ?2), 0), COALESCE(SUM(CASE WHEN caller = ?2 THEN length(body) END), 0)
        FROM stored_notes WHERE callee = ?1)");
    box.Bind(1, callee).Bind(2, note.caller);
    box.Step();
    auto bytes = static_cast<std::int64_t>(note.body64.size());
    if (box.Int(0) >= MAX_STORED_NOTES || box.Int(1) + bytes > MAX_STORED_NOTE_BYTES)
        return Stored::BoxFull;
    if (box.Int(2) >= MAX_STORED_NOTES_PER_SENDER || box.Int(3) + bytes > MAX_STORED_NOTE_BYTES_PER_SENDER)
        return Stored::SenderShareFull;
    Insert(callee, note);
    return Stored::Yes;
}

std::vector<Directory::Note> Directory::KeptNotes(const std::string& callee, std::int64_t afterSeq,
                                                  std::size_t bodyBytes) {
    SqliteStatement select(
        m_db, "SELECT seq, caller, kind, body FROM stored_notes WHERE callee = ? AND seq > ? ORDER BY seq");
    select.Bind(1, callee).Bind(2, afterSeq);
    std::vector<Note> notes;
    std::size_t taken = 0;
    while (select.Step()) {
        std::string body = select.Text(3);
        if (!notes.empty() && taken + body.size() > bodyBytes)
            break;
        taken += body.size();
        notes.push_back({select.Text(1), select.Text(2), std::move(body), select.Int(0)});
    }
    return notes;
}

void Directory::DeleteNotesThrough(const std::string& callee, std::int64_t seq) {
    SqliteStatement remove(m_db, "DELETE FROM stored_notes WHERE callee = ? AND seq <= ?");
    remove.Bind(1, callee).Bind(2, seq).Run();
}

void Directory::ReturnNotes(const std::string& callee, const std::vector<Note>& notes) {
    InTransaction([&] {
        std::unordered_set<std::int64_t> returned;
        for (const auto& note : notes)
            returned.insert(note.seq);
        std::vector<Note> rest = KeptNotes(callee, 0, SIZE_MAX);
        std::erase_if(rest, [&](const Note& kept) { return returned.contains(kept.seq); });
        SqliteStatement remove(m_db, "DELETE FROM stored_notes WHERE callee = ?");
        remove.Bind(1, callee).Run();
        for (const auto& note : notes)
            Insert(callee, note);
        for (const auto& note : rest)
            Insert(callee, note);
    });
}

void Directory::Insert(const std::string& callee, const Note& note) {
    SqliteStatement insert(m_db, "INSERT INTO stored_notes(callee, caller, kind, body) VALUES(?, ?, ?, ?)");
    insert.Bind(1, callee).Bind(2, note.caller).Bind(3, note.kind).Bind(4, note.body64).Run();
}

void Directory::Execute(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = std::string("sqlite3_exec: ") + (error ? error : "unknown error");
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

void Directory::InTransaction(const std::function<void()>& work) {
    Execute("BEGIN IMMEDIATE");
    try {
        work();
        Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace nimbo::server
