#pragma once
// fGetNumero: a small modal dialog that asks the operator for one number.
//
//   auto dlg = std::make_shared<fGetNumero>();   // a fresh dialog for every question
//   double v = dlg->GetNumeroWithError("Nueva comision para la factura", mascara,
//                                      "Ajuste de comisiones", comision);  // error 10001 on cancel
//
// The answer (accepted flag and value) is kept in the dialog object itself, so it stays readable
// after the window has been closed; touching the window again loads it again.

#include <cstdint>
#include <string>

#include "automation/currency.h"
#include "automation/variant.h"
#include "entry/live_objects.h"
#include "forms/controls.h"
#include "forms/window.h"

namespace tessaline {

// The cancellation GetNumeroWithError reports.
inline constexpr int32_t kErrorCancelado = 10001;
inline constexpr const char* kFuenteCancelado = "frmGetNum";
inline constexpr const char* kDescripcionCancelado = "frmGetNum:Cancel";

class fGetNumero final : public forms::Window {
 public:
  fGetNumero();
  ~fGetNumero() override;

  // Caption, prompt (the dialog widens to it) and, when given, the starting value; then shows the
  // dialog modally and returns once it is closed.
  void SetParams(const std::string& swTitle, const std::string& sCaption,
                 const automation::Variant& vDefVal = automation::Variant::missing());
  // The same preparation without showing the dialog.
  void SetParamsNoShow(const std::string& swTitle, const std::string& sCaption,
                       const automation::Variant& vDefVal = automation::Variant::missing());
  // Closes (unloads) the window.
  void descargar();
  // The entry box's current value, as a Double.
  automation::Variant Entrada();
  // Asks and returns the accepted number; on cancellation (button, Esc, close box) raises error
  // 10001 "frmGetNum:Cancel" from "frmGetNum", after the window has been closed.
  double GetNumeroWithError(const std::string& Text, const std::string& Formato = "",
                            const std::string& frmCaption = "Informacion requerida",
                            automation::Currency vDefault = automation::Currency());
  // Asks and returns the accepted number; on cancellation returns vDefault as a Double.
  double GetNumero(automation::Variant vDefault, const std::string& Text, const std::string& Formato = "",
                   const std::string& frmCaption = "");

 protected:
  void build() override;

 private:
  void Form_Load();
  void cbOk_Click();
  void cbCancelar_Click();
  void preparar(const std::string& swTitle, const std::string& sCaption, const automation::Variant& vDefVal);

  // The answer, kept by the dialog object across unloads.
  bool aceptado_ = false;
  double valorAceptado_ = 0;

  forms::ControlRef<forms::Label> Label1{this, "Label1"};
  forms::ControlRef<forms::NumberEntryBox> Velnor1{this, "Velnor1"};
  forms::ControlRef<forms::ActionButton> cbOk{this, "cbOk"};
  forms::ControlRef<forms::ActionButton> cbCancelar{this, "cbCancelar"};

  LiveObject live_;
};

}  // namespace tessaline
