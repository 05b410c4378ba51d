#pragma once
// The drivers behind host::Database, as Database::open and Database::create reach them.

#include <filesystem>
#include <memory>

#include "host/database.h"

namespace host {

// Existing books in a SQLite file (see Database::open).
std::shared_ptr<Database> openSqliteBooks(const std::filesystem::path& path);
// A SQLite file opened (created when missing) for writing new books.
std::shared_ptr<Database> createSqliteBooks(const std::filesystem::path& path);

}  // namespace host
