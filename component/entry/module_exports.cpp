// The module's entry points: self-registration in the per-user class registry, the class object
// of Activator, whether the module may be unloaded, and the description of its type library.

#include <dlfcn.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "automation/module.h"
#include "entry/activator.h"
#include "entry/live_objects.h"

namespace tessaline {

namespace {

std::atomic<long> liveCount{0};

automation::Guid guid(const char* text) { return *automation::Guid::parse(text); }

const automation::TypeLibInfo& typeLibrary() {
  static const automation::TypeLibInfo lib = [] {
    automation::TypeLibInfo t;
    t.name = "Quorvane";
    t.libId = guid("{20A3F2E0-27E1-435B-A402-C6169450A319}");
    t.majorVersion = 2;
    t.minorVersion = 0;
    t.helpString = "Pago selectivo de comisiones a vendedores";

    automation::ClassInfo activator;
    activator.name = "Activator";
    activator.clsid = guid("{E2F6B806-4744-4278-9405-81F30E000EB5}");
    activator.progId = "Quorvane.Activator";
    activator.creatable = true;
    activator.defaultInterface.name = "_Activator";
    activator.defaultInterface.iid = guid("{8C94DBEB-BCD0-4E86-868D-CCFB8F3E17CC}");
    activator.defaultInterface.dual = true;
    activator.defaultInterface.hidden = true;
    activator.defaultInterface.members = {{"go", Activator::kDispIdGo, 2}};
    t.classes = {activator};

    t.versionInfo = {
        {"FileVersion", "1.00"},
        {"ProductVersion", "1.00"},
        {"ProductName", "Quorvane"},
        {"InternalName", "Tessaline"},
        {"OriginalFilename", "Tessaline.dll"},
        {"OLESelfRegister", ""},
    };
    return t;
  }();
  return lib;
}

class ActivatorFactory final : public automation::ClassFactory {
 public:
  automation::ObjectRef createInstance() override { return std::make_shared<Activator>(); }
};

// The file this code was loaded from.
std::filesystem::path thisModule() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&typeLibrary), &info) == 0 || info.dli_fname == nullptr) return {};
  return std::filesystem::absolute(info.dli_fname);
}

}  // namespace

void objectCreated() { ++liveCount; }
void objectDestroyed() { --liveCount; }
long liveObjects() { return liveCount.load(); }

}  // namespace tessaline

extern "C" {

__attribute__((visibility("default"))) int32_t DllRegisterServer() {
  try {
    const auto& lib = tessaline::typeLibrary();
    const auto module = tessaline::thisModule();
    if (module.empty()) return automation::kRegistrationFailed;
    for (const auto& cls : lib.classes) automation::ClassRegistry::forCurrentUser().addClass(cls, lib, module);
    return automation::kOk;
  } catch (...) {
    return automation::kRegistrationFailed;
  }
}

__attribute__((visibility("default"))) int32_t DllUnregisterServer() {
  try {
    for (const auto& cls : tessaline::typeLibrary().classes) automation::ClassRegistry::forCurrentUser().removeClass(cls);
    return automation::kOk;
  } catch (...) {
    return automation::kRegistrationFailed;
  }
}

__attribute__((visibility("default"))) int32_t DllGetClassObject(const automation::Guid* clsid,
                                                                 automation::ClassFactory** out) {
  if (out == nullptr) return automation::kClassNotAvailable;
  *out = nullptr;
  if (clsid == nullptr) return automation::kClassNotAvailable;
  static tessaline::ActivatorFactory activatorFactory;
  if (*clsid == tessaline::typeLibrary().classes.front().clsid) {
    *out = &activatorFactory;
    return automation::kOk;
  }
  return automation::kClassNotAvailable;
}

__attribute__((visibility("default"))) int32_t DllCanUnloadNow() {
  return tessaline::liveObjects() == 0 ? automation::kOk : automation::kFalse;
}

__attribute__((visibility("default"))) const automation::TypeLibInfo* DllGetTypeLibInfo() {
  return &tessaline::typeLibrary();
}

}  // extern "C"
