#pragma once
// The notes database file of an installation: where it lives and how the installation makes it.
#include "platform/Database.h"

#include <string>

namespace nodo {

// Below the application folder.
inline constexpr const char* kNotesDatabase = kNotesDatabaseFile;

// Creates the database with the five page tables tb_A ... tb_E (each with its row ID = 1 and empty
// day blobs) and UserCon, in WAL mode. An existing file is never touched: returns false then.
// Throws DatabaseError when the file cannot be made. Only the installation calls this; the program
// itself opens the database without creating it.
bool CreateNotesDatabase(const std::string& path);

} // namespace nodo
