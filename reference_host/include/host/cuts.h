#pragma once
// The register of processed commission cuts, read from what the books hold of each: the cut's
// voucher, its salesperson-account lines, its bank movement or cash line, and its printout.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "automation/currency.h"
#include "automation/date.h"
#include "host/database.h"

namespace host {

struct ProcessedCut {
  enum class Method { CreditOnly, Cash, Cheque, Transfer };
  int64_t voucher = 0;
  automation::Date date;
  std::string salesperson, salespersonName;
  int64_t invoices = 0;
  automation::Currency amount;  // the commission credited (the voucher's expense)
  Method method = Method::CreditOnly;
  std::string bank, document;  // a cheque's number or a transfer's reference, with its bank
  // The printed cheque or transfer in the print directory, when it is there.
  std::optional<std::filesystem::path> printout;
};

// "Efectivo", "Cheque", "Transferencia", "Solo acreditado".
const char* methodText(ProcessedCut::Method m);

// Every cut the books hold, newest first. A cut is a voucher with salesperson-account lines:
// one line for each invoice credited, and one more for the payment when it was paid (by a bank
// movement of the voucher, or by a line on the company's cash account).
std::vector<ProcessedCut> processedCuts(Database& db, const std::filesystem::path& printDir);

}  // namespace host
