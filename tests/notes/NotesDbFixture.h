#pragma once
// A fresh notes database in a private temporary folder, made as an installation makes it, and a
// second raw connection to look at (or lock) the file behind the program's back.
#include "notes/NotesDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace nodo::testing {

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->name()).substr(0, 40) : std::string("x");
        for (char& c : name)
            if (c == '/') c = '_';
        m_root = std::filesystem::temp_directory_path() /
                 ("nodo-notes-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + "-" + name);
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    const std::filesystem::path& root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

// Raw SQL on the file, for checks the program's own API would hide.
class RawDb {
public:
    explicit RawDb(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~RawDb() { sqlite3_close_v2(m_db); }
    int exec(const std::string& sql) { return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr); }
    // The first column of the first row as text; empty when there is none.
    std::string scalar(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            const void* p = sqlite3_column_blob(st, 0);
            out.assign(static_cast<const char*>(p ? p : ""),
                       static_cast<std::size_t>(sqlite3_column_bytes(st, 0)));
        }
        sqlite3_finalize(st);
        return out;
    }
    int count(const std::string& table, const std::string& where = "1") {
        return std::stoi(scalar("SELECT count(*) FROM " + table + " WHERE " + where));
    }

private:
    sqlite3* m_db = nullptr;
};

class NotesDb : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateNotesDatabase(dbPath())); }
    std::string dbPath() const { return (dir.root() / "notes.db").string(); }

    TempFolder dir;
};

} // namespace nodo::testing
