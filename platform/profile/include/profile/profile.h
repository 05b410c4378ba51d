#pragma once
// INI files, the per-user settings store and the per-user directories.

#include "profile/ini.h"
#include "profile/paths.h"
#include "profile/settings_store.h"
