#include "number_dialog/f_get_numero.h"

#include <cmath>

#include "automation/error.h"
#include "entry/globales.h"
#include "estilo/botones.h"
#include "forms/application.h"
#include "anfitrion/host_factory.h"
#include "anfitrion/tema.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;

namespace {

// Geometry is single precision in twips; controls take whole twips.
int twips(float v) { return static_cast<int>(std::lround(v)); }

}  // namespace

fGetNumero::fGetNumero() : Window("fGetNumero") {}

fGetNumero::~fGetNumero() = default;

void fGetNumero::build() {
  setCaption("...");
  setBorderStyle(forms::BorderStyle::FixedDialog);
  setMinButton(false);
  setMaxButton(false);
  setShowInTaskbar(false);
  setStartUpPosition(forms::StartUpPosition::Manual);
  setClientSize(3390, 1440);

  using enum forms::ControlKind;
  static const forms::ControlDesign kDiseno[] = {
      {Label, "Label1", "", {90, 180, 480, 195}, "Label1", 0, {.autoSize = true}},
      {NumberEntryBox, "Velnor1", "", {975, 120, 2160, 315}, "", 1,
       {.back = forms::colors::kWhite, .fore = forms::colors::kBlack, .showCalc = true}},
      {ActionButton, "cbOk", "", {45, 615, 1515, 510}, "Procesar", 2, {.isDefault = true}},
      {ActionButton, "cbCancelar", "", {1620, 615, 1515, 510}, "Cancelar", 3, {.isCancel = true}},
  };
  addDesign(kDiseno);

  forms::ThemeColors theme;
  theme.backFocused = forms::colors::kWhite;
  theme.foreFocused = forms::colors::kBlack;
  theme.border = forms::colors::kBlack;
  theme.borderFocused = forms::colors::kBlack;
  Velnor1->setThemeColors(theme);
  Velnor1->setFont(forms::Font{"MS Sans Serif", 8.25});
  for (forms::ActionButton* b : {cbOk.get(), cbCancelar.get()}) asActionButton(*b, b->caption());

  cbOk->onClick = [this] { cbOk_Click(); };
  cbCancelar->onClick = [this] { cbCancelar_Click(); };
  onLoad = [this] { Form_Load(); };
}

void fGetNumero::Form_Load() {
  automation::Variant ventana(asObject());
  anfitrion::TemaUI(Globales::temaUI()).aplicarTema(ventana);
  Utilidades::prepararForm(*this);
  const anfitrion::HostFactory factoria(Globales::factoria());
  cbOk->setIcon(anfitrion::Picture(factoria.getSysIcon(25)).iconName());
  cbCancelar->setIcon(anfitrion::Picture(factoria.getSysIcon(8)).iconName());
}

void fGetNumero::preparar(const std::string& swTitle, const std::string& sCaption, const automation::Variant& vDefVal) {
  setCaption(swTitle);
  Label1->setCaption(sCaption);
  if (!vDefVal.isMissing()) Velnor1->setValue(vDefVal);

  // The dialog widens to the prompt; the buttons stay right-aligned.
  const float boxLeft = static_cast<float>(Label1->width()) + 360.0f;
  Velnor1->setLeft(twips(boxLeft));
  setWidth(twips(boxLeft + 2325.0f));
  const float cancelLeft = static_cast<float>(clientWidth()) + 120.0f - 1680.0f;
  cbCancelar->setLeft(twips(cancelLeft));
  cbOk->setLeft(twips(cancelLeft - 1575.0f));
  Utilidades::prepararForm(*this);
}

void fGetNumero::SetParams(const std::string& swTitle, const std::string& sCaption, const automation::Variant& vDefVal) {
  preparar(swTitle, sCaption, vDefVal);
  show(true);
}

void fGetNumero::SetParamsNoShow(const std::string& swTitle, const std::string& sCaption,
                                 const automation::Variant& vDefVal) {
  preparar(swTitle, sCaption, vDefVal);
}

void fGetNumero::descargar() { unload(); }

automation::Variant fGetNumero::Entrada() { return automation::Variant(automation::cDbl(Velnor1->valueVariant())); }

double fGetNumero::GetNumeroWithError(const std::string& Text, const std::string& Formato,
                                      const std::string& frmCaption, automation::Currency vDefault) {
  SetParamsNoShow(frmCaption, Text, automation::Variant(vDefault));
  if (!Formato.empty()) Velnor1->setFormat(Formato);
  show(true);
  const double valor = valorAceptado_;
  unload();
  if (!aceptado_) throw automation::Error(kErrorCancelado, kFuenteCancelado, kDescripcionCancelado);
  return valor;
}

double fGetNumero::GetNumero(automation::Variant vDefault, const std::string& Text, const std::string& Formato,
                             const std::string& frmCaption) {
  const automation::Variant copia = vDefault;
  SetParamsNoShow(frmCaption, Text, copia);
  if (!Formato.empty()) Velnor1->setFormat(Formato);
  Velnor1->setValue(copia);
  show(true);
  const double valor = valorAceptado_;
  unload();
  if (aceptado_) return valor;
  return automation::cDbl(copia, application().regionalSettings().symbols());
}

void fGetNumero::cbOk_Click() {
  aceptado_ = true;
  valorAceptado_ = automation::cDbl(Velnor1->valueVariant());
  unload();
}

void fGetNumero::cbCancelar_Click() {
  aceptado_ = false;
  unload();
}

}  // namespace tessaline
