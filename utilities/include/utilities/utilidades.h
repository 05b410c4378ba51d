#pragma once
// The maker's utility library: message boxes, yes/no questions, form-wide key handling, enabling
// of controls, the location of settings files and the preparation of a window for display.
// Everything goes through the forms runtime's Application (modal boxes) and its windows.

#include <cstdint>
#include <string>

#include "forms/control.h"
#include "forms/grid.h"
#include "forms/window.h"

namespace utilidades {

class Utilidades final {
 public:
  Utilidades() = delete;

  // Sets the window up for display: centred on the screen (outer rectangle).
  static void prepararForm(forms::Window& ventana);
  // An error box with the number, the description and the source. The first argument (a style
  // option kept for callers) is not used.
  static void mostrarError(int opcion, int32_t numero, const std::string& descripcion, const std::string& fuente);
  // A message box; returns when the operator has dismissed it.
  static void mostrarMensaje(const std::string& texto);
  // A yes/no question; True for yes. The option (the box's button style) is not used; the title
  // is passed on.
  static bool confirmar(const std::string& texto, int16_t opcion = 0, const std::string& titulo = "");
  // The full path of a settings file of the application: TESSALINE_CONFIG_HOME/fileName. Error 5
  // when the file name is empty or is not a plain file name (a path).
  static std::string ubicarArchivo(const std::string& fileName, const std::string& appName);
  // Form-wide key handling: Enter in an entry box (code, date, number, reference) or a check box
  // moves the focus to the next control in tab order and swallows the key (keyAscii = 0); every
  // other key passes unchanged.
  static void procesarTecla(int16_t& keyAscii, forms::Control* activo);
  static void habilitar(forms::Control& control);
  static void deshabilitar(forms::Control& control);
};

class UtilidadesGrid final {
 public:
  UtilidadesGrid() = delete;

  // Leaves the grid with its fixed rows and no data row (Rows = FixedRows); the fixed rows keep
  // their texts.
  static void limpiarGrid(forms::Grid& grid);
};

}  // namespace utilidades
