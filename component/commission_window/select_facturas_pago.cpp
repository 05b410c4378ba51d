// SelectFacturas: the payment method (cash, cheque, transfer or credit only), the bank fields that
// follow it, the remembered option, and what the window saves when it closes.

#include <array>

#include "automation/object.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "anfitrion/documentos.h"
#include "profile/settings_store.h"
#include "settings/lm_form_placement.h"
#include "settings/lm_get_setting.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;

namespace {

// The remembered option: the name of the selected option button.
constexpr const char* kAppMedioPago = "Hollowmere";
constexpr const char* kSeccionMedioPago = "Transient";
constexpr const char* kClaveMedioPago = "optQuorvane";
constexpr const char* kMedioPagoPorDefecto = "optNoPagar";

}  // namespace

void SelectFacturas::restoreMedioPago() {
  std::string nombre = automation::cStr(lmGetSetting::GetSetting(kAppMedioPago, kSeccionMedioPago, kClaveMedioPago, ""));
  if (nombre.empty()) nombre = kMedioPagoPorDefecto;

  // Only the four payment options can be remembered; any other name (a misspelt option, or some
  // other control of the window) counts as matching nothing.
  const std::array<forms::OptionButton*, 4> opciones = {optEfectivo.get(), optCheque.get(), optTransferencia.get(),
                                                        optNoPagar.get()};
  forms::OptionButton* elegida = optNoPagar.get();
  for (forms::OptionButton* o : opciones) {
    if (automation::sameName(o->name(), nombre)) elegida = o;
  }

  if (elegida->value()) {
    // Already selected by design: selecting it again raises no Click, so its click handling runs
    // here and the bank fields take the state that belongs to the option.
    runHandler(elegida->onClick);
  } else {
    elegida->setValue(true);
  }
}

void SelectFacturas::Form_Unload(bool& /*Cancel*/) {
  lmFormPlacement::saveFormPlacement(*this, "");

  std::string medio;
  for (const auto* o : {optEfectivo.get(), optCheque.get(), optTransferencia.get(), optNoPagar.get()}) {
    if (o->value()) {
      medio = o->name();
      break;
    }
  }
  profile::SettingsStore::forCurrentUser().set(kAppMedioPago, kSeccionMedioPago, kClaveMedioPago, medio);
}

void SelectFacturas::optEfectivo_Click() {
  codigoBanco->setText("");
  refMovBanco->setText("");
  Utilidades::deshabilitar(*codigoBanco);
  Utilidades::deshabilitar(*refMovBanco);
}

void SelectFacturas::optNoPagar_Click() {
  codigoBanco->setText("");
  refMovBanco->setText("");
  Utilidades::deshabilitar(*codigoBanco);
  Utilidades::deshabilitar(*refMovBanco);
}

void SelectFacturas::optCheque_Click() {
  Utilidades::habilitar(*codigoBanco);
  Utilidades::habilitar(*refMovBanco);
  mostrarAyuda("El pago se realizará mediante la emision de un cheque");
}

void SelectFacturas::optTransferencia_Click() {
  Utilidades::habilitar(*codigoBanco);
  Utilidades::habilitar(*refMovBanco);
}

void SelectFacturas::optEfectivo_GotFocus() { mostrarAyuda("El pago se realizará mediante un egreso de caja"); }

void SelectFacturas::optTransferencia_GotFocus() { mostrarAyuda("El pago se realizará contra una transferencia"); }

void SelectFacturas::optNoPagar_GotFocus() { mostrarAyuda("Solo se acreditarán las comisiones al vendedor"); }

void SelectFacturas::codigoBanco_GotFocus() {
  mostrarAyuda("Introduzca el codigo del banco contra el cual se emitirá el pago");
}

void SelectFacturas::codigoBanco_Validate(bool& Cancel) {
  codigoBanco->setText(recortarMayusculas(codigoBanco->text()));
  const std::string codigo = codigoBanco->text();

  const automation::ObjectRef registro = codigoBanco->registro();
  if (!registro) {
    if (codigo.empty()) return;
    // A code the box did not resolve may still be one the host's bank object knows.
    const anfitrion::Banco banco(Globales::crearObjeto("banco"));
    const automation::Variant valido = banco.validarCodigo(codigo);
    if (!valido.isNull() && !automation::cBool(valido)) Cancel = true;
    return;
  }
  if (optCheque->value()) refMovBanco->setText(anfitrion::BancoRegistro(registro).proximoCheque());
}

}  // namespace tessaline
