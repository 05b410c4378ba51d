// The test entry TessalineDriveScript: runs an operator script against a headless forms runtime
// made for the call, with the host's `go` crossing the real COM boundary.

#include <windows.h>

#include <sstream>

#include "automation/error.h"
#include "com/bridge.h"
#include "entry/activator.h"
#include "forms/application.h"
#include "forms/driver.h"
#include "regional/regional_settings.h"
#include "runtime.h"
#include "text/wide.h"

namespace tessaline::com_server {

namespace {

// activator.go(factory, code) through IDispatch::Invoke, both arguments VT_BYREF|VT_VARIANT.
void callGo(IDispatch* activator, IDispatch* factory, const std::string& code) {
  VARIANT fact, codigo;
  ::VariantInit(&fact);
  ::VariantInit(&codigo);
  factory->AddRef();
  fact.vt = VT_DISPATCH;
  fact.pdispVal = factory;
  com::toVariant(automation::Variant(code), &codigo);
  VARIANT args[2];
  args[1].vt = VT_BYREF | VT_VARIANT;  // COM passes the arguments last to first
  args[1].pvarVal = &fact;
  args[0].vt = VT_BYREF | VT_VARIANT;
  args[0].pvarVal = &codigo;
  DISPPARAMS params{args, nullptr, 2, 0};
  EXCEPINFO info{};
  UINT argError = 0;
  const HRESULT hr = activator->Invoke(Activator::kDispIdGo, IID_NULL, LOCALE_USER_DEFAULT,
                                       DISPATCH_METHOD, &params, nullptr, &info, &argError);
  ::VariantClear(&fact);
  ::VariantClear(&codigo);
  if (FAILED(hr)) throw com::errorFrom(hr, &info, activator, IID_IDispatch);
}

}  // namespace

}  // namespace tessaline::com_server

extern "C" HRESULT __stdcall TessalineDriveScript(IDispatch* activator, IDispatch* factory,
                                                  const wchar_t* script, BSTR* events) {
  using namespace tessaline::com_server;
  if (events == nullptr) return E_POINTER;
  *events = nullptr;
  if (activator == nullptr || factory == nullptr || script == nullptr) return E_INVALIDARG;
  std::ostringstream out;
  int status = 0;
  try {
    // The script's runtime replaces one made on first use; its windows go with it when the call
    // ends.
    dropRuntime();
    if (forms::Application::current() != nullptr) return E_UNEXPECTED;
    forms::Application app(regional::RegionalSettings::fromEnvironment());
    std::istringstream in(text::fromWide(script));
    forms::ScriptDriver driver(app, out);
    driver.onGo([&](const std::string& code) { callGo(activator, factory, code); });
    status = driver.run(in);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    // Something the script cannot report as an event: the caller finds it in the error object.
    com::reportError(
        automation::Error(automation::err::kAutomationError, "TessalineDriveScript", e.what()),
        nullptr, IID_IDispatch);
    return E_FAIL;
  }
  const std::wstring text = text::toWide(out.str());
  *events = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (*events == nullptr) return E_OUTOFMEMORY;
  return status == 0 ? S_OK : S_FALSE;
}
