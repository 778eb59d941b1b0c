#include "platform/sqlite/SqliteDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace nodo {

// The one connection, opened by the first statement that needs it and kept open afterwards.
class SqliteConnection {
public:
    SqliteConnection(std::string path, std::chrono::milliseconds busyTimeout)
        : m_path(std::move(path)), m_busyTimeout(busyTimeout) {}
    ~SqliteConnection() { disconnect(); }

    // No result holds a statement open, so the connection can go at any time between calls.
    void disconnect() noexcept {
        for (auto& kept : m_statements)
            sqlite3_finalize(kept.second);
        m_statements.clear();
        if (m_db) sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

    // The statement of `sql`, ready to bind and step, or null for text without a statement.
    // Statements are compiled once and kept while the connection lives, the most recently used
    // first: the storage steps send the same few again and again. A note's statements name its
    // date, so only the last few are kept. A kept statement is used by one call at a time, from
    // start to reset, as the connection serves one thread. Returns the result of compiling it.
    int prepare(const std::string& sql, sqlite3_stmt** out) {
        *out = nullptr;
        sqlite3* db = handle();
        for (auto it = m_statements.begin(); it != m_statements.end(); ++it)
            if (it->first == sql) {
                std::rotate(m_statements.begin(), it, it + 1);
                *out = m_statements.front().second;
                return SQLITE_OK;
            }
        sqlite3_stmt* st = nullptr;
        const int rc = sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        if (rc != SQLITE_OK || !st) {
            sqlite3_finalize(st);
            return rc;
        }
        if (m_statements.size() >= kKeptStatements) {
            sqlite3_finalize(m_statements.back().second);
            m_statements.pop_back();
        }
        m_statements.emplace(m_statements.begin(), sql, st);
        *out = st;
        return SQLITE_OK;
    }

    const std::string& path() const { return m_path; }

    sqlite3* handle() {
        if (m_db) return m_db;
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
            sqlite3_close_v2(db);
            throw DatabaseError("no connection to the notes database " + m_path + ": " + why);
        }
        sqlite3_busy_timeout(db, static_cast<int>(m_busyTimeout.count()));
        // The database is created in WAL mode; a copy made otherwise is switched over when it can
        // be. FULL makes each committed save survive a power cut as well as a crash.
        sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        m_db = db;
        return m_db;
    }

    // IMMEDIATE takes the write lock first (waiting out another writer), so a write inside never
    // meets a lock half way and nothing another connection writes can come between.
    void beginWrite() {
        sqlite3* db = handle();
        if (!sqlite3_get_autocommit(db)) throw DatabaseError("a write transaction is already open");
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const std::string why = sqlite3_errmsg(db);
            dropIfReadOnly();
            throw DatabaseError("cannot write to the notes database: " + why);
        }
    }
    void commit() {
        if (!m_db || sqlite3_get_autocommit(m_db)) throw DatabaseError("no write transaction to commit");
        if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const std::string why = sqlite3_errmsg(m_db);
            rollback();
            throw DatabaseError("cannot write to the notes database: " + why);
        }
    }
    void rollback() noexcept {
        if (m_db && !sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        dropIfReadOnly();
    }
    // A file that was read-only when the connection opened keeps the connection read-only for
    // good: after a refused write the next statement connects again, so that a file made
    // writable since is written.
    void dropIfReadOnly() noexcept {
        if (m_db && sqlite3_get_autocommit(m_db) && sqlite3_db_readonly(m_db, "main") == 1) disconnect();
    }
    bool inTransaction() { return !sqlite3_get_autocommit(handle()); }

    [[noreturn]] void fail(const std::string& what) const {
        throw DatabaseError(what + ": " + (m_db ? sqlite3_errmsg(m_db) : "no connection"));
    }

private:
    static constexpr std::size_t kKeptStatements = 16;
    std::string m_path;
    std::chrono::milliseconds m_busyTimeout;
    sqlite3* m_db = nullptr;
    std::vector<std::pair<std::string, sqlite3_stmt*>> m_statements; // most recently used first
};

namespace {

// A kept statement while it is used: reset and its bindings cleared afterwards, so that it holds
// no read open and points at no caller's bytes. done() does it early, before a commit.
struct Statement {
    sqlite3_stmt* stmt = nullptr;
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { done(); }
    void done() noexcept {
        if (!stmt) return;
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        stmt = nullptr;
    }
};

struct Value {
    bool null = true;
    std::string bytes;
};

struct Row {
    std::optional<std::int64_t> rowid;
    std::vector<Value> values;
};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string QuoteName(std::string_view name) {
    std::string out = "\"";
    for (const char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

// "select ..." with the row id put first, so that rows of a one-table select can be written back.
std::optional<std::string> WithRowid(const std::string& sql) {
    std::size_t i = sql.find_first_not_of(" \t\r\n");
    if (i == std::string::npos || sql.size() - i < 7 ||
        !SameName(std::string_view(sql).substr(i, 6), "select"))
        return std::nullopt;
    const char after = sql[i + 6];
    if (after != ' ' && after != '\t' && after != '\r' && after != '\n') return std::nullopt;
    return sql.substr(0, i + 6) + " rowid," + sql.substr(i + 6);
}

class SqliteQuery : public Query {
public:
    explicit SqliteQuery(std::shared_ptr<SqliteConnection> connection)
        : m_connection(std::move(connection)) {}

    void clearSql() override { m_sql.clear(); }
    void addSql(std::string_view line) override {
        if (!m_sql.empty()) m_sql += '\n';
        m_sql += line;
    }

    void open() override {
        close();
        Statement st;
        bool keyed = false;
        int rc = SQLITE_DONE;
        // The columns are looked at after the first step: a kept statement is compiled again by
        // it when the tables have changed since.
        if (const auto keyedSql = WithRowid(m_sql);
            keyedSql && m_connection->prepare(*keyedSql, &st.stmt) == SQLITE_OK && st.stmt) {
            rc = sqlite3_step(st.stmt);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) m_connection->fail("cannot read \"" + m_sql + "\"");
            keyed = OneTable(st.stmt);
            if (!keyed) st.done();
        }
        if (!keyed) {
            if (m_connection->prepare(m_sql, &st.stmt) != SQLITE_OK)
                m_connection->fail("cannot run \"" + m_sql + "\"");
            if (!st.stmt) m_connection->fail("no statement in \"" + m_sql + "\"");
            rc = sqlite3_step(st.stmt);
        }

        const int first = keyed ? 1 : 0;
        const int count = sqlite3_column_count(st.stmt);
        std::vector<std::string> columns;
        for (int c = first; c < count; ++c) {
            const char* name = sqlite3_column_name(st.stmt, c);
            columns.emplace_back(name ? name : "");
        }
        std::vector<Row> rows;
        for (; rc == SQLITE_ROW; rc = sqlite3_step(st.stmt)) {
            Row row;
            if (keyed) row.rowid = sqlite3_column_int64(st.stmt, 0);
            for (int c = first; c < count; ++c) {
                Value v;
                v.null = sqlite3_column_type(st.stmt, c) == SQLITE_NULL;
                if (!v.null) {
                    const void* data = sqlite3_column_blob(st.stmt, c);
                    const int size = sqlite3_column_bytes(st.stmt, c);
                    if (data && size > 0)
                        v.bytes.assign(static_cast<const char*>(data), static_cast<std::size_t>(size));
                }
                row.values.push_back(std::move(v));
            }
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) m_connection->fail("cannot read \"" + m_sql + "\"");
        m_table = keyed ? sqlite3_column_table_name(st.stmt, 1) : "";
        m_columns = std::move(columns);
        m_rows = std::move(rows);
        m_current = 0;
        m_open = true;
    }

    void close() override {
        m_open = false;
        m_mode = Mode::Browse;
        m_changes.clear();
        m_rows.clear();
        m_columns.clear();
        m_table.clear();
    }
    bool isOpen() const override { return m_open; }

    int recordCount() const override {
        requireOpen();
        return static_cast<int>(m_rows.size());
    }
    void first() override {
        requireOpen();
        m_current = 0;
    }
    void next() override {
        requireOpen();
        if (m_current < m_rows.size()) ++m_current;
    }
    bool eof() const override { return !m_open || m_current >= m_rows.size(); }

    std::string blobField(std::string_view column) const override { return field(column); }
    std::string textField(std::string_view column) const override { return field(column); }

    void edit() override {
        requireOpen();
        if (eof()) throw DatabaseError("no row to edit");
        if (m_table.empty() || !m_rows[m_current].rowid)
            throw DatabaseError("the result cannot be changed: " + m_sql);
        m_mode = Mode::Edit;
        m_changes.clear();
    }
    void append() override {
        requireOpen();
        if (m_table.empty()) throw DatabaseError("the result cannot be changed: " + m_sql);
        m_mode = Mode::Insert;
        m_changes.clear();
    }
    void setText(std::string_view column, std::string_view value) override { set(column, value, false); }
    void setBlob(std::string_view column, std::string_view bytes) override { set(column, bytes, true); }

    void post() override {
        requireOpen();
        if (m_mode == Mode::Browse) return;
        const Mode mode = std::exchange(m_mode, Mode::Browse);
        auto changes = std::move(m_changes);
        m_changes.clear();

        std::string sql;
        if (mode == Mode::Edit) {
            if (changes.empty()) return;
            sql = "UPDATE " + QuoteName(m_table) + " SET ";
            for (std::size_t i = 0; i < changes.size(); ++i)
                sql += (i ? ", " : "") + QuoteName(m_columns[changes[i].column]) + " = ?";
            sql += " WHERE rowid = ?";
        } else if (changes.empty()) {
            sql = "INSERT INTO " + QuoteName(m_table) + " DEFAULT VALUES";
        } else {
            sql = "INSERT INTO " + QuoteName(m_table) + " (";
            for (std::size_t i = 0; i < changes.size(); ++i)
                sql += (i ? ", " : "") + QuoteName(m_columns[changes[i].column]);
            sql += ") VALUES (";
            for (std::size_t i = 0; i < changes.size(); ++i)
                sql += i ? ", ?" : "?";
            sql += ")";
        }

        sqlite3* db = m_connection->handle();
        // Inside the caller's write transaction the write is part of it; otherwise it is one of its own.
        const bool own = !m_connection->inTransaction();
        if (own) m_connection->beginWrite();
        try {
            Statement st;
            if (m_connection->prepare(sql, &st.stmt) != SQLITE_OK || !st.stmt)
                m_connection->fail("cannot write to the notes database");
            int index = 1;
            for (const auto& ch : changes) {
                const int rc = ch.blob ? sqlite3_bind_blob64(st.stmt, index, ch.bytes.data(), ch.bytes.size(),
                                                             SQLITE_STATIC)
                                       : sqlite3_bind_text64(st.stmt, index, ch.bytes.data(), ch.bytes.size(),
                                                             SQLITE_STATIC, SQLITE_UTF8);
                if (rc != SQLITE_OK) m_connection->fail("cannot write to the notes database");
                ++index;
            }
            if (mode == Mode::Edit) sqlite3_bind_int64(st.stmt, index, *m_rows[m_current].rowid);
            if (sqlite3_step(st.stmt) != SQLITE_DONE)
                m_connection->fail("cannot write to the notes database");
            if (mode == Mode::Edit && sqlite3_changes(db) != 1)
                throw DatabaseError("the row is no longer there");
            st.done();
            if (own) m_connection->commit();
        } catch (...) {
            // Undone here when it was our own; the caller's transaction is the caller's to undo.
            if (own) m_connection->rollback();
            throw;
        }

        // The result shows what was written.
        if (mode == Mode::Insert) {
            Row row;
            row.rowid = sqlite3_last_insert_rowid(db);
            row.values.resize(m_columns.size());
            m_rows.push_back(std::move(row));
            m_current = m_rows.size() - 1;
        }
        for (auto& ch : changes)
            m_rows[m_current].values[ch.column] = Value{false, std::move(ch.bytes)};
    }

private:
    enum class Mode { Browse, Edit, Insert };
    struct Change {
        std::size_t column;
        std::string bytes;
        bool blob;
    };

    // Only rows of one table (every column from it, the row id included) can be written back.
    static bool OneTable(sqlite3_stmt* st) {
        const int count = sqlite3_column_count(st);
        if (count < 2) return false;
        const char* table = sqlite3_column_table_name(st, 0);
        if (!table) return false;
        for (int c = 1; c < count; ++c) {
            const char* t = sqlite3_column_table_name(st, c);
            if (!t || std::string_view(t) != table) return false;
        }
        return true;
    }

    void requireOpen() const {
        if (!m_open) throw DatabaseError("the query is not open");
    }

    std::size_t columnIndex(std::string_view column) const {
        for (std::size_t i = 0; i < m_columns.size(); ++i)
            if (SameName(m_columns[i], column)) return i;
        throw DatabaseError("no column " + std::string(column) + " in \"" + m_sql + "\"");
    }

    std::string field(std::string_view column) const {
        requireOpen();
        const std::size_t c = columnIndex(column);
        if (eof()) throw DatabaseError("no current row in \"" + m_sql + "\"");
        return m_rows[m_current].values[c].bytes;
    }

    void set(std::string_view column, std::string_view bytes, bool blob) {
        requireOpen();
        if (m_mode == Mode::Browse) throw DatabaseError("the row is not being edited");
        const std::size_t c = columnIndex(column);
        for (auto& ch : m_changes)
            if (ch.column == c) {
                ch = Change{c, std::string(bytes), blob};
                return;
            }
        m_changes.push_back(Change{c, std::string(bytes), blob});
    }

    std::shared_ptr<SqliteConnection> m_connection;
    std::string m_sql;
    bool m_open = false;
    std::string m_table;
    std::vector<std::string> m_columns;
    std::vector<Row> m_rows;
    std::size_t m_current = 0;
    Mode m_mode = Mode::Browse;
    std::vector<Change> m_changes;
};

} // namespace

SqliteDatabase::SqliteDatabase(std::string path, std::chrono::milliseconds busyTimeout)
    : m_connection(std::make_shared<SqliteConnection>(std::move(path), busyTimeout)) {}

SqliteDatabase::~SqliteDatabase() = default;

std::unique_ptr<Query> SqliteDatabase::createQuery() {
    return std::make_unique<SqliteQuery>(m_connection);
}

std::string SqliteDatabase::location() const {
    return m_connection->path();
}

void SqliteDatabase::beginWrite() {
    m_connection->beginWrite();
}

void SqliteDatabase::commit() {
    m_connection->commit();
}

void SqliteDatabase::rollback() noexcept {
    m_connection->rollback();
}

} // namespace nodo
