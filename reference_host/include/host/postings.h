#pragma once
// Postings: vouchers ("BComprobante"), salesperson-account lines ("DetalleCE"), bank movements
// (a bank record's RegistrarMovimiento), cash withdrawals ("Sesion") and the cash movement they
// leave ("MovCaja").
//
// A voucher keeps its lines in memory until Procesar; Procesar refuses a voucher whose lines do
// not add up to exactly zero (nothing of it is written), otherwise writes the voucher, its lines
// and the salesperson-account lines handed to it, and stamps its number on the bank movements
// that posted into it. A salesperson-account line handed a voucher also posts a line of the same
// amount on the company's CuentaVendedores in that voucher; a bank movement handed a voucher
// posts minus its amount on the bank's ledger account. Everything runs in the open transaction
// when there is one.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/currency.h"
#include "automation/date.h"
#include "host/session.h"

namespace host {

class Comprobante final : public HostObject {
 public:
  struct Line {
    std::string account;
    std::string description;
    automation::Currency amount;
  };
  struct SalespersonEntry {
    int16_t type = 0;
    std::string salesperson, code;
    automation::Date date;
    std::string description;
    automation::Currency amount;
  };

  explicit Comprobante(std::shared_ptr<HostSession> session);

  void start(automation::Date date, std::string reference, std::string description);
  void addLine(Line line);
  // A salesperson-account line and its line on the company's salespeople account. The salesperson
  // and the account are looked up once per voucher (a cut adds one line per invoice).
  void addSalespersonEntry(SalespersonEntry entry);
  void addBankLine(int64_t movement, Line line);
  // Refuses the voucher unless it was started, is not posted yet, has lines, and they balance.
  int64_t post();

  // Raises kDocumentState unless lines may still be added.
  void requireOpen() const;
  const std::vector<Line>& lines() const { return lines_; }
  std::optional<int64_t> number() const { return number_; }

 private:
  bool started_ = false;
  automation::Date date_;
  std::string reference_, description_;
  std::vector<Line> lines_;
  std::vector<SalespersonEntry> entries_;
  std::vector<int64_t> bankMovements_;
  std::optional<int64_t> number_;
  std::string salespeopleAccount_;
  std::vector<std::string> salespeople_;  // found in the books already
};

// The voucher argument of a posting call: nullptr for an empty reference (Nothing, Empty or
// omitted); raises 13 for anything that is not a voucher of this run.
Comprobante* voucherArgument(HostSession& session, const automation::Variant& v,
                             std::string_view caller);

class DetalleCE final : public HostObject {
 public:
  explicit DetalleCE(std::shared_ptr<HostSession> session);
};

class MovimientoCaja final : public HostObject {
 public:
  MovimientoCaja(std::shared_ptr<HostSession> session, int64_t numero);
  int64_t numero() const { return numero_; }

 private:
  int64_t numero_;
};

class Sesion final : public HostObject {
 public:
  explicit Sesion(std::shared_ptr<HostSession> session);

 private:
  std::shared_ptr<MovimientoCaja> last_;
};

// RegistrarMovimiento of the bank record `bankCode`: arguments type (0 cheque, 4 transfer),
// date, description, beneficiary, amount, reference, value date, voucher; named Imprimir.
// Records the movement, advances the next cheque number after a cheque, posts into the voucher,
// and prints the document when asked (the printout appears when the transaction commits and is
// dropped when it rolls back). Returns the movement number.
int64_t registerBankMovement(HostSession& session, const std::string& bankCode,
                             automation::CallArgs& args);

// Marks a cash movement as submitted (HostFactory.SubmitDoc).
void submitDocument(HostSession& session, const automation::Variant& doc);

}  // namespace host
