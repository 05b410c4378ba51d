#pragma once
// Component modules and the per-user class registry.
//
// A module is a shared library that exports four entry points with C linkage:
//   int32_t DllRegisterServer();    writes its classes into the per-user class registry
//   int32_t DllUnregisterServer();  removes them
//   int32_t DllGetClassObject(const Guid* clsid, ClassFactory** out);  out stays owned by the module
//   int32_t DllCanUnloadNow();      kOk when no object of the module is alive, else kFalse
// and one describing its type library:
//   const TypeLibInfo* DllGetTypeLibInfo();
// A module describes itself with an automation::Module and exports all five in one line:
//
//   const automation::Module& quorvaneModule() {
//     static const automation::Module module = [] {
//       automation::Module m(quorvaneTypeLib());        // a TypeLibInfo naming the classes
//       m.addClass<Activator>(kActivatorClsid);          // created with new Activator()
//       return m;
//     }();
//     return module;
//   }
//   TESSALINE_EXPORT_MODULE(quorvaneModule)

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/object.h"

namespace automation {

// Result codes of the entry points.
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kFalse = 1;
inline constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111u);
inline constexpr int32_t kRegistrationFailed = static_cast<int32_t>(0x80040200u);

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0, data3 = 0;
  uint8_t data4[8] = {};
  // "{E2F6B806-4744-4278-9405-81F30E000EB5}"; nullopt when malformed.
  static std::optional<Guid> parse(std::string_view text);
  std::string toString() const;  // upper case, with braces
  bool operator==(const Guid&) const = default;
};

struct MemberInfo {
  std::string name;
  int32_t dispId = 0;
  int argCount = 0;
};

struct InterfaceInfo {
  std::string name;
  Guid iid;
  bool dual = false;
  bool hidden = false;
  std::vector<MemberInfo> members;
};

struct ClassInfo {
  std::string name;
  Guid clsid;
  std::string progId;
  bool creatable = true;
  InterfaceInfo defaultInterface;
};

struct TypeLibInfo {
  std::string name;
  Guid libId;
  int majorVersion = 0;
  int minorVersion = 0;
  std::string helpString;
  std::vector<ClassInfo> classes;
  std::map<std::string, std::string> versionInfo;  // FileVersion, ProductName, ...
};

class ClassFactory {
 public:
  virtual ~ClassFactory() = default;
  virtual ObjectRef createInstance() = 0;
};

// The per-user class registry (kept in the per-user settings store under TESSALINE_CONFIG_HOME):
// ProgID -> class id -> module path. Not in the Windows build, where COM's registry takes its
// place (as it does for registerServer and unregisterServer of a Module).
//
// Kept in the settings store as application "Classes", sections "ProgID\<progid>" (CLSID),
// "CLSID\<guid>" (ProgID, Class, Module, TypeLib, Version) and "TypeLib\<libid>" (Name, Version,
// HelpString, Module). Loaded modules stay loaded for the life of the process.
class ClassRegistry {
 public:
  // The registry of the current user (configHome() at the time of each call). While
  // registerModule/unregisterModule of another registry runs the module's entry point, this is
  // that registry, so the module registers where it was asked to.
  static ClassRegistry& forCurrentUser();
  explicit ClassRegistry(std::filesystem::path configHome);

  // Loads the module and asks it to register itself (DllRegisterServer). Raises an Error on failure:
  // 48 when the module cannot be loaded, 453 when it lacks the entry point, the entry point's
  // result code (with its reason) when it fails.
  void registerModule(const std::filesystem::path& module);
  void unregisterModule(const std::filesystem::path& module);
  // Used by a module's own DllRegisterServer/DllUnregisterServer.
  void addClass(const ClassInfo& cls, const TypeLibInfo& lib, const std::filesystem::path& module);
  void removeClass(const ClassInfo& cls);
  void removeTypeLib(const TypeLibInfo& lib);

  std::optional<Guid> clsidOf(const std::string& progId) const;
  std::optional<std::filesystem::path> modulePathOf(const Guid& clsid) const;
  // Loads the module if needed, asks it for the class object and creates an instance.
  // Unknown ProgID: error 429-style automation error (number 429, "ActiveX component can't create object").
  // Any other failure to load the module or get the object is 429 too, with the reason appended to
  // the description; an Error raised by the object's own constructor passes through unchanged.
  ObjectRef createObject(const std::string& progId);
  ObjectRef createObject(const Guid& clsid);

 private:
  std::filesystem::path home() const;
  std::filesystem::path configHome_;  // empty: the current user's, resolved at each call
};

// The type library a module describes (nullptr if it exports none); loads the module if needed
// (error 48 when it cannot be loaded).
const TypeLibInfo* typeLibOf(const std::filesystem::path& module);

// A module's own description: its type library and a factory per creatable class. The entry points
// that TESSALINE_EXPORT_MODULE writes call these.
class Module final {
 public:
  explicit Module(TypeLibInfo typeLib);

  // Instances of T (an Object, default-constructible) for the class clsid.
  template <class T>
  Module& addClass(const Guid& clsid) {
    return addClass(clsid, [] { return ObjectRef(std::make_shared<T>()); });
  }
  Module& addClass(const Guid& clsid, std::function<ObjectRef()> create);

  const TypeLibInfo& typeLib() const { return typeLib_; }

  // Counts one object the module makes by itself (a window, say) among its live objects for as
  // long as the token lives: a member of each such object.
  class LiveToken final {
   public:
    explicit LiveToken(std::shared_ptr<std::atomic<long>> count) : count_(std::move(count)) { count_->fetch_add(1); }
    LiveToken(const LiveToken& other) : LiveToken(other.count_) {}
    LiveToken& operator=(const LiveToken&) { return *this; }  // each object keeps its own count
    ~LiveToken() { count_->fetch_sub(1); }

   private:
    std::shared_ptr<std::atomic<long>> count_;
  };
  LiveToken liveToken() const { return LiveToken(live_); }

  // Objects created through this module, or holding one of its tokens, that are still alive.
  long liveObjects() const { return live_->load(); }

  // The entry points. anchor is any address inside the module (it locates the module's file).
  int32_t registerServer(const void* anchor) const;
  int32_t unregisterServer() const;
  int32_t getClassObject(const Guid* clsid, ClassFactory** out) const;
  int32_t canUnloadNow() const { return liveObjects() == 0 ? kOk : kFalse; }

 private:
  struct Factory;
  TypeLibInfo typeLib_;
  std::vector<std::pair<Guid, std::shared_ptr<ClassFactory>>> factories_;
  std::shared_ptr<std::atomic<long>> live_ = std::make_shared<std::atomic<long>>(0);
};

}  // namespace automation

// The five entry points of a module described by `definition`, a function returning
// const automation::Module&.
#define TESSALINE_EXPORT_MODULE(definition)                                                                \
  extern "C" __attribute__((visibility("default"))) int32_t DllRegisterServer() {                          \
    return definition().registerServer(reinterpret_cast<const void*>(&DllRegisterServer));                  \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) int32_t DllUnregisterServer() {                        \
    return definition().unregisterServer();                                                                \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) int32_t DllGetClassObject(                             \
      const ::automation::Guid* clsid, ::automation::ClassFactory** out) {                                 \
    return definition().getClassObject(clsid, out);                                                        \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) int32_t DllCanUnloadNow() {                            \
    return definition().canUnloadNow();                                                                    \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) const ::automation::TypeLibInfo* DllGetTypeLibInfo() { \
    return &definition().typeLib();                                                                        \
  }
