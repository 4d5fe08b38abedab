#include "server/SqliteStatement.h"

#include <sqlite3.h>

#include <stdexcept>

namespace nimbo::server {

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : m_db(db) {
    Check(db, sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr), "sqlite3_prepare_v2");
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_statement); }

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    Check(m_db, sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT),
          "sqlite3_bind_text");
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    Check(m_db, sqlite3_bind_int64(m_statement, index, value), "sqlite3_bind_int64");
    return *this;
}

bool SqliteStatement::Step() {
    int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    Check(m_db, result, "sqlite3_step");
    return false;
}

void SqliteStatement::Run() {
    while (Step()) {
    }
    sqlite3_reset(m_statement);
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    if (!text)
        return {};
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)));
}

std::int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(m_statement, column); }

void SqliteStatement::Check(sqlite3* db, int result, const char* operation) {
    if (result != SQLITE_OK)
        throw std::runtime_error(std::string(operation) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(result)));
}

}  // namespace nimbo::server
