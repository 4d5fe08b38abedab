#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace nimbo::server {

// One prepared SQLite statement. Every failure throws std::runtime_error
// naming the SQLite call and the database's message.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters are numbered from 1.
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& Bind(int index, std::int64_t value);
    // True while a result row is ready; false when the statement is done.
    bool Step();
    // Steps to the end, for statements without result rows, and makes the
    // statement ready to run again with new parameters.
    void Run();
    // Columns are numbered from 0.
    std::string Text(int column) const;
    std::int64_t Int(int column) const;

    // Throws for a result code other than SQLITE_OK.
    static void Check(sqlite3* db, int result, const char* operation);

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

}  // namespace nimbo::server
