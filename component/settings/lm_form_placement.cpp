#include "settings/lm_form_placement.h"

#include <charconv>
#include <exception>

#include "automation/variant.h"
#include "forms/application.h"
#include "profile/settings_store.h"
#include "settings/lm_get_setting.h"

namespace tessaline {

namespace {

// Below this a saved left or top edge is too far off the screen to be restored.
constexpr int64_t kMargenIzquierdo = -90;
// How far a window may overhang the right or bottom edge before it is pulled back.
constexpr int64_t kMargenDerecho = 180;

bool bordeFijo(forms::BorderStyle estilo) {
  return estilo == forms::BorderStyle::FixedSingle || estilo == forms::BorderStyle::FixedDialog ||
         estilo == forms::BorderStyle::FixedToolWindow;
}

}  // namespace

int32_t lmFormPlacement::getValue(const std::string& formName, const std::string& key) {
  try {
    const automation::Variant texto = lmGetSetting::GetSetting(kApp, kSeccion + formName, key, "-1");
    const forms::Application* app = forms::Application::current();
    return automation::cLng(texto, app ? app->regionalSettings().symbols() : automation::invariantSymbols());
  } catch (const std::exception&) {
    // A missing, damaged or unreadable value: as if nothing had been saved.
    return -1;
  }
}

namespace {

// Whether every coordinate the window needs was saved: a missing one must not be taken for the
// -1 that stands for "unreadable", a place on the screen.
bool guardada(const std::string& formName, std::initializer_list<const char*> claves) {
  for (const char* clave : claves) {
    try {
      if (automation::cStr(lmGetSetting::GetSetting(lmFormPlacement::kApp, lmFormPlacement::kSeccion + formName, clave, "")).empty())
        return false;
    } catch (const std::exception&) {
      return false;
    }
  }
  return true;
}

}  // namespace

void lmFormPlacement::restoreFormPlacement(forms::Window& ventana, std::string formName) {
  if (formName.empty()) formName = ventana.name();
  if (bordeFijo(ventana.borderStyle()) ? !guardada(formName, {"Left", "Top"})
                                       : !guardada(formName, {"Left", "Top", "Width", "Height"})) {
    return;
  }

  // 64-bit arithmetic: saved values are whole numbers of any size the store holds.
  int64_t left = getValue(formName, "Left");
  if (left < kMargenIzquierdo) return;
  int64_t top = getValue(formName, "Top");
  if (top < kMargenIzquierdo) return;

  int64_t width = 0;
  int64_t height = 0;
  if (bordeFijo(ventana.borderStyle())) {
    width = ventana.width();
    height = ventana.height();
  } else {
    width = getValue(formName, "Width");
    if (width < 0) return;
    height = getValue(formName, "Height");
    if (height < 0) return;
  }

  const forms::Application& app = ventana.application();
  const int64_t pantallaAncho = app.screenWidth();
  const int64_t pantallaAlto = app.screenHeight();
  // Pulled back onto the screen, never shrunk.
  if (pantallaAncho + kMargenDerecho < left + width) {
    left = pantallaAncho - width;
    if (left < 0) return;
  }
  if (pantallaAlto + kMargenDerecho < top + height) {
    top = pantallaAlto - height;
    if (top < 0) return;
  }
  ventana.move(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width), static_cast<int>(height));
}

void lmFormPlacement::saveFormPlacement(forms::Window& ventana, std::string formName) {
  if (formName.empty()) formName = ventana.name();
  const std::string seccion = kSeccion + formName;
  const std::string& decimal = ventana.application().regionalSettings().decimalText();
  auto& store = profile::SettingsStore::forCurrentUser();
  store.set(kApp, seccion, "Left", singleText(static_cast<float>(ventana.left()), decimal));
  store.set(kApp, seccion, "Top", singleText(static_cast<float>(ventana.top()), decimal));
  store.set(kApp, seccion, "Width", singleText(static_cast<float>(ventana.width()), decimal));
  store.set(kApp, seccion, "Height", singleText(static_cast<float>(ventana.height()), decimal));
}

std::string lmFormPlacement::singleText(float value, const std::string& decimalSeparator) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
  std::string texto;
  for (const char* p = buffer; p != result.ptr; ++p) {
    if (*p == '.') {
      texto += decimalSeparator;
    } else if (*p == 'e') {
      texto += 'E';
    } else {
      texto += *p;
    }
  }
  return texto;
}

}  // namespace tessaline
