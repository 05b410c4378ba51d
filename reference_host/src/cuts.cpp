#include "host/cuts.h"

#include <system_error>

#include "host/printing.h"

namespace host {

namespace {

// One row per voucher that has salesperson-account lines; plain SQL both drivers run.
constexpr const char* kCutsSql = R"sql(
SELECT c.numero, c.fecha, cv.vendedor, v.nombre, cv.lineas,
  (SELECT SUM(l.monto) FROM comprobante_lineas l
    WHERE l.comprobante = c.numero AND l.cuenta = e.CuentaGastosComisiones) AS MontoTotal,
  (SELECT COUNT(*) FROM comprobante_lineas l
    WHERE l.comprobante = c.numero AND l.cuenta = e.CuentaCaja) AS lineas_caja,
  mb.numero, mb.tipo, mb.banco, mb.referencia, mb.impreso
FROM comprobantes c
JOIN (SELECT comprobante, MIN(vendedor) AS vendedor, COUNT(*) AS lineas FROM cuenta_vendedor
      WHERE comprobante IS NOT NULL GROUP BY comprobante) cv ON cv.comprobante = c.numero
CROSS JOIN empresa e
LEFT JOIN vendedores v ON v.codigo = cv.vendedor
LEFT JOIN movimientos_banco mb ON mb.comprobante = c.numero
ORDER BY c.fecha DESC, c.numero DESC)sql";

}  // namespace

const char* methodText(ProcessedCut::Method m) {
  switch (m) {
    case ProcessedCut::Method::Cash:
      return "Efectivo";
    case ProcessedCut::Method::Cheque:
      return "Cheque";
    case ProcessedCut::Method::Transfer:
      return "Transferencia";
    case ProcessedCut::Method::CreditOnly:
      break;
  }
  return "Solo acreditado";
}

std::vector<ProcessedCut> processedCuts(Database& db, const std::filesystem::path& printDir) {
  std::vector<ProcessedCut> out;
  const std::string tag = printTag(db);
  auto st = db.prepare(kCutsSql);
  while (st.step()) {
    ProcessedCut cut;
    cut.voucher = st.columnInt(0);
    cut.date = automation::cDate(st.value(1));
    cut.salesperson = st.columnText(2);
    if (!st.isNull(3)) cut.salespersonName = st.columnText(3);
    if (!st.isNull(5)) cut.amount = st.columnCurrency(5);
    const bool byBank = !st.isNull(7);
    if (byBank) {
      const bool cheque = st.columnInt(8) == BankDocument::Cheque;
      cut.method = cheque ? ProcessedCut::Method::Cheque : ProcessedCut::Method::Transfer;
      cut.bank = st.columnText(9);
      cut.document = st.columnText(10);
      if (st.columnInt(11) != 0) {
        BankDocument doc;
        doc.kind = cheque ? BankDocument::Cheque : BankDocument::Transfer;
        doc.movement = st.columnInt(7);
        doc.bankCode = cut.bank;
        doc.reference = cut.document;
        std::error_code ec;
        auto file = printDir / printFileName(doc, tag);
        if (std::filesystem::is_regular_file(file, ec)) cut.printout = std::move(file);
      }
    } else if (st.columnInt(6) > 0) {
      cut.method = ProcessedCut::Method::Cash;
    }
    // The payment's own line is not an invoice.
    const bool paid = cut.method != ProcessedCut::Method::CreditOnly;
    cut.invoices = st.columnInt(4) - (paid ? 1 : 0);
    out.push_back(std::move(cut));
  }
  return out;
}

}  // namespace host
