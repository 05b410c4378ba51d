#pragma once
// A commission cut: what "Procesar" writes to the host's books, as named steps over the invoice
// list, under the host's named lock and inside one host transaction.
//
//   std::vector<automation::Error> alLiberar;   // failures of the abort or of freeing the lock
//   procesarCorte(lista, datos, simbolos, alLiberar, [&] { /* clear the window, under the lock */ });
//
// Every step reads the typed rows; none reads a window.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/variant.h"
#include "commission_window/lista_facturas.h"
#include "anfitrion/documentos.h"
#include "anfitrion/host_factory.h"

namespace tessaline {

enum class MedioPago { Efectivo, Cheque, Transferencia, NoPagar };

// What the cut takes from the window besides the rows.
struct DatosCorte {
  std::string codigoVendedor;
  std::string nombreVendedor;
  MedioPago medio = MedioPago::NoPagar;
  std::string codigoBanco;
  std::string referencia;  // the cheque or transfer number
  // The bank's record, asked for when the payment is recorded.
  std::function<automation::ObjectRef()> banco;
};

// Error numbers of the conflicts found inside the lock.
inline constexpr int32_t kErrorYaAcreditadas = automation::err::kObjectErrorBase + 513;
inline constexpr int32_t kErrorModificadas = automation::err::kObjectErrorBase + 514;

// The named lock and the transaction of one cut. Made: takes the lock, then starts the
// transaction. Gone out of scope: aborts the transaction unless it was committed, then frees the
// lock (asking twice when the first release fails). Failures of the abort and of the freeing
// cannot leave a destructor: they are added to the caller's list, to be reported after the cut's
// own error.
class TransaccionCorte final {
 public:
  TransaccionCorte(anfitrion::HostFactory factoria, std::vector<automation::Error>& erroresAlLiberar);
  ~TransaccionCorte();
  TransaccionCorte(const TransaccionCorte&) = delete;
  TransaccionCorte& operator=(const TransaccionCorte&) = delete;

  void confirmar();
  bool confirmada() const { return confirmada_; }

 private:
  void liberar() noexcept;

  anfitrion::HostFactory factoria_;
  std::vector<automation::Error>& errores_;
  bool confirmada_ = false;
};

class Corte final {
 public:
  // Every row's key is read here: a key that does not convert stops the cut.
  Corte(const ListaFacturas& lista, DatosCorte datos, const automation::NumberSymbols& simbolos);

  // There is an amount to credit (above zero).
  bool hayQueAcreditar() const;

  // The invoices the cut would write, checked against the books: one credited or whose commission
  // changed since the list was loaded (someone else's work) stops the cut before anything is
  // written.
  void verificarConflictos() const;
  // Commissions the operator changed by more than the tolerance.
  void escribirComisiones() const;
  // Opens the voucher, credits each marked invoice and posts its salesperson line.
  void acreditarFacturas();
  // The commission expense on the voucher.
  void asentarGasto() const;
  // The payment by the chosen method (bank movement, cash withdrawal or none) and its
  // salesperson line.
  void registrarPago();
  void cerrarComprobante() const;

 private:
  // The rows processing writes: the marked ones when there is something to credit, and every one
  // whose commission changed.
  std::vector<const FilaFactura*> filasAEscribir() const;

  const ListaFacturas& lista_;
  DatosCorte datos_;
  const automation::NumberSymbols& simbolos_;
  anfitrion::HostFactory factoria_;
  std::string textoComprobante_;
  std::string textoPago_;
  std::optional<anfitrion::Comprobante> comprobante_;
  std::optional<anfitrion::DetalleCE> detalle_;
};

// The cut from the lock to its release: lock and transaction, the check against the books, the
// commissions, the credited invoices, the voucher's expense, the payment, the voucher posted,
// the commit, then `despuesDeConfirmar` while the lock is still held. An error raised before the
// commit leaves with everything undone (the transaction aborted, the lock freed).
void procesarCorte(const ListaFacturas& lista, DatosCorte datos, const automation::NumberSymbols& simbolos,
                   std::vector<automation::Error>& erroresAlLiberar, const std::function<void()>& despuesDeConfirmar);

}  // namespace tessaline
