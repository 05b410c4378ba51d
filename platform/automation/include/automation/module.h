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

#include <cstdint>
#include <filesystem>
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
// ProgID -> class id -> module path.
class ClassRegistry {
 public:
  // The registry of the current user (TESSALINE_CONFIG_HOME).
  static ClassRegistry& forCurrentUser();
  explicit ClassRegistry(std::filesystem::path configHome);

  // Loads the module and asks it to register itself (DllRegisterServer). Raises an Error on failure.
  void registerModule(const std::filesystem::path& module);
  void unregisterModule(const std::filesystem::path& module);
  // Used by a module's own DllRegisterServer/DllUnregisterServer.
  void addClass(const ClassInfo& cls, const TypeLibInfo& lib, const std::filesystem::path& module);
  void removeClass(const ClassInfo& cls);

  std::optional<Guid> clsidOf(const std::string& progId) const;
  std::optional<std::filesystem::path> modulePathOf(const Guid& clsid) const;
  // Loads the module if needed, asks it for the class object and creates an instance.
  // Unknown ProgID: error 429-style automation error (number 429, "ActiveX component can't create object").
  ObjectRef createObject(const std::string& progId);

 private:
  std::filesystem::path configHome_;
};

// The type library a loaded module describes (nullptr if it exports none).
const TypeLibInfo* typeLibOf(const std::filesystem::path& module);

}  // namespace automation
