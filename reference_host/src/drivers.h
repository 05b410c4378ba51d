#pragma once
// The drivers behind host::Database, as Database::open and Database::create reach them.

#include <filesystem>
#include <memory>
#include <string>

#include "host/database.h"

namespace host {

// Existing books in a SQLite file (see Database::open).
std::shared_ptr<Database> openSqliteBooks(const std::filesystem::path& path);
// A SQLite file opened (created when missing) for writing new books.
std::shared_ptr<Database> createSqliteBooks(const std::filesystem::path& path);

// A connection to books on a server (a libpq URI); with `requireBooks`, a database without the
// books' tables is refused.
std::shared_ptr<Database> connectServerBooks(const std::string& uri, bool requireBooks);

}  // namespace host
