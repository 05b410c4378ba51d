#pragma once
// lmGetSetting: the one way the component reads a setting. The application's INI file (AppName
// followed by ".ini", placed by Utilidades::ubicarArchivo) is read first; when it has no value,
// or an empty one, for the section and key, the per-user settings store answers, with Default
// when it has no value either. Writes never come here: they go straight to the store.
//
//   GetSetting("Hollowmere", "Transient", "optQuorvane", "")  -> "optCheque"
//
// Nothing is cached: every call reads the INI file and, when needed, the store again. Errors of
// ubicarArchivo reach the caller.

#include <string>

#include "automation/variant.h"

namespace tessaline {

class lmGetSetting final {
 public:
  lmGetSetting() = delete;

  // The INI read uses a buffer of this many characters, so an INI value keeps at most one less.
  static constexpr size_t kBuffer = 1024;

  // A String Variant, possibly empty.
  static automation::Variant GetSetting(std::string AppName, std::string Section, std::string Key,
                                        std::string Default);
};

}  // namespace tessaline
