#include "utilities/utilidades.h"

#include <algorithm>
#include <filesystem>

#include "automation/error.h"
#include "forms/application.h"
#include "profile/paths.h"

namespace utilidades {

namespace {

constexpr const char* kFuente = "Utilidades";

// The kinds of control in which Enter means "next field".
bool isEntryField(const forms::Control& c) {
  switch (c.kind()) {
    case forms::ControlKind::CodeLookupField:
    case forms::ControlKind::DateEntryBox:
    case forms::ControlKind::NumberEntryBox:
    case forms::ControlKind::ReferenceTextBox:
    case forms::ControlKind::CheckBox:
    case forms::ControlKind::OptionCheckBox:
      return true;
    default:
      return false;
  }
}

}  // namespace

void Utilidades::prepararForm(forms::Window& ventana) {
  // A minimised or maximised window has no place of its own to set.
  if (ventana.windowState() != forms::WindowState::Normal) return;
  const auto& app = ventana.application();
  ventana.move((app.screenWidth() - ventana.width()) / 2, (app.screenHeight() - ventana.height()) / 2);
}

void Utilidades::mostrarError(int /*opcion*/, int32_t numero, const std::string& descripcion,
                              const std::string& fuente) {
  forms::Application::instance().showError(numero, descripcion, fuente);
}

void Utilidades::mostrarMensaje(const std::string& texto) { forms::Application::instance().showMessage(texto); }

bool Utilidades::confirmar(const std::string& texto, int16_t /*opcion*/, const std::string& titulo) {
  return forms::Application::instance().askQuestion(texto, titulo);
}

std::string Utilidades::ubicarArchivo(const std::string& fileName, const std::string& /*appName*/) {
  const std::filesystem::path name(fileName);
  // Only a plain file name may be placed in the settings directory: never a path that leads
  // elsewhere.
  if (fileName.empty() || name.has_parent_path() || name.is_absolute() || fileName == "." || fileName == "..") {
    throw automation::Error(automation::err::kInvalidProcedureCall, kFuente,
                            "ubicarArchivo: \"" + fileName + "\" is not a file name");
  }
  return (profile::configHome() / name).string();
}

void Utilidades::procesarTecla(int16_t& keyAscii, forms::Control* activo) {
  if (keyAscii != forms::keys::kEnter || activo == nullptr || !isEntryField(*activo)) return;
  keyAscii = 0;
  const std::vector<forms::Control*> orden = activo->window().tabOrder();
  if (orden.empty()) return;
  auto it = std::find(orden.begin(), orden.end(), activo);
  forms::Control* siguiente = (it == orden.end() || std::next(it) == orden.end()) ? orden.front() : *std::next(it);
  if (siguiente != activo) siguiente->setFocus();
}

void Utilidades::habilitar(forms::Control& control) { control.setEnabled(true); }

void Utilidades::deshabilitar(forms::Control& control) { control.setEnabled(false); }

void UtilidadesGrid::limpiarGrid(forms::Grid& grid) { grid.setRows(grid.fixedRows()); }

}  // namespace utilidades
