// The per-user class registry and the loading of modules (the platform's in-process servers as
// shared libraries found by ProgID).

#include <dlfcn.h>

#include <mutex>

#include "automation/module.h"
#include "profile/paths.h"
#include "profile/settings_store.h"

namespace automation {

// ---- loaded modules

namespace {

constexpr const char* kApplication = "Classes";

std::mutex gModulesMutex;
std::map<std::string, void*> gModules;  // kept open for the life of the process

// The thread's registry that a module's DllRegisterServer writes into.
thread_local ClassRegistry* tRegistering = nullptr;
// Why the last registerServer/unregisterServer on this thread failed.
thread_local std::string tRegistrationProblem;

std::string moduleKey(const std::filesystem::path& module) {
  std::error_code ec;
  auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(module, ec), ec);
  return (ec ? module : canonical).string();
}

// Loads the module (once per process). Error 48 with the loader's reason when it cannot.
void* loadModule(const std::filesystem::path& module) {
  const std::string key = moduleKey(module);
  std::lock_guard lock(gModulesMutex);
  if (auto it = gModules.find(key); it != gModules.end()) return it->second;
  void* handle = ::dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    throw Error(48, "automation", standardDescription(48) + ": " + (reason ? reason : key));
  }
  gModules.emplace(key, handle);
  return handle;
}

template <class F>
F* entryPoint(void* handle, const char* name) {
  return reinterpret_cast<F*>(::dlsym(handle, name));
}

[[noreturn]] void cannotCreate(const std::string& what, const std::string& reason) {
  throw Error(err::kCannotCreateObject, what, standardDescription(err::kCannotCreateObject) + " (" + reason + ")");
}

class RegisteringInto {
 public:
  explicit RegisteringInto(ClassRegistry* registry) : previous_(tRegistering) { tRegistering = registry; }
  ~RegisteringInto() { tRegistering = previous_; }
  RegisteringInto(const RegisteringInto&) = delete;
  RegisteringInto& operator=(const RegisteringInto&) = delete;

 private:
  ClassRegistry* previous_;
};

void runRegistration(ClassRegistry* registry, const std::filesystem::path& module, const char* entry) {
  void* handle = loadModule(module);
  auto* function = entryPoint<int32_t()>(handle, entry);
  if (function == nullptr) {
    throw Error(453, "automation", standardDescription(453) + " " + entry + " in " + module.string());
  }
  tRegistrationProblem.clear();
  int32_t result;
  {
    RegisteringInto scope(registry);
    result = function();
  }
  if (result != kOk) {
    std::string description = std::string(entry) + " of " + module.string() + " failed";
    if (!tRegistrationProblem.empty()) description += ": " + tRegistrationProblem;
    throw Error(result, "automation", description);
  }
}

std::string versionText(const TypeLibInfo& lib) {
  return std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion);
}

}  // namespace

// ---- ClassRegistry

ClassRegistry& ClassRegistry::forCurrentUser() {
  if (tRegistering != nullptr) return *tRegistering;
  static ClassRegistry registry{std::filesystem::path()};
  return registry;
}

ClassRegistry::ClassRegistry(std::filesystem::path configHome) : configHome_(std::move(configHome)) {}

std::filesystem::path ClassRegistry::home() const {
  return configHome_.empty() ? profile::configHome() : configHome_;
}

void ClassRegistry::registerModule(const std::filesystem::path& module) {
  runRegistration(this, module, "DllRegisterServer");
}

void ClassRegistry::unregisterModule(const std::filesystem::path& module) {
  runRegistration(this, module, "DllUnregisterServer");
}

void ClassRegistry::addClass(const ClassInfo& cls, const TypeLibInfo& lib, const std::filesystem::path& module) {
  profile::SettingsStore store(home());
  const std::string clsid = cls.clsid.toString();
  const std::string classSection = "CLSID\\" + clsid;
  const std::string modulePath = moduleKey(module);
  try {
    store.set(kApplication, classSection, "Class", cls.name);
    store.set(kApplication, classSection, "Module", modulePath);
    store.set(kApplication, classSection, "TypeLib", lib.libId.toString());
    store.set(kApplication, classSection, "Version", versionText(lib));
    store.set(kApplication, classSection, "Creatable", cls.creatable ? "1" : "0");
    if (!cls.progId.empty()) {
      store.set(kApplication, classSection, "ProgID", cls.progId);
      store.set(kApplication, "ProgID\\" + cls.progId, "CLSID", clsid);
    }
    const std::string libSection = "TypeLib\\" + lib.libId.toString();
    store.set(kApplication, libSection, "Name", lib.name);
    store.set(kApplication, libSection, "Version", versionText(lib));
    store.set(kApplication, libSection, "HelpString", lib.helpString);
    store.set(kApplication, libSection, "Module", modulePath);
  } catch (const profile::StoreError& e) {
    throw Error(err::kAutomationError, "automation", e.what());
  }
}

void ClassRegistry::removeClass(const ClassInfo& cls) {
  profile::SettingsStore store(home());
  try {
    const std::string clsid = cls.clsid.toString();
    // Only the ProgID that still names this class goes with it.
    if (!cls.progId.empty() && store.get(kApplication, "ProgID\\" + cls.progId, "CLSID") == clsid) {
      store.removeSection(kApplication, "ProgID\\" + cls.progId);
    }
    store.removeSection(kApplication, "CLSID\\" + clsid);
  } catch (const profile::StoreError& e) {
    throw Error(err::kAutomationError, "automation", e.what());
  }
}

void ClassRegistry::removeTypeLib(const TypeLibInfo& lib) {
  profile::SettingsStore store(home());
  try {
    store.removeSection(kApplication, "TypeLib\\" + lib.libId.toString());
  } catch (const profile::StoreError& e) {
    throw Error(err::kAutomationError, "automation", e.what());
  }
}

std::optional<Guid> ClassRegistry::clsidOf(const std::string& progId) const {
  if (progId.empty()) return std::nullopt;
  profile::SettingsStore store(home());
  return Guid::parse(store.get(kApplication, "ProgID\\" + progId, "CLSID"));
}

std::optional<std::filesystem::path> ClassRegistry::modulePathOf(const Guid& clsid) const {
  profile::SettingsStore store(home());
  const auto path = store.find(kApplication, "CLSID\\" + clsid.toString(), "Module");
  if (!path || path->empty()) return std::nullopt;
  return std::filesystem::path(*path);
}

ObjectRef ClassRegistry::createObject(const std::string& progId) {
  const auto clsid = clsidOf(progId);
  if (!clsid) cannotCreate(progId, "no class is registered as " + progId);
  return createObject(*clsid);
}

ObjectRef ClassRegistry::createObject(const Guid& clsid) {
  const std::string what = clsid.toString();
  const auto module = modulePathOf(clsid);
  if (!module) cannotCreate(what, "class " + what + " is not registered");
  {
    profile::SettingsStore store(home());
    if (store.get(kApplication, "CLSID\\" + what, "Creatable", "1") != "1") {
      cannotCreate(what, "class " + what + " is not creatable");
    }
  }
  void* handle;
  try {
    handle = loadModule(*module);
  } catch (const Error& e) {
    cannotCreate(what, e.description());
  }
  auto* getClassObject = entryPoint<int32_t(const Guid*, ClassFactory**)>(handle, "DllGetClassObject");
  if (getClassObject == nullptr) cannotCreate(what, module->string() + " has no DllGetClassObject");
  ClassFactory* factory = nullptr;
  const int32_t result = getClassObject(&clsid, &factory);
  if (result != kOk || factory == nullptr) {
    cannotCreate(what, module->string() + " does not provide class " + what);
  }
  ObjectRef object;
  try {
    object = factory->createInstance();
  } catch (const Error&) {
    throw;
  } catch (const std::exception& e) {
    cannotCreate(what, e.what());
  }
  if (!object) cannotCreate(what, "the class factory returned no object");
  return object;
}

const TypeLibInfo* typeLibOf(const std::filesystem::path& module) {
  void* handle = loadModule(module);
  auto* describe = entryPoint<const TypeLibInfo*()>(handle, "DllGetTypeLibInfo");
  return describe == nullptr ? nullptr : describe();
}

// ---- Module: self-registration

int32_t Module::registerServer(const void* anchor) const {
  try {
    Dl_info info{};
    if (::dladdr(anchor, &info) == 0 || info.dli_fname == nullptr) {
      tRegistrationProblem = "the module cannot find its own file";
      return kRegistrationFailed;
    }
    ClassRegistry& registry = ClassRegistry::forCurrentUser();
    for (const ClassInfo& cls : typeLib_.classes) {
      for (const auto& [clsid, factory] : factories_) {
        if (clsid == cls.clsid) registry.addClass(cls, typeLib_, info.dli_fname);
      }
    }
    return kOk;
  } catch (const std::exception& e) {
    tRegistrationProblem = e.what();
    return kRegistrationFailed;
  }
}

int32_t Module::unregisterServer() const {
  try {
    ClassRegistry& registry = ClassRegistry::forCurrentUser();
    for (const ClassInfo& cls : typeLib_.classes) registry.removeClass(cls);
    registry.removeTypeLib(typeLib_);
    return kOk;
  } catch (const std::exception& e) {
    tRegistrationProblem = e.what();
    return kRegistrationFailed;
  }
}

}  // namespace automation
