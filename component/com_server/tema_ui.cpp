// The host's theme interface: aplicarTema is called through the vtable of ITemaUI, the window
// passed by reference (a window the host hands back in its place is the one the caller sees).

#include <windows.h>

#include "automation/error.h"
#include "com/bridge.h"
#include "quorvane.h"

namespace tessaline::com_server {

namespace {

automation::Variant aplicarTema(IUnknown* itf, automation::CallArgs& args) {
  args.expect(1, 1);
  automation::Variant& ventana = args.at(0);
  if (!ventana.isObject()) automation::raise(automation::err::kTypeMismatch);
  IDispatch* window = com::toDispatch(ventana.asObject());
  IDispatch* passed = window;
  auto* tema = static_cast<ITemaUI*>(itf);
  const HRESULT hr = tema->aplicarTema(&passed);
  if (passed != window) {
    // The host put another window in its place (releasing the one it was given).
    automation::ObjectRef replaced = com::fromUnknown(passed);
    if (passed != nullptr) passed->Release();
    if (args.isByRef(0)) ventana = automation::Variant(std::move(replaced));
  } else if (passed != nullptr) {
    passed->Release();
  }
  if (FAILED(hr)) throw com::errorFrom(hr, nullptr, tema, IID_ITemaUI);
  return {};
}

[[maybe_unused]] const bool kBound = [] {
  com::bindInterfaceMember(IID_ITemaUI, "aplicarTema", aplicarTema);
  return true;
}();

}  // namespace

}  // namespace tessaline::com_server
