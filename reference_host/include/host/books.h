#pragma once
// The books' schema and the demo books.

#include <filesystem>

#include "host/database.h"

namespace host {

// Creates every table of the books in an empty database.
void createSchema(Database& db);

// Fills freshly created books with the demo company: five salespeople, forty customers, two
// banks and a few hundred invoices from July to November 2026 (paid and still owing, some
// credited already, some without commission, one dated on 2026-11-30 with a time of day, one
// customer name longer than 50 characters). The same books every time: the figures come from a
// fixed pseudo-random sequence, never from the clock. All or nothing: in the open transaction
// when there is one, in a transaction of its own otherwise.
void writeDemoBooks(Database& db);

// Creates `path` with the demo books unless it exists already. The file appears complete or not
// at all (built under a temporary name, then renamed). Returns whether it was created.
bool createDemoBooks(const std::filesystem::path& path);

}  // namespace host
