#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace nimbo::server {

// The server's lasting state in one SQLite file: users with their password
// hashes, each owner's buddy groups with their members in order, and the
// notes kept for users who were not connected. Texts are stored as UTF-8;
// converting to the wire code page is the readers' business.
//
// Deleting a user removes that user's groups and stored notes and takes the
// user out of every other user's groups, so that a group never names a user
// who does not exist. Every failure throws std::runtime_error.
class Directory {
public:
    // The group whose members belong to no group of their owner; clients list
    // its members without a header, and only a type other than 0 keeps them
    // from being listed twice.
    static constexpr const char* PSEUDO_GROUP = "#$%NOGROUP@#$";
    static constexpr int PSEUDO_GROUP_TYPE = 2;
    // More notes, or more Base64 bytes of notes, than this are not kept for
    // one user.
    static constexpr int MAX_STORED_NOTES = 1000;
    static constexpr std::int64_t MAX_STORED_NOTE_BYTES = std::int64_t{16} << 20;

    struct User {
        std::string id;
        std::string displayName;
        std::string passwordHash;
    };
    struct Group {
        std::string name;
        int type = 0;
        std::vector<std::string> members;  // in order, duplicates allowed
    };
    struct Note {
        std::string caller;
        std::string kind;
        std::string body64;
    };

    // Opens or creates the database file.
    explicit Directory(const std::string& path);
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // False when the ID is taken.
    bool AddUser(const User& user);
    // False when there is no such user.
    bool SetPasswordHash(const std::string& id, const std::string& hash);
    bool DeleteUser(const std::string& id);
    std::optional<User> FindUser(const std::string& id);
    // Every user, by ID.
    std::vector<User> Users();

    // Creates the owner's group, or appends the members to it when it exists;
    // `type` (when given) replaces the group's type. Owner and members must be
    // users (the caller checks).
    void AddGroup(const std::string& owner, const std::string& name, std::optional<int> type,
                  const std::vector<std::string>& members);
    bool DeleteGroup(const std::string& owner, const std::string& name);
    // The owner's groups in the order they were created.
    std::vector<Group> Groups(const std::string& owner);
    // The users who have `member` in one of their groups.
    std::vector<std::string> Watchers(const std::string& member);

    // False (nothing stored) when the note would take the callee past the
    // most notes or bytes kept.
    bool StoreNote(const std::string& callee, const Note& note);
    // Removes and returns the callee's oldest stored notes, as many as fit
    // together in `bodyBytes` bytes of Base64 bodies, but at least one when
    // any is stored. Empty when none is.
    std::vector<Note> TakeNotes(const std::string& callee, std::size_t bodyBytes);

private:
    void Execute(const char* sql);
    // Runs `work` in one write transaction, rolled back when it throws.
    void InTransaction(const std::function<void()>& work);

    sqlite3* m_db = nullptr;
};

}  // namespace nimbo::server
