#include "settings/lm_get_setting.h"

#include "profile/ini.h"
#include "profile/settings_store.h"
#include "utilities/utilidades.h"

namespace tessaline {

automation::Variant lmGetSetting::GetSetting(std::string AppName, std::string Section, std::string Key,
                                             std::string Default) {
  const std::string archivo = utilidades::Utilidades::ubicarArchivo(AppName + ".ini", AppName);
  // An INI entry that is present and not empty wins; Default never applies to it.
  std::string valor = profile::getPrivateProfileString(Section, Key, "", kBuffer, archivo).text;
  if (valor.empty()) valor = profile::SettingsStore::forCurrentUser().get(AppName, Section, Key, Default);
  return automation::Variant(std::move(valor));
}

}  // namespace tessaline
