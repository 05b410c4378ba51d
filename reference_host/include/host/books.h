#pragma once
// The books' schema and the demo books.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Writes the schema and the demo books into a database that holds no books, in one transaction;
// refuses (kDatabase, nothing written) one that holds books already. Hosts doing it at once on
// the same database take turns: one writes, the others are refused.
void initDemoBooks(Database& db);

// Refuses (kInvalidArgument, naming row `row` of `table`) a value the component cannot use: an
// invoice number outside 1 to 2147483647, since the component holds invoice numbers in 32 bits;
// a salesperson or bank code (also an invoice's salesperson) not in capitals or with blanks at
// either end, since the windows look codes up so written. Other values pass.
void checkBooksValue(std::string_view table, std::string_view column, const automation::Variant& value,
                     int64_t row);

// Every table of the books with its row count and the sums of its money columns.
struct TableTotals {
  std::string table;
  int64_t rows = 0;
  std::vector<std::pair<std::string, automation::Currency>> sums;
  bool operator==(const TableTotals&) const = default;
};

// "Facturas: 333 rows, PrecioEfectivo 1234.5600, ...".
std::string totalsText(const TableTotals& t);

// The totals of books as the database holds them.
std::vector<TableTotals> booksTotals(Database& db);

// Copies the books of the SQLite file `file` into `target`, a database that holds no books, in one
// transaction: schema, every row, and numbering that goes on after the copied rows. Afterwards the
// target's totals must equal those of the rows read, or nothing is kept. Returns the totals.
std::vector<TableTotals> importBooks(Database& target, const std::filesystem::path& file);

}  // namespace host
