#pragma once
// Printed bank documents: a cheque or a transfer order as a one-page PDF.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "automation/currency.h"
#include "automation/date.h"
#include "automation/variant.h"
#include "host/database.h"

namespace host {

// The amount in Spanish words as written on a cheque: whole units in capitals without accents,
// then "CON", then the cents over 100: 123.45 -> "CIENTO VEINTITRES CON 45/100". An amount with
// fractions of a cent keeps them exactly: 1.2345 -> "UNO CON 2345/10000". Negative amounts get
// "MENOS " in front.
std::string amountInWords(automation::Currency amount);

// The amount in figures with grouping: 1234.5 -> "1,234.50" (separators from `symbols`; four
// decimals only when the amount has fractions of a cent).
std::string amountInFigures(automation::Currency amount, const automation::NumberSymbols& symbols);

struct BankDocument {
  enum Kind { Cheque = 0, Transfer = 4 };
  int kind = Cheque;
  int64_t movement = 0;  // movimientos_banco.numero
  std::string bankCode, bankName;
  automation::Date date, valueDate;
  std::string description, beneficiary, reference;
  automation::Currency amount;
};

// Eight hex digits that tell the printouts of these books from those of other books sharing the
// print folder (a hash of the books' identity).
std::string printTag(const Database& db);

// "cheque-BAN01-1001-m17-3fa2c1d0.pdf", "transferencia-BAN02-TR-55-m18-3fa2c1d0.pdf": kind, bank,
// reference (characters other than ASCII letters, digits and '-' become '_'; each cut to 40),
// movement number and the books' tag.
std::string printFileName(const BankDocument& doc, const std::string& tag);

// Writes the document to `file` as PDF, complete on disk when it returns; raises kPrinting on
// failure.
void renderBankDocument(const BankDocument& doc, const automation::NumberSymbols& symbols,
                        const std::filesystem::path& file);

// A printout waits under a hidden name (".<name>.<pid>.part") in the print folder until the
// movement it shows is committed, then takes its own name.
std::filesystem::path pendingPrintout(const std::filesystem::path& dir, const std::string& name);
// Gives a pending printout its final name in its folder, never replacing another file: when the
// name is taken, the first free of "NAME-2.pdf", "NAME-3.pdf", ... Returns the file; raises
// kPrinting when it cannot.
std::filesystem::path makePrintoutFinal(const std::filesystem::path& pending, const std::string& name);

// The cheque or transfer of bank movement `movement` as the books hold it; nullopt when the books
// have no such movement.
std::optional<BankDocument> bankDocumentFromBooks(Database& db, int64_t movement);

// Prints movement `movement` again from the books into `dir` (beside any earlier printout of it);
// returns the new file. Raises kNotFound when the books have no such movement, kPrinting when it
// cannot be printed.
std::filesystem::path reprintBankDocument(Database& db, int64_t movement,
                                          const automation::NumberSymbols& symbols,
                                          const std::filesystem::path& dir);

// Pending printouts of these books left in `dir` by host processes that are gone: one whose
// movement these books hold, printed and under the same name, is made final unless that name is
// taken (the host died between the commit and the renaming); any other is removed (its
// transaction never committed). Those of other books are theirs to recover. Returns what was
// done, one line each, for the log.
std::vector<std::string> recoverPrintouts(Database& db, const std::filesystem::path& dir);

// A printed document as the launcher lists it.
struct Printout {
  std::filesystem::path file;
  automation::Date written;  // local time of the last write, to the second
  std::optional<int64_t> movement;  // the bank movement it shows, from its name
  std::string books;                // the tag of the books it was printed from ("" if unknown)
};

// A printed document file as listed; nullopt when it is not a readable file.
std::optional<Printout> printoutOf(const std::filesystem::path& file);

// The printed documents in `dir` ("*.pdf", not the hidden half-written ones), newest first (the
// same second: by name). Empty when the directory does not exist or cannot be read.
std::vector<Printout> listPrintouts(const std::filesystem::path& dir);

}  // namespace host
