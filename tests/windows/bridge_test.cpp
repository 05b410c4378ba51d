// The COM bridge seen from both sides; the regional settings, the settings store and case mapping
// of the Windows build.
// A small host object (IDispatch over a few recorded calls) and a small component object
// (automation::Dispatch) call each other through the bridge; the component module itself is
// loaded from beside this program.

#include "com/bridge.h"

#include <oaidl.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "profile/settings_store.h"
#include "regional/format.h"
#include "regional/regional_settings.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

using automation::Arg;
using automation::Currency;
using automation::Variant;

int gPassed = 0, gFailed = 0;

void check(bool ok, const char* what, int line) {
  if (ok) {
    ++gPassed;
  } else {
    ++gFailed;
    std::cout << "FAILED line " << line << ": " << what << "\n";
  }
}
#define CHECK(cond) check((cond), #cond, __LINE__)
template <class A, class B>
void checkEqual(const A& actual, const B& expected, const char* what, int line) {
  const bool ok = actual == expected;
  if (!ok) std::cout << "  got " << actual << ", expected " << expected << "\n";
  check(ok, what, line);
}
#define CHECK_EQ(actual, expected) \
  checkEqual((actual), (expected), #actual " == " #expected, __LINE__)

// ---- the host side: an IDispatch whose members record what they get

HRESULT STDAPICALLTYPE fillInLater(EXCEPINFO* e) {
  e->bstrDescription = ::SysAllocString(L"Bloqueo ocupado");
  e->bstrSource = ::SysAllocString(L"Sesion");
  return S_OK;
}

constexpr DISPID kEcho = 1, kSwap = 2, kFail = 3, kFailLater = 4, kValue = 5, kImprimir = 50;

class HostObject final : public IDispatch {
 public:
  ULONG refs = 1;
  std::vector<VARIANT> received;  // the last call's arguments as COM passed them (copied)
  std::vector<DISPID> namedIds;
  WORD flags = 0;

  ~HostObject() { clear(); }
  void clear() {
    for (VARIANT& v : received) ::VariantClear(&v);
    received.clear();
    namedIds.clear();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    static const std::map<std::wstring, DISPID> kIds = {
        {L"echo", kEcho},           {L"swap", kSwap},   {L"fail", kFail},
        {L"faillater", kFailLater}, {L"value", kValue}, {L"imprimir", kImprimir}};
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      std::wstring name = names[i];
      for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
      auto it = kIds.find(name);
      ids[i] = it == kIds.end() ? DISPID_UNKNOWN : it->second;
      if (it == kIds.end()) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD f, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    clear();
    flags = f;
    for (UINT i = 0; i < params->cArgs; ++i) {
      VARIANT copy;
      ::VariantInit(&copy);
      ::VariantCopy(&copy, &params->rgvarg[i]);
      received.push_back(copy);
    }
    namedIds.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    switch (id) {
      case kEcho:
        if (result != nullptr && params->cArgs > 0)
          ::VariantCopyInd(result, &params->rgvarg[params->cArgs - 1]);
        return S_OK;
      case kSwap:  // writes through every by-reference argument
        for (UINT i = 0; i < params->cArgs; ++i) {
          VARIANT& v = params->rgvarg[i];
          if (v.vt == (VT_BYREF | VT_CY)) v.pcyVal->int64 = 123456;
          if (v.vt == (VT_BYREF | VT_BSTR)) {
            ::SysFreeString(*v.pbstrVal);
            *v.pbstrVal = ::SysAllocString(L"\u00f1and\u00fa");
          }
          if (v.vt == (VT_BYREF | VT_VARIANT)) {
            ::VariantClear(v.pvarVal);
            v.pvarVal->vt = VT_I4;
            v.pvarVal->lVal = 77;
          }
        }
        return S_OK;
      case kFail:
        *info = EXCEPINFO{};
        info->scode = static_cast<SCODE>(0x800A0000u | 3001);
        info->bstrSource = ::SysAllocString(L"HostFactory");
        info->bstrDescription = ::SysAllocString(L"Saldo insuficiente");
        return DISP_E_EXCEPTION;
      case kFailLater:
        *info = EXCEPINFO{};
        info->wCode = 1005;
        info->pfnDeferredFillIn = fillInLater;
        return DISP_E_EXCEPTION;
      case kValue:
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }
};

// ---- the component side: an automation object that records what it gets

class Probe final : public automation::Dispatch {
 public:
  std::vector<Variant> got;
  std::vector<std::string> namedGot;
  Variant texto;

  Probe() : Dispatch("Probe") {
    method("Take", [this](automation::CallArgs& a) {
      got.clear();
      for (const Arg& arg : a.positional()) got.push_back(arg.value());
      namedGot.clear();
      for (const automation::NamedArg& n : a.namedArgs())
        namedGot.push_back(n.name + "=" + automation::cStr(n.arg.value()));
      return Variant(static_cast<int32_t>(a.size()));
    });
    method("Bump", [](automation::CallArgs& a) {
      a.at(0) = automation::cCur(a.at(0)) + Currency::fromInteger(1);
      a.at(1) = automation::cStr(a.at(1)) + "!";
      return Variant();
    });
    method("Raise", [](automation::CallArgs&) -> Variant {
      throw automation::Error(3002, "SelectFacturas", "Falta el n\xC3\xBAmero del cheque");
    });
    property("Texto", &texto);
  }
};

// Invoke on a COM object by name; arguments as COM passes them (last first).
HRESULT invokeByName(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                     VARIANT* result, EXCEPINFO* info,
                     std::vector<std::pair<const wchar_t*, VARIANT>> named = {}) {
  std::vector<LPOLESTR> names{const_cast<LPOLESTR>(name)};
  for (auto& n : named) names.push_back(const_cast<LPOLESTR>(n.first));
  std::vector<DISPID> ids(names.size());
  if (FAILED(d->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), 0,
                              ids.data()))) {
    return DISP_E_UNKNOWNNAME;
  }
  std::vector<VARIANT> all;
  std::vector<DISPID> namedIds;
  for (size_t i = 0; i < named.size(); ++i) {
    all.push_back(named[i].second);
    namedIds.push_back(ids[i + 1]);
  }
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
    namedIds.push_back(DISPID_PROPERTYPUT);
  all.insert(all.end(), args.begin(), args.end());
  DISPPARAMS params{all.data(), namedIds.data(), static_cast<UINT>(all.size()),
                    static_cast<UINT>(namedIds.size())};
  UINT argError = 0;
  return d->Invoke(ids[0], IID_NULL, 0, flags, &params, result, info, &argError);
}

VARIANT var(VARTYPE vt, std::function<void(VARIANT&)> fill) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = vt;
  fill(v);
  return v;
}

// ---- host -> component

void hostCallsComponent() {
  auto probe = std::make_shared<Probe>();
  IDispatch* d = com::toDispatch(probe);
  CHECK(d != nullptr);
  IDispatch* again = com::toDispatch(probe);
  CHECK(again == d);  // one COM identity per object
  again->Release();

  // One argument of each type; COM passes them last first.
  BSTR text = ::SysAllocString(L"Caf\u00e9 \u20ac");
  std::vector<VARIANT> args = {
      var(VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; }),
      var(VT_DISPATCH, [&](VARIANT& v) { v.pdispVal = d; }),
      var(VT_DISPATCH, [](VARIANT& v) { v.pdispVal = nullptr; }),
      var(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }),
      var(VT_BSTR, [&](VARIANT& v) { v.bstrVal = text; }),
      var(VT_DATE, [](VARIANT& v) { v.date = 46356.5; }),
      var(VT_CY, [](VARIANT& v) { v.cyVal.int64 = -12345678; }),
      var(VT_R8, [](VARIANT& v) { v.dblVal = 0.1; }),
      var(VT_R4, [](VARIANT& v) { v.fltVal = 0.5f; }),
      var(VT_I8, [](VARIANT& v) { v.llVal = 5000000000LL; }),
      var(VT_UI4, [](VARIANT& v) { v.ulVal = 4000000000u; }),
      var(VT_UI2, [](VARIANT& v) { v.uiVal = 65535; }),
      var(VT_I1, [](VARIANT& v) { v.cVal = -5; }),
      var(VT_UI1, [](VARIANT& v) { v.bVal = 200; }),
      var(VT_INT, [](VARIANT& v) { v.intVal = -7; }),
      var(VT_I4, [](VARIANT& v) { v.lVal = 100000; }),
      var(VT_I2, [](VARIANT& v) { v.iVal = -300; }),
      var(VT_NULL, [](VARIANT&) {}),
      var(VT_EMPTY, [](VARIANT&) {}),
  };
  VARIANT result;
  ::VariantInit(&result);
  EXCEPINFO info{};
  CHECK_EQ(invokeByName(d, L"TAKE", DISPATCH_METHOD, args, &result, &info), S_OK);
  CHECK(result.vt == VT_I4 && result.lVal == 19);
  const std::vector<Variant>& got = probe->got;
  if (got.size() == 19) {
    CHECK(got[0].isEmpty());
    CHECK(got[1].isNull());
    CHECK_EQ(got[2], Variant(int16_t{-300}));
    CHECK_EQ(got[3], Variant(int32_t{100000}));
    CHECK_EQ(got[4], Variant(int32_t{-7}));
    CHECK_EQ(got[5], Variant(int16_t{200}));
    CHECK_EQ(got[6], Variant(int16_t{-5}));
    CHECK_EQ(got[7], Variant(int32_t{65535}));
    CHECK_EQ(got[8], Variant(4000000000.0));  // beyond a Long
    CHECK_EQ(got[9], Variant(5000000000.0));
    CHECK_EQ(got[10], Variant(0.5));
    CHECK_EQ(got[11], Variant(0.1));
    CHECK_EQ(got[12], Variant(Currency::fromRaw(-12345678)));
    CHECK_EQ(got[13], Variant(automation::Date::fromYmd(2026, 11, 30, 12)));
    CHECK_EQ(got[14], Variant("Caf\xC3\xA9 \xE2\x82\xAC"));
    CHECK_EQ(got[15], Variant(true));
    CHECK(got[16].isNothing());
    CHECK(got[17].isObject() &&
          got[17].asObject() == probe);  // our own object comes back unwrapped
    CHECK(got[18].isMissing());
  } else {
    CHECK_EQ(got.size(), 19u);
  }
  ::SysFreeString(text);
  probe->got.clear();

  // By reference: the component's changes reach the host's variables, whatever their type.
  CY money{};
  money.int64 = 15000;  // 1.5
  VARIANT inner;
  ::VariantInit(&inner);
  inner.vt = VT_BSTR;
  inner.bstrVal = ::SysAllocString(L"abc");
  args = {var(VT_BYREF | VT_VARIANT, [&](VARIANT& v) { v.pvarVal = &inner; }),
          var(VT_BYREF | VT_CY, [&](VARIANT& v) { v.pcyVal = &money; })};
  CHECK_EQ(invokeByName(d, L"Bump", DISPATCH_METHOD, args, nullptr, &info), S_OK);
  CHECK_EQ(money.int64, 25000);
  CHECK(inner.vt == VT_BSTR && std::wstring(inner.bstrVal) == L"abc!");
  ::VariantClear(&inner);

  // Named arguments and property put.
  VARIANT imprimir = var(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; });
  VARIANT one = var(VT_I2, [](VARIANT& v) { v.iVal = 1; });
  CHECK_EQ(
      invokeByName(d, L"take", DISPATCH_METHOD, {one}, nullptr, &info, {{L"Imprimir", imprimir}}),
      S_OK);
  CHECK(probe->got.size() == 1 && probe->namedGot == std::vector<std::string>{"Imprimir=True"});
  BSTR nuevo = ::SysAllocString(L"nuevo");
  CHECK_EQ(invokeByName(d, L"Texto", DISPATCH_PROPERTYPUT,
                        {var(VT_BSTR, [&](VARIANT& v) { v.bstrVal = nuevo; })}, nullptr, &info),
           S_OK);
  ::SysFreeString(nuevo);
  CHECK_EQ(probe->texto, Variant("nuevo"));
  CHECK_EQ(invokeByName(d, L"Texto", DISPATCH_PROPERTYGET, {}, &result, &info), S_OK);
  CHECK(result.vt == VT_BSTR && std::wstring(result.bstrVal) == L"nuevo");
  ::VariantClear(&result);

  // The component's error reaches the host with its number, description and source, in EXCEPINFO
  // and in the thread's error object.
  info = EXCEPINFO{};
  CHECK_EQ(invokeByName(d, L"Raise", DISPATCH_METHOD, {}, nullptr, &info), DISP_E_EXCEPTION);
  CHECK_EQ(static_cast<uint32_t>(info.scode), 0x800A0000u | 3002);
  CHECK(info.bstrSource != nullptr && std::wstring(info.bstrSource) == L"SelectFacturas");
  CHECK(info.bstrDescription != nullptr &&
        std::wstring(info.bstrDescription) == L"Falta el n\u00famero del cheque");
  ::SysFreeString(info.bstrSource);
  ::SysFreeString(info.bstrDescription);
  IErrorInfo* error = nullptr;
  CHECK(::GetErrorInfo(0, &error) == S_OK && error != nullptr);
  if (error != nullptr) {
    BSTR description = nullptr;
    error->GetDescription(&description);
    CHECK(description != nullptr &&
          std::wstring(description) == L"Falta el n\u00famero del cheque");
    ::SysFreeString(description);
    error->Release();
  }
  info = EXCEPINFO{};
  CHECK_EQ(invokeByName(d, L"NoSuchMember", DISPATCH_METHOD, {}, nullptr, &info), DISP_E_EXCEPTION);
  CHECK_EQ(static_cast<uint32_t>(info.scode), 0x800A0000u | 438);
  ::SysFreeString(info.bstrSource);
  ::SysFreeString(info.bstrDescription);

  // The bridge holds the object while COM does, and lets go with the last COM reference.
  CHECK(probe.use_count() > 1);
  d->Release();
  CHECK_EQ(probe.use_count(), 1);
  CHECK_EQ(com::liveBridges(), 0);
}

// ---- component -> host

void componentCallsHost() {
  HostObject host;
  automation::ObjectRef h = com::fromUnknown(&host);
  CHECK_EQ(host.refs, 2u);  // the bridged object holds one reference
  auto probe = std::make_shared<Probe>();

  Variant echoed = automation::call(
      h, "Echo",
      {Arg(int16_t{-2}), Arg(int32_t{70000}), Arg(2.25), Arg(Currency::fromRaw(99)),
       Arg("se\xC3\xB1or"), Arg(automation::Date::fromYmd(2024, 3, 5)), Arg(false),
       Arg(Variant::null()), Arg(), Arg(Variant::nothing()), Arg(Variant(probe)), Arg(Variant(h))});
  CHECK_EQ(echoed, Variant(int16_t{-2}));  // the first argument is COM's last
  if (host.received.size() == 12) {
    const std::vector<VARIANT>& r = host.received;
    CHECK(r[11].vt == VT_I2 && r[11].iVal == -2);
    CHECK(r[10].vt == VT_I4 && r[10].lVal == 70000);
    CHECK(r[9].vt == VT_R8 && r[9].dblVal == 2.25);
    CHECK(r[8].vt == VT_CY && r[8].cyVal.int64 == 99);
    CHECK(r[7].vt == VT_BSTR && std::wstring(r[7].bstrVal) == L"se\u00f1or");
    CHECK(r[6].vt == VT_DATE && r[6].date == automation::Date::fromYmd(2024, 3, 5).serial());
    CHECK(r[5].vt == VT_BOOL && r[5].boolVal == VARIANT_FALSE);
    CHECK(r[4].vt == VT_NULL);
    CHECK(r[3].vt == VT_ERROR && r[3].scode == DISP_E_PARAMNOTFOUND);
    CHECK(r[2].vt == VT_DISPATCH && r[2].pdispVal == nullptr);
    CHECK(r[1].vt == VT_DISPATCH && r[1].pdispVal != nullptr);
    CHECK(r[0].vt == VT_DISPATCH && r[0].pdispVal == &host);  // a host object goes back as itself
  } else {
    CHECK_EQ(host.received.size(), 12u);
  }
  host.clear();
  CHECK_EQ(host.refs, 2u);  // every reference the call made was released
  CHECK_EQ(com::liveBridges(), 0);

  // By reference: typed as the value (Currency as VT_BYREF|VT_CY), Empty as VT_BYREF|VT_VARIANT;
  // what the host writes reaches the component's variables.
  Variant total(Currency::fromRaw(15000)), nombre("x"), nada;
  automation::call(h, "Swap", {Arg::ref(total), Arg::ref(nombre), Arg::ref(nada), Arg(int32_t{5})});
  if (host.received.size() == 4) {
    CHECK_EQ(host.received[3].vt, VT_BYREF | VT_CY);
    CHECK_EQ(host.received[2].vt, VT_BYREF | VT_BSTR);
    CHECK_EQ(host.received[1].vt, VT_BYREF | VT_VARIANT);
    CHECK_EQ(host.received[0].vt, VT_I4);
  }
  CHECK_EQ(total, Variant(Currency::fromRaw(123456)));
  CHECK_EQ(nombre, Variant("\xC3\xB1"
                           "and\xC3\xBA"));
  CHECK_EQ(nada, Variant(int32_t{77}));

  // Named arguments come first, with their ids; a put passes DISPID_PROPERTYPUT.
  automation::call(h, "Echo", {Arg(int16_t{0}), Arg("A")}, {{"Imprimir", Arg(true)}});
  CHECK(host.namedIds == std::vector<DISPID>{kImprimir});
  CHECK(host.received.size() == 3 && host.received[0].vt == VT_BOOL &&
        host.received[2].vt == VT_I2);
  automation::let(h, "Value", Variant(int32_t{5}));
  CHECK(host.flags == DISPATCH_PROPERTYPUT &&
        host.namedIds == std::vector<DISPID>{DISPID_PROPERTYPUT});
  host.clear();

  // The host's errors arrive with its number, description and source (also filled in late).
  try {
    automation::call(h, "Fail");
    CHECK(false);
  } catch (const automation::Error& e) {
    CHECK_EQ(e.number(), 3001);
    CHECK_EQ(e.description(), std::string("Saldo insuficiente"));
    CHECK_EQ(e.source(), std::string("HostFactory"));
  }
  try {
    automation::call(h, "FailLater");
    CHECK(false);
  } catch (const automation::Error& e) {
    CHECK_EQ(e.number(), 1005);
    CHECK_EQ(e.description(), std::string("Bloqueo ocupado"));
    CHECK_EQ(e.source(), std::string("Sesion"));
  }
  try {
    automation::call(h, "Missing");
    CHECK(false);
  } catch (const automation::Error& e) {
    CHECK_EQ(e.number(), automation::err::kMemberNotSupported);
  }
  host.clear();

  // Releasing the last automation reference releases the COM one.
  Variant copy(h);
  h.reset();
  CHECK_EQ(host.refs, 2u);
  copy = Variant();
  CHECK_EQ(host.refs, 1u);
}

// ---- regional settings from the Windows locale

void windowsLocale() {
  const auto ve = regional::RegionalSettings::fromLocale("es-VE");
  CHECK_EQ(ve.decimalText(), std::string(","));
  CHECK_EQ(ve.thousandsText(), std::string("."));
  CHECK_EQ(regional::format(Variant(1234567.891), "#,##0.00", ve), std::string("1.234.567,89"));
  const auto date = Variant(automation::Date::fromYmd(2026, 3, 5));
  std::cout << "es-VE: currency "
            << regional::format(Variant(Currency::fromInteger(-1234)), "Currency", ve)
            << ", short date " << regional::format(date, "Short Date", ve) << "\n";
  const std::string shortDate = regional::format(date, "Short Date", ve);
  CHECK(shortDate == "05/03/2026" ||
        shortDate == "5/3/2026");  // the day first, as the locale writes it
  const std::string money = regional::format(Variant(Currency::fromRaw(12345000)), "Currency", ve);
  CHECK(money.find(ve.currencySymbol()) != std::string::npos &&
        money.find("1.234,50") != std::string::npos);
  CHECK_EQ(automation::cDbl(Variant("1.234,5"), ve.symbols()), 1234.5);

  const auto us = regional::RegionalSettings::fromLocale("en_US");
  CHECK_EQ(regional::format(Variant(1234567.891), "#,##0.00", us), std::string("1,234,567.89"));
  CHECK_EQ(regional::format(Variant(Currency::fromRaw(12345000)), "Currency", us),
           std::string("$1,234.50"));
  CHECK_EQ(regional::format(Variant(Currency::fromRaw(-12345000)), "Currency", us),
           std::string("($1,234.50)"));
  CHECK_EQ(regional::format(date, "Short Date", us), std::string("3/5/2026"));
  CHECK_EQ(automation::cStr(date, us.symbols()), std::string("3/5/2026"));

  try {
    regional::RegionalSettings::fromLocale("xx-NOPE");
    CHECK(false);
  } catch (const automation::Error& e) {
    CHECK_EQ(e.number(), automation::err::kInvalidProcedureCall);
  }
}

// ---- the settings store in the registry, case mapping through the system

void registryStore() {
  profile::SettingsStore store("Software\\TessalineBridgeTest");
  store.removeSection("Zel", "");
  CHECK(!store.find("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left"));
  store.set("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left", "1200");
  store.set("zel", "config\\formplacement\\selectfacturas", "Top", "se\xC3\xB1or");
  CHECK_EQ(store.get("ZEL", "Config\\FormPlacement\\SelectFacturas", "LEFT"), std::string("1200"));
  CHECK_EQ(store.getAll("Zel", "CONFIG\\FormPlacement\\SelectFacturas").size(), 2u);
  HKEY key = nullptr;  // one key a level, one string value a key
  CHECK(
      ::RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\TessalineBridgeTest\\Zel\\CONFIG\\FormPlacement\\SelectFacturas",
                      0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS);
  if (key != nullptr) ::RegCloseKey(key);
  bool refused = false;
  try {
    store.set("Zel", "S", "K", "\xFF");  // not UTF-8: refused, nothing written
  } catch (const profile::StoreError&) {
    refused = true;
  }
  CHECK(refused && !store.find("Zel", "S", "K"));
  CHECK(store.remove("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left"));
  CHECK(!store.remove("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left"));
  CHECK(store.removeSection("Zel", "CONFIG"));
  CHECK(!store.find("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Top"));
  store.removeSection("Zel", "");

  CHECK_EQ(text::upperCode("  \xC3\xB1"
                           "and\xC3\xBA i "),
           std::string("\xC3\x91"
                       "AND\xC3\x9A I"));
  CHECK_EQ(text::utf8::lower("\xC3\x91"
                             "A\xE2\x82\xAC\xFF"),
           std::string("\xC3\xB1"
                       "a\xE2\x82\xAC\xEF\xBF\xBD"));
}

// ---- the module beside this program

void componentModule() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dll(path, n);
  dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"Tessaline.dll";
  HMODULE module = ::LoadLibraryW(dll.c_str());
  CHECK(module != nullptr);
  if (module == nullptr) return;
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto getClassObject = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  auto canUnload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
  CHECK(getClassObject != nullptr && canUnload != nullptr &&
        ::GetProcAddress(module, "TessalineDriveScript") != nullptr);
  if (getClassObject == nullptr || canUnload == nullptr) return;
  CLSID clsid;
  ::CLSIDFromString(L"{E2F6B806-4744-4278-9405-81F30E000EB5}", &clsid);
  IClassFactory* factory = nullptr;
  CHECK_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  IDispatch* activator = nullptr;
  if (factory != nullptr) {
    CHECK_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&activator)),
             S_OK);
    factory->Release();
  }
  if (activator == nullptr) return;
  CHECK_EQ(canUnload(), S_FALSE);
  LPOLESTR name = const_cast<LPOLESTR>(L"GO");
  DISPID id = 0;
  CHECK_EQ(activator->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  CHECK_EQ(id, 0x60030000);
  ITypeInfo* info = nullptr;
  CHECK_EQ(activator->GetTypeInfo(0, 0, &info), S_OK);
  if (info != nullptr) {
    BSTR interfaceName = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &interfaceName, nullptr, nullptr, nullptr);
    CHECK(interfaceName != nullptr && std::wstring(interfaceName) == L"_Activator");
    ::SysFreeString(interfaceName);
    info->Release();
  }
  // A factory that is not an object: error 13 out of go, nothing opened.
  EXCEPINFO error{};
  VARIANT code = var(VT_BSTR, [](VARIANT& v) { v.bstrVal = ::SysAllocString(L"V001"); });
  VARIANT notObject = var(VT_I4, [](VARIANT& v) { v.lVal = 1; });
  VARIANT args[2];
  args[0].vt = VT_BYREF | VT_VARIANT;
  args[0].pvarVal = &code;
  args[1].vt = VT_BYREF | VT_VARIANT;
  args[1].pvarVal = &notObject;
  DISPPARAMS params{args, nullptr, 2, 0};
  CHECK_EQ(activator->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &error, nullptr),
           DISP_E_EXCEPTION);
  CHECK_EQ(static_cast<uint32_t>(error.scode), 0x800A0000u | automation::err::kTypeMismatch);
  ::SysFreeString(error.bstrSource);
  ::SysFreeString(error.bstrDescription);
  ::VariantClear(&code);
  activator->Release();
  CHECK_EQ(canUnload(), S_OK);
}

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  hostCallsComponent();
  componentCallsHost();
  windowsLocale();
  registryStore();
  componentModule();
  ::CoUninitialize();
  std::cout << gPassed << " passed, " << gFailed << " failed\n";
  return gFailed == 0 ? 0 : 1;
}
