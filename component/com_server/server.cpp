// The in-process server: the class object of Activator, the activators as COM objects (dual
// interface _Activator), whether the server may be unloaded, and self-registration machine-wide
// with the type library embedded in the module.

#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "automation/error.h"
#include "com/bridge.h"
#include "com/dispatch_object.h"
#include "entry/activator.h"
#include "entry/live_objects.h"
#include "quorvane.h"
#include "runtime.h"

namespace tessaline::com_server {

namespace {

HMODULE gModule = nullptr;
std::atomic<long> gLocks{0};

constexpr const wchar_t* kProgId = L"Quorvane.Activator";
constexpr const wchar_t* kClsid = L"{E2F6B806-4744-4278-9405-81F30E000EB5}";
constexpr const wchar_t* kLibId = L"{20A3F2E0-27E1-435B-A402-C6169450A319}";
constexpr const wchar_t* kVersion = L"2.0";
constexpr const wchar_t* kClasses = L"Software\\Classes\\";

std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(gModule, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The description of _Activator from the type library in this module (loaded once).
ITypeInfo* activatorTypeInfo() {
  static ITypeInfo* info = [] {
    ITypeLib* lib = nullptr;
    ITypeInfo* found = nullptr;
    if (SUCCEEDED(::LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &lib))) {
      if (FAILED(lib->GetTypeInfoOfGuid(IID__Activator, &found))) found = nullptr;
      lib->Release();
    }
    return found;
  }();
  return info;
}

// An Activator for COM: IDispatch and the vtable of _Activator. Either way `go` finds a forms
// runtime (a headless one made on first use when the host has none).
class ActivatorObject final : public com::DispatchObject<_Activator> {
 public:
  explicit ActivatorObject(automation::ObjectRef activator)
      : DispatchObject(std::move(activator), activatorTypeInfo(), IID__Activator) {}

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                                   UINT* argError) override {
    try {
      ensureRuntime();
    } catch (const automation::Error& e) {
      return com::reportError(e, info, IID__Activator);
    } catch (const std::exception& e) {
      return com::reportError(
          automation::Error(automation::err::kAutomationError, "Quorvane", e.what()), info,
          IID__Activator);
    }
    return DispatchObject::Invoke(id, riid, lcid, flags, params, result, info, argError);
  }

  // Both arguments by reference; neither is changed.
  HRESULT STDMETHODCALLTYPE go(IDispatch** Fact, VARIANT* codigo) override {
    if (Fact == nullptr || codigo == nullptr) return E_POINTER;
    return com::guarded(
        [&] {
          ensureRuntime();
          automation::Variant fact(com::fromUnknown(*Fact));
          automation::Variant code = com::fromVariant(*codigo);
          automation::Arg args[2]{automation::Arg::ref(fact), automation::Arg::ref(code)};
          automation::CallArgs callArgs(args, {});
          object()->invokeById(Activator::kDispIdGo, automation::CallKind::Method, callArgs);
        },
        IID__Activator);
  }
};

class ActivatorFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The class object lives as long as the module; server locks keep the module loaded.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    automation::ClassFactory* factory = nullptr;
    const auto& clsid = modulo().typeLib().classes.front().clsid;
    if (modulo().getClassObject(&clsid, &factory) != automation::kOk)
      return CLASS_E_CLASSNOTAVAILABLE;
    try {
      auto* object = new ActivatorObject(factory->createInstance());
      const HRESULT hr = object->QueryInterface(riid, out);
      object->Release();
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const automation::Error& e) {
      com::reportError(e, nullptr, IID_IClassFactory);
      return com::resultOf(e);
    }
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++gLocks;
    } else {
      --gLocks;
    }
    return S_OK;
  }
};

ActivatorFactory gFactory;

LSTATUS setValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LSTATUS status =
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = ::RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(handle);
  return status;
}

LSTATUS removeKey(const std::wstring& key) {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

SYSKIND ownSysKind() {
  return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
}

}  // namespace

HRESULT registerServer() {
  const std::wstring path = modulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsid;
  const std::wstring progId = kProgId;
  for (LSTATUS status :
       {setValue(progId, nullptr, progId), setValue(progId + L"\\CLSID", nullptr, kClsid),
        setValue(clsidKey, nullptr, progId), setValue(clsidKey + L"\\ProgID", nullptr, progId),
        setValue(clsidKey + L"\\InprocServer32", nullptr, path),
        setValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
        setValue(clsidKey + L"\\TypeLib", nullptr, kLibId),
        setValue(clsidKey + L"\\Version", nullptr, kVersion)}) {
    if (status != ERROR_SUCCESS) return SELFREG_E_CLASS;
  }
  ITypeLib* lib = nullptr;
  HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
  if (SUCCEEDED(hr)) {
    std::wstring file = path;
    hr = ::RegisterTypeLib(lib, file.data(), nullptr);
    lib->Release();
  }
  return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT unregisterServer() {
  HRESULT result = S_OK;
  for (const std::wstring& key : {std::wstring(kProgId), std::wstring(L"CLSID\\") + kClsid}) {
    if (removeKey(key) != ERROR_SUCCESS) result = SELFREG_E_CLASS;
  }
  const HRESULT hr = ::UnRegisterTypeLib(LIBID_Quorvane, 2, 0, LOCALE_NEUTRAL, ownSysKind());
  if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_LIBNOTREGISTERED &&
      result == S_OK) {
    result = SELFREG_E_TYPELIB;
  }
  return result;
}

HRESULT classObject(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_Activator)) return CLASS_E_CLASSNOTAVAILABLE;
  return gFactory.QueryInterface(riid, out);
}

// Loaded while the host holds an object of ours (activators, windows, anything bridged) or has
// locked the server.
HRESULT canUnloadNow() {
  return modulo().liveObjects() == 0 && com::liveBridges() == 0 && gLocks.load() == 0 ? S_OK
                                                                                      : S_FALSE;
}

void setModule(HMODULE module) {
  gModule = module;
}

}  // namespace tessaline::com_server

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    tessaline::com_server::setModule(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return tessaline::com_server::registerServer();
}
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return tessaline::com_server::unregisterServer();
}
extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  return tessaline::com_server::classObject(clsid, riid, out);
}
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return tessaline::com_server::canUnloadNow();
}
