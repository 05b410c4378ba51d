#pragma once
// The design colour scheme of the component's ActionButtons, shared by its windows: a blue face
// with white text, darker blue while focused, greys while disabled, MS Sans Serif 8.25 pt.

#include <string>

#include "forms/controls.h"

namespace tessaline {

inline constexpr forms::Color kBotonFondo = forms::rgb(7, 116, 205);
inline constexpr forms::Color kBotonFondoFoco = forms::rgb(0, 0, 192);
inline constexpr forms::Color kGrisDeshabilitado = forms::rgb(224, 224, 224);
inline constexpr forms::Color kTextoDeshabilitado = forms::rgb(192, 192, 192);

inline void asActionButton(forms::ActionButton& b, const std::string& caption) {
  b.setCaption(caption);
  b.setBackColor(kBotonFondo);
  b.setForeColor(forms::colors::kWhite);
  forms::ThemeColors theme;
  theme.backFocused = kBotonFondoFoco;
  theme.foreFocused = forms::colors::kWhite;
  theme.backDisabled = kGrisDeshabilitado;
  theme.foreDisabled = kTextoDeshabilitado;
  b.setThemeColors(theme);
  b.setFont(forms::Font{"MS Sans Serif", 8.25});
}

}  // namespace tessaline
