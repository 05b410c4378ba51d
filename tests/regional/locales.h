#pragma once
// The regional settings the format tests write in, each read once.

#include "regional/regional_settings.h"

inline const regional::RegionalSettings& us() {
  static const auto rs = regional::RegionalSettings::fromLocale("en_US");
  return rs;
}
inline const regional::RegionalSettings& ve() {
  static const auto rs = regional::RegionalSettings::fromLocale("es_VE");
  return rs;
}
inline const regional::RegionalSettings& de() {
  static const auto rs = regional::RegionalSettings::fromLocale("de_DE");
  return rs;
}
