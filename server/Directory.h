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
    // one user; one sender may fill a tenth of that, so that nobody can make
    // another's box refuse everyone.
    static constexpr int MAX_STORED_NOTES = 1000;
    static constexpr std::int64_t MAX_STORED_NOTE_BYTES = std::int64_t{16} << 20;
    static constexpr int MAX_STORED_NOTES_PER_SENDER = MAX_STORED_NOTES / 10;
    static constexpr std::int64_t MAX_STORED_NOTE_BYTES_PER_SENDER = MAX_STORED_NOTE_BYTES / 10;

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
        std::int64_t seq = 0;  // its place among the kept notes; 0 when not kept
    };
    enum class Stored { Yes, BoxFull, SenderShareFull };

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

    // Keeps a note for `callee` behind the ones kept before, unless it would
    // take the box, or the caller's share of it, past the most notes or bytes.
    Stored StoreNote(const std::string& callee, const Note& note);
    // The callee's oldest kept notes after `afterSeq`, as many as fit together
    // in `bodyBytes` bytes of Base64 bodies, but at least one when any is
    // kept. They stay kept until DeleteNotesThrough.
    std::vector<Note> KeptNotes(const std::string& callee, std::int64_t afterSeq, std::size_t bodyBytes);
    // Forgets the callee's kept notes up to and including `seq` (delivered).
    void DeleteNotesThrough(const std::string& callee, std::int64_t seq);
    // Puts undelivered notes back in front of the callee's kept notes, in the
    // order given; those of them that are still kept (seq other than 0) move
    // there from their old place. No bound applies: their senders were told
    // they were taken.
    void ReturnNotes(const std::string& callee, const std::vector<Note>& notes);

private:
    void Execute(const char* sql);
    void Insert(const std::string& callee, const Note& note);
    // Runs `work` in one write transaction, rolled back when it throws.
    void InTransaction(const std::function<void()>& work);

    sqlite3* m_db = nullptr;
};

}  // namespace nimbo::server
