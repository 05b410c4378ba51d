#pragma once
// lmFormPlacement: where a window was and how large, remembered per user and per window, and put
// back when it opens again without letting it run off the screen.
//
// Store: application "Zel", section "CONFIG\FormPlacement\" followed by the window name, keys
// "Left", "Top", "Width", "Height": the outer rectangle in twips, written as the text of a
// single-precision number. Reads go through lmGetSetting (an INI entry overrides the store);
// writes go straight to the per-user store.
//
// Restoring, worked through for a sizable window on a screen 15360 twips wide:
//   saved Left 12000, Width 6000: 15360 + 180 < 18000, so Left becomes 15360 - 6000 = 9360;
//   saved Left 9500, Width 6000: 15540 is not below 15500, the window overhangs by 140 twips;
//   saved Width 20000: 15360 - 20000 is negative, nothing is restored;
//   saved Left or Top below -90, or a missing / non-numeric Width or Height: nothing is restored.
// Every check comes before the window is touched: a refusal leaves it exactly as it was.

#include <cstdint>
#include <string>

#include "forms/window.h"

namespace tessaline {

class lmFormPlacement final {
 public:
  lmFormPlacement() = delete;

  static constexpr const char* kApp = "Zel";
  static constexpr const char* kSeccion = "CONFIG\\FormPlacement\\";

  // The saved number of key for the window formName, as a whole number (halves to even), or -1
  // when it is missing, not a number, out of range, or the lookup failed. Never raises.
  static int32_t getValue(const std::string& formName, const std::string& key);

  // Moves the window to its saved place and size (only its place when its border is fixed).
  // formName "" means the window's own name.
  static void restoreFormPlacement(forms::Window& ventana, std::string formName);

  // Writes the window's outer left, top, width and height into the per-user store. A failing
  // write raises profile::StoreError.
  static void saveFormPlacement(forms::Window& ventana, std::string formName);

  // A single-precision number as the platform writes it: up to seven significant digits, the
  // exponent form from 1E+07 on, the regional decimal separator ("9360", "1.234568E+07").
  static std::string singleText(float value, const std::string& decimalSeparator);
};

}  // namespace tessaline
