#include "host/postings.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

#include "host/errors.h"
#include "host/printing.h"
#include "host/ui.h"
#include "text/text.h"
#include "text/utf8.h"

namespace host {

using automation::CallArgs;
using automation::Currency;
using automation::Date;
using automation::Variant;
using automation::VarType;

namespace {

std::string salespeopleAccount(HostSession& session) {
  auto st = session.db().prepare("SELECT CuentaVendedores FROM empresa WHERE id = 1");
  if (!st.step()) raiseHost(hosterr::kNotFound, "the books have no company settings");
  std::string account = st.columnText(0);
  if (account.empty())
    raiseHost(hosterr::kNotFound, "the company has no ledger account for salespeople");
  return account;
}

void requireSalesperson(HostSession& session, const std::string& code) {
  auto st = session.db().prepare("SELECT 1 FROM vendedores WHERE codigo = ?");
  st.bind(1, code);
  if (!st.step())
    raiseHost(hosterr::kNotFound, "there is no salesperson with the code '" + code + "'");
}

// A salesperson-account line without a voucher, written at once.
void insertSalespersonRow(HostSession& session, const Comprobante::SalespersonEntry& e) {
  auto st = session.db().prepare(
      "INSERT INTO cuenta_vendedor (tipo, vendedor, codigo, fecha, descripcion, monto, "
      "comprobante) VALUES (?, ?, ?, ?, ?, ?, NULL)");
  st.bind(1, static_cast<int64_t>(e.type));
  st.bind(2, e.salesperson);
  st.bind(3, e.code);
  st.bind(4, Variant(e.date));
  st.bind(5, e.description);
  st.bind(6, Variant(e.amount));
  st.run();
}

std::string money(Currency c) {
  return c.toString();
}

// Writes rows with one statement for up to 200 of them ("INSERT ... VALUES (?, ...), (?, ...)"):
// a cut's voucher has a line per invoice, and on a server each statement is a round trip.
template <class Row, class Bind>
void insertRows(Database& db, const std::string& into, int width, const std::vector<Row>& rows,
                Bind bind) {
  constexpr size_t kRows = 200;
  for (size_t from = 0; from < rows.size(); from += kRows) {
    const size_t count = std::min(kRows, rows.size() - from);
    std::string one = "(?";
    for (int c = 1; c < width; ++c) one += ", ?";
    one += ")";
    std::string sql = into + " VALUES " + one;
    for (size_t r = 1; r < count; ++r) sql += ", " + one;
    auto st = db.prepare(sql);
    int p = 0;
    for (size_t r = from; r < from + count; ++r) bind(st, p, rows[r]);
    st.run();
  }
}

// A cheque or transfer number as the books keep it and the printout shows it: UTF-8 text of at
// most kMaxReference characters, none of them a control character (a tab, NUL, ESC, DEL ...).
constexpr size_t kMaxReference = 40;

void requireUsableReference(std::string_view reference) {
  size_t count = 0;
  for (size_t pos = 0; pos < reference.size();) {
    if (text::utf8::sequenceLength(reference, pos) == 0)
      raiseHost(hosterr::kInvalidArgument, "the reference of a cheque or transfer is not valid UTF-8 text (byte " +
                                               std::to_string(pos + 1) + " is not part of a character)");
    const char32_t c = text::utf8::next(reference, pos);
    ++count;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
      raiseHost(hosterr::kInvalidArgument, "the reference of a cheque or transfer has a control character (" +
                                               std::string(code) + ") at character " + std::to_string(count));
    }
  }
  if (count > kMaxReference)
    raiseHost(hosterr::kInvalidArgument, "the reference of a cheque or transfer takes at most " +
                                             std::to_string(kMaxReference) + " characters (this one has " +
                                             std::to_string(count) + ")");
}

// What makes two cheque references of one bank the same cheque: a number by its value (its digits
// without leading zeros), any other reference by its text; both already trimmed.
std::string chequeKey(std::string_view trimmed) {
  const bool numeric = !trimmed.empty() && std::all_of(trimmed.begin(), trimmed.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
  if (!numeric) return std::string(trimmed);
  const size_t first = trimmed.find_first_not_of('0');
  return first == std::string_view::npos ? std::string("0") : std::string(trimmed.substr(first));
}

// The number the books gave the row an "INSERT ... RETURNING" statement wrote.
int64_t insertedNumber(Statement& insert) {
  if (!insert.step())
    raiseHost(hosterr::kDatabase, "books: the new row's number did not come back");
  const int64_t numero = insert.columnInt(0);
  insert.run();
  return numero;
}

}  // namespace

// ---- Voucher ----

Comprobante::Comprobante(std::shared_ptr<HostSession> session)
    : HostObject(std::move(session), "BComprobante") {
  method("StartComprobante", [this](CallArgs& a) {
    a.expect(3, 3);
    start(automation::cDate(a.at(0)), automation::cStr(a.at(1)), automation::cStr(a.at(2)));
    return Variant();
  });
  method("AddDetalleValor", [this](CallArgs& a) {
    a.expect(3, 3);
    addLine({automation::cStr(a.at(0)), automation::cStr(a.at(1)), automation::cCur(a.at(2))});
    return Variant();
  });
  method("Procesar", [this](CallArgs& a) {
    a.expect(0, 0);
    return booksNumber(post());
  });
  getter("Numero", [this](CallArgs&) {
    return number_ ? booksNumber(*number_) : Variant::null();
  });
}

void Comprobante::start(Date date, std::string reference, std::string description) {
  if (number_)
    raiseHost(hosterr::kDocumentState,
              "the voucher was already posted as number " + std::to_string(*number_));
  if (started_) raiseHost(hosterr::kDocumentState, "the voucher was already started");
  started_ = true;
  date_ = date.dateOnly();
  reference_ = std::move(reference);
  description_ = std::move(description);
}

void Comprobante::requireOpen() const {
  if (!started_)
    raiseHost(hosterr::kDocumentState, "the voucher was not started (StartComprobante)");
  if (number_)
    raiseHost(hosterr::kDocumentState,
              "the voucher was already posted as number " + std::to_string(*number_));
}

void Comprobante::addLine(Line line) {
  requireOpen();
  if (line.account.empty())
    raiseHost(hosterr::kInvalidArgument, "a voucher line needs a ledger account");
  lines_.push_back(std::move(line));
}

void Comprobante::addSalespersonEntry(SalespersonEntry entry) {
  requireOpen();
  if (std::find(salespeople_.begin(), salespeople_.end(), entry.salesperson) ==
      salespeople_.end()) {
    requireSalesperson(session(), entry.salesperson);
    salespeople_.push_back(entry.salesperson);
  }
  if (salespeopleAccount_.empty()) salespeopleAccount_ = salespeopleAccount(session());
  lines_.push_back({salespeopleAccount_, entry.description, entry.amount});
  entries_.push_back(std::move(entry));
}

void Comprobante::addBankLine(int64_t movement, Line line) {
  requireOpen();
  lines_.push_back(std::move(line));
  bankMovements_.push_back(movement);
}

int64_t Comprobante::post() {
  requireOpen();
  if (lines_.empty()) raiseHost(hosterr::kUnbalancedVoucher, "the voucher has no lines");
  Currency sum, debits;
  for (const auto& l : lines_) {
    sum += l.amount;
    if (l.amount > Currency()) debits += l.amount;
  }
  if (sum != Currency())
    raiseHost(hosterr::kUnbalancedVoucher,
              "the voucher \"" + description_ + "\" does not balance: its lines add up to " +
                  money(sum) + " (debits " + money(debits) + ", credits " + money(debits - sum) +
                  "); nothing was posted");

  Database& db = session().db();
  Savepoint unit(db);
  auto header = db.prepare(
      "INSERT INTO comprobantes (fecha, referencia, descripcion) VALUES (?, ?, ?) RETURNING "
      "numero");
  header.bind(1, Variant(date_));
  header.bind(2, reference_);
  header.bind(3, description_);
  const int64_t numero = insertedNumber(header);

  int64_t n = 0;
  insertRows(db, "INSERT INTO comprobante_lineas (comprobante, linea, cuenta, descripcion, monto)",
             5, lines_, [&](Statement& st, int& p, const Line& l) {
               st.bind(++p, numero);
               st.bind(++p, ++n);
               st.bind(++p, l.account);
               st.bind(++p, l.description);
               st.bind(++p, Variant(l.amount));
             });
  insertRows(db,
             "INSERT INTO cuenta_vendedor (tipo, vendedor, codigo, fecha, descripcion, monto, "
             "comprobante)",
             7, entries_, [&](Statement& st, int& p, const SalespersonEntry& e) {
               st.bind(++p, static_cast<int64_t>(e.type));
               st.bind(++p, e.salesperson);
               st.bind(++p, e.code);
               st.bind(++p, Variant(e.date));
               st.bind(++p, e.description);
               st.bind(++p, Variant(e.amount));
               st.bind(++p, numero);
             });
  auto link = db.prepare("UPDATE movimientos_banco SET comprobante = ? WHERE numero = ?");
  for (int64_t m : bankMovements_) {
    link.reset();
    link.bind(1, numero);
    link.bind(2, m);
    link.run();
  }
  unit.release();
  number_ = numero;
  return numero;
}

Comprobante* voucherArgument(HostSession& session, const Variant& v, std::string_view caller) {
  if (v.isEmpty() || v.isMissing() || v.isNothing()) return nullptr;
  auto* voucher = v.isObject() ? dynamic_cast<Comprobante*>(v.asObject().get()) : nullptr;
  if (!voucher || &voucher->session() != &session)
    throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                            std::string(caller) +
                                ": the voucher argument is not a voucher "
                                "(BComprobante) of these books");
  return voucher;
}

// ---- Salesperson account ----

DetalleCE::DetalleCE(std::shared_ptr<HostSession> session)
    : HostObject(std::move(session), "DetalleCE") {
  method("Add", [this](CallArgs& a) {
    a.expect(6, 7);
    Comprobante::SalespersonEntry e;
    e.type = automation::cInt(a.at(0));
    e.salesperson = automation::cStr(a.at(1));
    e.code = automation::cStr(a.at(2));
    e.date = automation::cDate(a.at(3)).dateOnly();
    e.description = automation::cStr(a.at(4));
    e.amount = automation::cCur(a.at(5));
    Comprobante* voucher =
        voucherArgument(this->session(), a.opt(6).value_or(Variant()), "DetalleCE.Add");
    if (voucher) {
      voucher->addSalespersonEntry(std::move(e));
    } else {
      requireSalesperson(this->session(), e.salesperson);
      insertSalespersonRow(this->session(), e);
    }
    return Variant();
  });
}

// ---- Cash box ----

MovimientoCaja::MovimientoCaja(std::shared_ptr<HostSession> session, int64_t numero)
    : HostObject(std::move(session), "MovCaja"), numero_(numero) {
  getter("Numero", [this](CallArgs&) { return booksNumber(numero_); });
  getter("Enviado", [this](CallArgs&) {
    auto st = this->session().db().prepare("SELECT enviado FROM movimientos_caja WHERE numero = ?");
    st.bind(1, numero_);
    return Variant(st.step() && st.columnInt(0) != 0);
  });
}

Sesion::Sesion(std::shared_ptr<HostSession> session) : HostObject(std::move(session), "Sesion") {
  method("RegistrarRetiro", [this](CallArgs& a) {
    a.expect(6, 6);
    int16_t tipo = automation::cInt(a.at(0));
    Currency monto = automation::cCur(a.at(1));
    std::string descripcion = automation::cStr(a.at(2));
    // a.at(3): the document that backs the withdrawal; none is kept for commission payments.
    std::string codigo = automation::cStr(a.at(4));
    std::string vendedor = automation::cStr(a.at(5));
    Variant* named = a.named("Beneficiario");
    std::string beneficiario = named ? automation::cStr(*named) : std::string();
    if (tipo != 1)
      raiseHost(hosterr::kInvalidArgument,
                "cash box movement type " + std::to_string(tipo) + " is not a withdrawal (1)");
    if (monto <= Currency())
      raiseHost(hosterr::kInvalidArgument,
                "a cash withdrawal needs an amount above zero (got " + monto.toString() + ")");
    auto st = this->session().db().prepare(
        "INSERT INTO movimientos_caja (tipo, fecha, monto, descripcion, codigo, vendedor, "
        "beneficiario) VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING numero");
    st.bind(1, static_cast<int64_t>(tipo));
    st.bind(2, Variant(automation::today().dateOnly()));
    st.bind(3, Variant(monto));
    st.bind(4, descripcion);
    st.bind(5, codigo);
    st.bind(6, vendedor);
    st.bind(7, beneficiario);
    const int64_t numero = insertedNumber(st);
    last_ = std::make_shared<MovimientoCaja>(sessionPtr(), numero);
    return booksNumber(numero);
  });
  getter("UltimoMovCaja", [this](CallArgs&) {
    return last_ ? Variant(automation::ObjectRef(last_)) : Variant::nothing();
  });
}

void submitDocument(HostSession& session, const Variant& doc) {
  auto* movement = doc.isObject() && !doc.isNothing()
                       ? dynamic_cast<MovimientoCaja*>(doc.asObject().get())
                       : nullptr;
  if (!movement || &movement->session() != &session)
    throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                            "SubmitDoc: the document is not a cash movement of these books");
  auto st = session.db().prepare("UPDATE movimientos_caja SET enviado = 1 WHERE numero = ?");
  st.bind(1, movement->numero());
  st.run();
  if (st.changes() == 0)
    raiseHost(hosterr::kNotFound,
              "SubmitDoc: cash movement " + std::to_string(movement->numero()) + " does not exist");
}

// ---- Bank movements ----

int64_t registerBankMovement(HostSession& session, const std::string& bankCode, CallArgs& a) {
  a.expect(8, 8);
  BankDocument doc;
  doc.kind = automation::cInt(a.at(0));
  doc.date = automation::cDate(a.at(1)).dateOnly();
  doc.description = automation::cStr(a.at(2));
  doc.beneficiary = automation::cStr(a.at(3));
  doc.amount = automation::cCur(a.at(4));
  doc.reference = automation::cStr(a.at(5));
  doc.valueDate = automation::cDate(a.at(6)).dateOnly();
  Comprobante* voucher = voucherArgument(session, a.at(7), "RegistrarMovimiento");
  Variant* imprimir = a.named("Imprimir");
  bool print = imprimir && automation::cBool(*imprimir);

  if (doc.kind != BankDocument::Cheque && doc.kind != BankDocument::Transfer)
    raiseHost(hosterr::kInvalidArgument, "bank movement type " + std::to_string(doc.kind) +
                                             " is neither a cheque (0) nor a transfer (4)");
  if (doc.amount <= Currency())
    raiseHost(hosterr::kInvalidArgument,
              "a bank movement needs an amount above zero (got " + doc.amount.toString() + ")");
  requireUsableReference(doc.reference);
  const std::string trimmed(text::trim(doc.reference));
  if (trimmed.empty())
    raiseHost(hosterr::kInvalidArgument, "a cheque or transfer needs its number (reference)");
  if (voucher) voucher->requireOpen();

  Database& db = session.db();
  auto bank = db.prepare("SELECT nombre, cuenta, proximo_cheque FROM bancos WHERE codigo = ?");
  bank.bind(1, bankCode);
  if (!bank.step()) raiseHost(hosterr::kNotFound, "the bank " + bankCode + " is not in the books");
  doc.bankCode = bankCode;
  doc.bankName = bank.columnText(0);
  std::string account = bank.columnText(1);
  bank.reset();

  Savepoint unit(db);
  const bool cheque = doc.kind == BankDocument::Cheque;
  if (cheque) {
    // The next cheque follows the one just issued; a reference that is not a plain number still
    // uses up one cheque. Moving it first holds the bank's row, so that two hosts issuing cheques
    // of one bank at once take turns and the second sees the first one's cheque below.
    const std::string key = chequeKey(trimmed);
    const bool numeric = key.size() <= 15 && key.find_first_not_of("0123456789") == std::string::npos;
    if (numeric) {
      const int64_t next = std::stoll(key) + 1;
      auto advance = db.prepare(
          "UPDATE bancos SET proximo_cheque = CASE WHEN proximo_cheque < ? THEN ? ELSE "
          "proximo_cheque END "
          "WHERE codigo = ?");
      advance.bind(1, next);
      advance.bind(2, next);
      advance.bind(3, bankCode);
      advance.run();
    } else {
      auto advance =
          db.prepare("UPDATE bancos SET proximo_cheque = proximo_cheque + 1 WHERE codigo = ?");
      advance.bind(1, bankCode);
      advance.run();
    }
    // Compared here rather than in SQL, so that both sides are trimmed by the same rule and a
    // number matches by its value whatever zeros lead it.
    auto issued = db.prepare("SELECT referencia FROM movimientos_banco WHERE banco = ? AND tipo = 0");
    issued.bind(1, bankCode);
    while (issued.step()) {
      if (chequeKey(text::trim(issued.columnText(0))) != key) continue;
      issued.reset();
      raiseHost(hosterr::kInvalidArgument,
                "cheque " + trimmed + " of bank " + bankCode + " was already issued");
    }
  }
  auto insert = db.prepare(
      "INSERT INTO movimientos_banco (banco, tipo, fecha, descripcion, beneficiario, monto, "
      "referencia, fecha_valor, impreso) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING numero");
  insert.bind(1, bankCode);
  insert.bind(2, static_cast<int64_t>(doc.kind));
  insert.bind(3, Variant(doc.date));
  insert.bind(4, doc.description);
  insert.bind(5, doc.beneficiary);
  insert.bind(6, Variant(doc.amount));
  insert.bind(7, doc.reference);
  insert.bind(8, Variant(doc.valueDate));
  insert.bind(9, static_cast<int64_t>(print ? 1 : 0));
  doc.movement = insertedNumber(insert);

  std::filesystem::path tempPath;
  std::string finalName;
  if (print) {
    std::error_code ec;
    std::filesystem::create_directories(session.options().printDir, ec);
    if (ec)
      raiseHost(hosterr::kPrinting, "cannot create the print folder " +
                                        session.options().printDir.string() + ": " + ec.message());
    finalName = printFileName(doc, printTag(db));
    tempPath = pendingPrintout(session.options().printDir, finalName);
    renderBankDocument(doc, session.options().symbols, tempPath);
  }
  try {
    unit.release();
  } catch (...) {
    if (print) {
      std::error_code ec;
      std::filesystem::remove(tempPath, ec);
    }
    throw;
  }
  if (voucher) voucher->addBankLine(doc.movement, {account, doc.description, -doc.amount});
  if (print) {
    // A printout that cannot take its name stays pending; the payment stands, the operator is
    // told, and the next start makes it final.
    db.afterOutcome(
        [tempPath, finalName, movement = doc.movement] {
          try {
            makePrintoutFinal(tempPath, finalName);
          } catch (const automation::Error& e) {
            raiseHost(hosterr::kPrinting, "bank movement " + std::to_string(movement) +
                                              " is recorded, but its printout is not in place: " +
                                              e.description());
          }
        },
        [tempPath] {
          std::error_code ec;
          std::filesystem::remove(tempPath, ec);
        });
  }
  for (const auto& e : db.takeLateFailures()) session.ui().error(e);
  return doc.movement;
}

}  // namespace host
