#pragma once
// The notes database: one connection and updatable query results, in the shape the storage steps
// use them (set the statement, open, read named columns of the current row, edit or append a row,
// set its columns, post it).
#include "platform/Errors.h"

#include <memory>
#include <string>
#include <string_view>

namespace nodo {

// Anything the database refused: no connection, a bad statement, a locked file, a failed write.
class DatabaseError : public NodoError {
public:
    using NodoError::NodoError;
};

// The result of one statement. Every call that fails throws DatabaseError.
class Query {
public:
    virtual ~Query() = default;

    // The statement text, built line by line.
    virtual void clearSql() = 0;
    virtual void addSql(std::string_view line) = 0;

    // Runs the statement; the result's first row becomes the current one. Opening connects the
    // database when it is not yet connected.
    virtual void open() = 0;
    // Drops the result (and an unposted edit); closing a closed query does nothing.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual int recordCount() const = 0;
    // Moving through the result; eof() is true past the last row (at once when it is empty).
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;

    // A column of the current row by name, without regard to case; NULL reads as empty.
    virtual std::string blobField(std::string_view column) const = 0;
    virtual std::string textField(std::string_view column) const = 0;

    // Edit mode on the current row, or a new row to be appended; the columns set next are written
    // by post(), as one transaction (or as part of the write transaction the connection holds).
    virtual void edit() = 0;
    virtual void append() = 0;
    virtual void setText(std::string_view column, std::string_view value) = 0;
    virtual void setBlob(std::string_view column, std::string_view bytes) = 0;
    virtual void post() = 0;
};

// The notes database of an installation, below the application folder.
inline constexpr const char* kNotesDatabaseFile = "data\\notes.db";

class Database {
public:
    virtual ~Database() = default;
    virtual std::unique_ptr<Query> createQuery() = 0;
    // Where the data lives, for messages.
    virtual std::string location() const = 0;

    // A write transaction: what the queries read and post from beginWrite() to commit() is one
    // change, and no other connection writes in between (a read followed by the write it decides
    // on cannot be overtaken). beginWrite waits for another writer as long as a post would;
    // transactions do not nest. Each throws DatabaseError; rollback never throws.
    virtual void beginWrite() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
};

// A write transaction for one scope: rolled back unless commit() was reached.
class WriteTransaction {
public:
    explicit WriteTransaction(Database& db) : m_db(db) { m_db.beginWrite(); }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    ~WriteTransaction() {
        if (m_open) m_db.rollback();
    }
    void commit() {
        m_db.commit();
        m_open = false;
    }

private:
    Database& m_db;
    bool m_open = true;
};

} // namespace nodo
