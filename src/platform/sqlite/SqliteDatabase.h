#pragma once
// The notes database as an SQLite file. The file is opened, never created: a missing file is no
// connection at all, so a wrong path never leaves an empty database behind. The connection uses
// write-ahead logging and waits for a lock held by another process instead of failing at once.
#include "platform/Database.h"

#include <chrono>
#include <memory>
#include <string>

struct sqlite3;

namespace nodo {

class SqliteConnection;

class SqliteDatabase : public Database {
public:
    explicit SqliteDatabase(std::string path,
                            std::chrono::milliseconds busyTimeout = std::chrono::seconds(5));
    ~SqliteDatabase() override;

    std::unique_ptr<Query> createQuery() override;
    std::string location() const override;
    void beginWrite() override;
    void commit() override;
    void rollback() noexcept override;

private:
    std::shared_ptr<SqliteConnection> m_connection;
};

} // namespace nodo
