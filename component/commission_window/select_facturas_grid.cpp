// SelectFacturas: what a double-click, Space or Enter does on the invoice grid: mark or unmark an
// invoice for crediting, open the invoice or its customer in the host's viewers, or change the
// commission (select_facturas_ajuste.cpp).

#include <functional>
#include <stdexcept>

#include "automation/error.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "host/documentos.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;

namespace {

constexpr const char* kMarcado = "SI";
constexpr const char* kNoMarcado = "NO";

// Runs one step with its errors trapped: a failing step is skipped and the caller goes on.
// Returns whether the step ran to its end.
bool paso(const std::function<void()>& f) {
  try {
    f();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

void SelectFacturas::detalles_GotFocus() {
  mostrarAyuda(
      "DobleClick ([Espacio][Intro]): [\"Factura\"=Ver documento] [\"Comision\"=Modificar comision] "
      "[\"%Comis\"=Modificar porcentaje] [\"Acreditar\"=marcar/desmarcar]");
}

void SelectFacturas::detalles_DblClick() { accionDetalles(); }

void SelectFacturas::detalles_KeyPress(int16_t& KeyAscii) {
  if (KeyAscii == forms::keys::kEnter || KeyAscii == forms::keys::kSpace) accionDetalles();
}

void SelectFacturas::accionDetalles() {
  forms::Grid& grid = *detalles;
  // A header row, or a row whose Fecha is empty, holds no invoice.
  if (grid.row() < grid.fixedRows()) return;
  if (grid.textMatrix(grid.row(), col::kFecha).empty()) return;

  switch (grid.col()) {
    case col::kFactura:
      mostrarFactura();
      break;
    case col::kComision:
      inputComision();
      break;
    case col::kPComis:
      inputPComis();
      break;
    case col::kAcreditar:
      toggleAcreditar();
      break;
    case col::kNombreCliente:
      mostrarCliente();
      break;
    default:
      break;
  }
}

void SelectFacturas::toggleAcreditar() {
  // Every step has its errors trapped; only a commission that cannot be read stops the toggle.
  int fila = 0;
  automation::Currency comision;
  if (!paso([&] {
        fila = detalles->row();
        comision = automation::cCur(automation::Variant(detalles->textMatrix(fila, col::kComision)), simbolos());
      })) {
    return;
  }

  const char* marca = kMarcado;
  int64_t signo = 1;
  paso([&] {
    if (detalles->textMatrix(fila, col::kAcreditar) == kMarcado) {
      marca = kNoMarcado;
      signo = -1;
    } else {
      hayCambios = true;
    }
  });
  paso([&] { detalles->setTextMatrix(fila, col::kAcreditar, marca); });
  paso([&] { comisionAcreditar = signo < 0 ? comisionAcreditar - comision : comisionAcreditar + comision; });
  paso([&] { lblComisionAcreditada->setCaption(formato(automation::Variant(comisionAcreditar), mascara)); });
}

void SelectFacturas::mostrarFactura() {
  const host::Factura factura(Globales::crearObjeto("Factura"));
  automation::Variant numero(automation::cLng(automation::Variant(detalles->textMatrix(detalles->row(), col::kNumero)), simbolos()));
  const automation::Variant cargada = factura.load(numero);
  if (!cargada.isNull() && automation::cBool(cargada)) {
    factura.show();
  } else {
    Utilidades::mostrarMensaje("Error: no se puede cargar la factura");
  }
}

void SelectFacturas::mostrarCliente() {
  const host::Cliente cliente(Globales::crearObjeto("CLIENTE"));
  const std::string codigo = detalles->textMatrix(detalles->row(), col::kCodigoCliente);
  const automation::Variant cargado = cliente.load(codigo);
  if (!cargado.isNull() && automation::cBool(cargado)) cliente.show();
}

}  // namespace tessaline
