#include "notes/NotesDatabase.h"

#include "platform/Database.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace nodo {

namespace {

std::string PageTable(char letter) {
    return std::string("CREATE TABLE tb_") + letter +
           " (ID INTEGER PRIMARY KEY, MondayCon BLOB DEFAULT x'', TuesdayCon BLOB DEFAULT x'',"
           " WednesdayCon BLOB DEFAULT x'', ThursdayCon BLOB DEFAULT x'', FridayCon BLOB DEFAULT x'',"
           " SaturdayCon BLOB DEFAULT x'');"
           "INSERT INTO tb_" +
           letter + " (ID) VALUES (1);";
}

} // namespace

bool CreateNotesDatabase(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) return false;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);

    // Made aside and linked into place, so the name never shows a half-made database and an
    // existing file that appeared meanwhile is kept.
    const std::string temp = path + ".new-" + std::to_string(::getpid());
    fs::remove(temp, ec);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string why = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw DatabaseError("cannot create " + temp + ": " + why);
    }
    std::string sql = "PRAGMA journal_mode=WAL; BEGIN;";
    for (const char letter : {'A', 'B', 'C', 'D', 'E'})
        sql += PageTable(letter);
    sql += "CREATE TABLE UserCon (conIndex TEXT NOT NULL, data BLOB DEFAULT x'');"
           "CREATE UNIQUE INDEX UserCon_conIndex ON UserCon (conIndex);"
           "COMMIT;";
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string why = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        fs::remove(temp, ec);
        throw DatabaseError("cannot create " + path + ": " + why);
    }
    const bool linked = ::link(temp.c_str(), path.c_str()) == 0;
    const int err = errno;
    fs::remove(temp, ec);
    if (!linked && err == EEXIST) return false;
    if (!linked) throw DatabaseError("cannot create " + path + ": " + std::strerror(err));
    return true;
}

} // namespace nodo
