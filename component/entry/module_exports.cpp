// The module's entry points as a shared library of the per-user class registry: self-registration,
// the class object of Activator, whether the module may be unloaded (no object it handed out or
// made, windows included, is alive), and the description of its type library. The Windows build
// exports the COM entry points instead (com_server/).

#include "automation/module.h"
#include "entry/live_objects.h"

TESSALINE_EXPORT_MODULE(tessaline::modulo)
