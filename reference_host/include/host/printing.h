#pragma once
// Printed bank documents: a cheque or a transfer order as a one-page PDF.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "automation/currency.h"
#include "automation/date.h"
#include "automation/variant.h"

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

// "cheque-BAN01-1001-m17.pdf", "transferencia-BAN02-TR-55-m18.pdf" (unsafe characters of the
// reference become '_').
std::string printFileName(const BankDocument& doc);

// Writes the document to `file` as PDF; raises kPrinting on failure.
void renderBankDocument(const BankDocument& doc, const automation::NumberSymbols& symbols,
                        const std::filesystem::path& file);

// Removes half-written printouts ("*.part") left in `dir` by host processes that are gone.
void removeStalePrintouts(const std::filesystem::path& dir);

// A printed document as the launcher lists it.
struct Printout {
  std::filesystem::path file;
  automation::Date written;  // local time of the last write, to the second
};

// The printed documents in `dir` ("*.pdf", not the hidden half-written ones), newest first (the
// same second: by name). Empty when the directory does not exist or cannot be read.
std::vector<Printout> listPrintouts(const std::filesystem::path& dir);

}  // namespace host
