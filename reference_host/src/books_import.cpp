// Copying books from a SQLite file into another database (how an office moves its books to a
// server), and the totals that show the copy is whole.

#include <string>

#include "automation/error.h"
#include "host/books.h"
#include "host/errors.h"
#include "text/text.h"

namespace host {

using automation::Currency;
using automation::Variant;

namespace {

struct BooksTable {
  const char* name;
  std::vector<const char*> columns;
  std::vector<const char*> money;  // the columns whose sums are checked
};

// In an order that writes every referenced row before the rows that refer to it.
const std::vector<BooksTable>& booksTables() {
  static const std::vector<BooksTable> tables = {
      {"empresa",
       {"id", "nombre", "MascaraMonetarios", "PComisVenta1", "PComisVenta2", "PComisVenta3",
        "PComisCobranza1", "PComisCobranza2", "PComisCobranza3", "CuentaGastosComisiones",
        "CuentaCaja", "CuentaVendedores"},
       {"PComisVenta1", "PComisVenta2", "PComisVenta3", "PComisCobranza1", "PComisCobranza2",
        "PComisCobranza3"}},
      {"vendedores", {"codigo", "nombre"}, {}},
      {"clientes", {"codigo", "nombre"}, {}},
      {"bancos", {"codigo", "nombre", "cuenta", "proximo_cheque"}, {}},
      {"Facturas",
       {"Numero", "Serie", "Correlativo", "FechaTransaccion", "CodigoCliente", "nombreCliente",
        "codigoVendedor", "PrecioEfectivo", "Impuesto1", "Impuesto2", "Saldo", "Comision",
        "ComisionAcreditada"},
       {"PrecioEfectivo", "Impuesto1", "Impuesto2", "Saldo", "Comision"}},
      {"comprobantes", {"numero", "fecha", "referencia", "descripcion"}, {}},
      {"comprobante_lineas", {"comprobante", "linea", "cuenta", "descripcion", "monto"}, {"monto"}},
      {"cuenta_vendedor",
       {"id", "tipo", "vendedor", "codigo", "fecha", "descripcion", "monto", "comprobante"},
       {"monto"}},
      {"movimientos_banco",
       {"numero", "banco", "tipo", "fecha", "descripcion", "beneficiario", "monto", "referencia",
        "fecha_valor", "comprobante", "impreso"},
       {"monto"}},
      {"movimientos_caja",
       {"numero", "tipo", "fecha", "monto", "descripcion", "codigo", "vendedor", "beneficiario",
        "enviado"},
       {"monto"}},
  };
  return tables;
}

std::string joined(const std::vector<const char*>& names, const std::string& each = "") {
  std::string out;
  for (const char* n : names)
    out += (out.empty() ? "" : ", ") + (each.empty() ? n : each + "(" + n + ")");
  return out;
}

std::string insertSql(const BooksTable& t, size_t rows) {
  std::string one = "(";
  for (size_t c = 0; c < t.columns.size(); ++c) one += c ? ", ?" : "?";
  one += ")";
  std::string sql = std::string("INSERT INTO ") + t.name + " (" + joined(t.columns) + ") VALUES ";
  for (size_t r = 0; r < rows; ++r) sql += (r ? ", " : "") + one;
  return sql;
}

std::string describeTotals(const TableTotals& t) {
  std::string s = t.table + ": " + std::to_string(t.rows) + " rows";
  for (const auto& [column, sum] : t.sums) s += ", " + column + " " + sum.toString();
  return s;
}

}  // namespace

void checkBooksValue(std::string_view table, std::string_view column, const Variant& value, int64_t row) {
  auto refuse = [&](const std::string& why) {
    raiseHost(hosterr::kInvalidArgument,
              "row " + std::to_string(row) + " of table " + std::string(table) + " cannot be written: " + why);
  };
  if (text::equalsNoCase(table, "Facturas") && text::equalsNoCase(column, "Numero")) {
    const bool whole = value.type() == automation::VarType::Long || value.type() == automation::VarType::Double;
    const double n = whole ? automation::cDbl(value) : 0;
    if (!whole || n < 1 || n > 2147483647 || n != static_cast<double>(static_cast<int64_t>(n)))
      refuse("the invoice number " + automation::cStr(value) +
             " is not a whole number from 1 to 2147483647, the invoice numbers the component can hold");
  }
  const bool code = ((text::equalsNoCase(table, "vendedores") || text::equalsNoCase(table, "bancos")) &&
                     text::equalsNoCase(column, "codigo")) ||
                    (text::equalsNoCase(table, "Facturas") && text::equalsNoCase(column, "codigoVendedor"));
  if (code && value.type() == automation::VarType::String) {
    const std::string& written = value.asString();
    const std::string looked = text::upperCode(written);
    if (written != looked)
      refuse("the code '" + written + "' is not written as the windows look codes up ('" + looked +
             "': in capitals, without blanks at either end)");
  }
}

std::vector<TableTotals> booksTotals(Database& db) {
  std::vector<TableTotals> out;
  for (const auto& t : booksTables()) {
    std::string sql = "SELECT count(*)";
    if (!t.money.empty()) sql += ", " + joined(t.money, "sum");
    auto st = db.prepare(sql + " FROM " + t.name);
    st.step();
    TableTotals totals{t.name, st.columnInt(0), {}};
    for (size_t m = 0; m < t.money.size(); ++m)
      totals.sums.emplace_back(t.money[m], st.columnCurrency(static_cast<int>(m + 1)));
    out.push_back(std::move(totals));
  }
  return out;
}

std::vector<TableTotals> importBooks(Database& target, const std::filesystem::path& file) {
  if (isServerLocation(file.string()))
    raiseHost(hosterr::kInvalidArgument,
              "books are imported from a SQLite books file, not from a server");
  auto source = Database::open(file.string());
  source->checkIntegrity();
  auto turn = target.lock("tessaline-books-setup", 60);
  Transaction txn(target);
  if (target.hasBooks())
    raiseHost(hosterr::kDatabase,
              "the database " + target.describe() +
                  " holds books already; books are imported only into an empty one");
  createSchema(target);

  std::vector<TableTotals> read;
  for (const auto& t : booksTables()) {
    const size_t width = t.columns.size();
    const size_t batch =
        4000 / width;  // a few hundred rows a statement; its description stays small
    auto rows =
        source->prepare("SELECT " + joined(t.columns) + " FROM " + t.name + " ORDER BY rowid");
    TableTotals totals{t.name, 0, {}};
    std::vector<size_t> moneyAt;
    for (const char* m : t.money) {
      totals.sums.emplace_back(m, Currency());
      for (size_t c = 0; c < width; ++c)
        if (std::string_view(t.columns[c]) == m) moneyAt.push_back(c);
    }
    std::vector<Variant> pending;
    auto flush = [&] {
      const size_t count = pending.size() / width;
      if (count == 0) return;
      auto insert = target.prepare(insertSql(t, count));
      for (size_t i = 0; i < pending.size(); ++i) insert.bind(static_cast<int>(i + 1), pending[i]);
      insert.run();
      pending.clear();
    };
    while (rows.step()) {
      ++totals.rows;
      for (size_t c = 0; c < width; ++c) {
        try {
          pending.push_back(rows.value(static_cast<int>(c)));
        } catch (const automation::Error& e) {
          raiseHost(hosterr::kDatabase, std::string("row ") + std::to_string(totals.rows) +
                                            " of table " + t.name +
                                            " cannot be copied: " + e.description());
        }
        checkBooksValue(t.name, t.columns[c], pending.back(), totals.rows);
      }
      for (size_t m = 0; m < moneyAt.size(); ++m)
        totals.sums[m].second += rows.columnCurrency(static_cast<int>(moneyAt[m]));
      if (pending.size() == batch * width) flush();
    }
    flush();
    read.push_back(std::move(totals));
  }
  target.continueNumbering();

  const auto written = booksTotals(target);
  for (size_t i = 0; i < read.size(); ++i)
    if (written[i] != read[i])
      raiseHost(hosterr::kDatabase,
                "the copy does not match the books file, so nothing was kept: the file has " +
                    describeTotals(read[i]) + "; the copy has " + describeTotals(written[i]));
  txn.commit();
  return written;
}

std::string totalsText(const TableTotals& t) {
  return describeTotals(t);
}

}  // namespace host
