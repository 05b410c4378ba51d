// The COM bridge seen from both sides, and the Windows build's regional settings, settings store
// and case mapping. A small host object (an IDispatch that records how it was called) and a small
// component object (automation::Dispatch) call each other through the bridge.

#include "com/bridge.h"

#include <comdef.h>

#include <cstdio>
#include <iostream>
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
  ok ? ++gPassed : ++gFailed;
  if (!ok) std::cout << "FAILED line " << line << ": " << what << "\n";
}
#define CHECK(cond) check((cond), #cond, __LINE__)
template <class A, class B>
void checkEqual(const A& actual, const B& expected, const char* what, int line) {
  if (!(actual == expected)) std::cout << "  got " << actual << ", expected " << expected << "\n";
  check(actual == expected, what, line);
}
#define CHECK_EQ(actual, expected) checkEqual((actual), (expected), #actual " == " #expected, __LINE__)

// ---- the host side

// A VARIANT as the host sees it: "type:value"; by reference "&type" (VT_BYREF dropped).
std::string shown(const VARIANT& v, const IDispatch* self) {
  if (v.vt & VT_BYREF) return std::string(1, '&') += std::to_string(v.vt & ~VT_BYREF);
  const std::string type = std::to_string(v.vt) + ":";
  if (v.vt == VT_BSTR) return type + com::fromBstr(v.bstrVal);
  if (v.vt == VT_DISPATCH)
    return type + (!v.pdispVal ? "null" : v.pdispVal == self ? "self" : "obj");
  if (v.vt == VT_ERROR) return type + (v.scode == DISP_E_PARAMNOTFOUND ? "missing" : "?");
  _variant_t number;
  char text[32] = "";
  if (v.vt > VT_NULL && SUCCEEDED(VariantChangeType(&number, const_cast<VARIANT*>(&v), 0, VT_R8)))
    std::snprintf(text, sizeof text, "%.15g", number.dblVal);
  return type + text;
}

HRESULT STDAPICALLTYPE fillInLater(EXCEPINFO* e) {
  e->bstrDescription = SysAllocString(L"Bloqueo ocupado");
  e->bstrSource = SysAllocString(L"Sesion");
  return S_OK;
}

const wchar_t* const kMembers[] = {L"Echo",   L"Swap",  L"Fail",    L"FailLater",
                                   L"Refuse", L"Value", L"Imprimir"};
enum : DISPID { kEcho = 1, kSwap, kFail, kFailLater, kRefuse, kValue, kImprimir };

// Echo returns its first argument, Swap writes through every by-reference one, Fail and FailLater
// raise through EXCEPINFO, Refuse through the thread's error object.
class HostObject final : public IDispatch, public ISupportErrorInfo {
 public:
  ULONG refs = 1;
  std::string call;  // the last call: flags, its arguments in order, then the named ids ("#7")

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch))
      *out = static_cast<IDispatch*>(this);
    if (IsEqualIID(riid, IID_ISupportErrorInfo)) *out = static_cast<ISupportErrorInfo*>(this);
    if (*out) AddRef();
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (DISPID k = 0; k < DISPID(std::size(kMembers)); ++k)
        if (_wcsicmp(names[i], kMembers[k]) == 0) ids[i] = k + 1;
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    call = std::to_string(flags) + ":";
    for (UINT i = p->cArgs; i-- > 0;) (call += ' ') += shown(p->rgvarg[i], this);
    for (UINT i = 0; i < p->cNamedArgs; ++i)
      (call += " #") += std::to_string(p->rgdispidNamedArgs[i]);
    if (id == kEcho && result != nullptr && p->cArgs > 0)
      VariantCopyInd(result, &p->rgvarg[p->cArgs - 1]);
    for (UINT i = 0; id == kSwap && i < p->cArgs; ++i) {
      VARIANT& v = p->rgvarg[i];
      if (v.vt == (VT_BYREF | VT_CY)) v.pcyVal->int64 = 123456;
      if (v.vt == (VT_BYREF | VT_BSTR)) SysReAllocString(v.pbstrVal, L"\u00f1and\u00fa");
      if (v.vt == (VT_BYREF | VT_VARIANT)) {
        VariantClear(v.pvarVal);
        *v.pvarVal = _variant_t(77L).Detach();
      }
    }
    if (id == kFail || id == kFailLater) {
      *info = EXCEPINFO{};
      info->scode = id == kFail ? static_cast<SCODE>(0x800A0000u | 3001) : 0;
      info->wCode = id == kFail ? 0 : 1005;
      info->bstrSource = id == kFail ? SysAllocString(L"HostFactory") : nullptr;
      info->bstrDescription = id == kFail ? SysAllocString(L"Saldo insuficiente") : nullptr;
      info->pfnDeferredFillIn = id == kFail ? nullptr : fillInLater;
      return DISP_E_EXCEPTION;
    }
    if (id == kRefuse) {
      ICreateErrorInfo* create = nullptr;
      IErrorInfo* error = nullptr;
      CreateErrorInfo(&create);
      create->SetSource(const_cast<LPOLESTR>(L"Banco"));
      create->SetDescription(const_cast<LPOLESTR>(L"Cuenta cerrada"));
      create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&error));
      SetErrorInfo(0, error);
      error->Release();
      create->Release();
      return static_cast<HRESULT>(0x800A0000u | 3003);
    }
    return id >= kEcho && id <= kValue ? S_OK : DISP_E_MEMBERNOTFOUND;
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
      for (size_t i : {1, 2}) a.at(i) = automation::cStr(a.at(i)) + "!";
      return Variant();
    });
    method("Raise", [](automation::CallArgs&) -> Variant {
      throw automation::Error(3002, "SelectFacturas", "Falta el n\xC3\xBAmero del cheque");
    });
    property("Texto", &texto);
  }
};

// Invoke on a COM object by name; args in the caller's order (passed last first, as COM does).
HRESULT invoke(IDispatch* d, const wchar_t* name, WORD flags, std::vector<_variant_t> args,
               VARIANT* result, EXCEPINFO* info, const wchar_t* namedName = nullptr) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name), const_cast<LPOLESTR>(namedName)};
  DISPID ids[2] = {};
  if (FAILED(d->GetIDsOfNames(IID_NULL, names, namedName ? 2 : 1, 0, ids)))
    return DISP_E_UNKNOWNNAME;
  std::vector<VARIANT> all(args.rbegin(), args.rend());
  DISPID named = flags & DISPATCH_PROPERTYPUT ? DISPID_PROPERTYPUT : ids[1];
  DISPPARAMS params{all.data(), &named, static_cast<UINT>(all.size()),
                    namedName || (flags & DISPATCH_PROPERTYPUT) ? 1u : 0u};
  return d->Invoke(ids[0], IID_NULL, 0, flags, &params, result, info, nullptr);
}


void hostCallsComponent() {
  auto probe = std::make_shared<Probe>();
  IDispatch* d = com::toDispatch(probe);
  IDispatch* again = com::toDispatch(probe);
  CHECK(d != nullptr && again == d);  // one COM identity per object
  again->Release();

  // One argument of each type, and what the component gets.
  {
    _variant_t null, missing(DISP_E_PARAMNOTFOUND, VT_ERROR), cy(CY{.int64 = -12345678});
    null.vt = VT_NULL;
    const std::vector<std::pair<_variant_t, Variant>> kinds = {
        {_variant_t(), Variant()},
        {null, Variant::null()},
        {_variant_t(short{-300}), Variant(int16_t{-300})},
        {_variant_t(100000L), Variant(int32_t{100000})},
        {_variant_t(-7), Variant(int32_t{-7})},  // VT_INT
        {_variant_t(BYTE{200}), Variant(int16_t{200})},
        {_variant_t(char{-5}), Variant(int16_t{-5})},
        {_variant_t(static_cast<unsigned short>(65535)), Variant(int32_t{65535})},
        {_variant_t(4000000000ul), Variant(4000000000.0)},  // beyond a Long
        {_variant_t(5000000000ll), Variant(5000000000.0)},
        {_variant_t(0.5f), Variant(0.5)},
        {_variant_t(0.1), Variant(0.1)},
        {cy, Variant(Currency::fromRaw(-12345678))},
        {_variant_t(46356.5, VT_DATE), Variant(automation::Date::fromYmd(2026, 11, 30, 12))},
        {_variant_t(L"Caf\u00e9 \u20ac"), Variant("Caf\xC3\xA9 \xE2\x82\xAC")},
        {_variant_t(true), Variant(true)},
        {_variant_t(static_cast<IDispatch*>(nullptr)), Variant::nothing()},
        {_variant_t(d), Variant(probe)},  // our own object comes back unwrapped
        {missing, Variant::missing()},
    };
    std::vector<_variant_t> args;
    for (const auto& k : kinds) args.push_back(k.first);
    _variant_t result;
    CHECK_EQ(invoke(d, L"TAKE", DISPATCH_METHOD, args, &result, nullptr), S_OK);
    CHECK(result.vt == VT_I4 && result.lVal == 19);
    for (size_t i = 0; i < kinds.size(); ++i)
      checkEqual(i < probe->got.size() ? probe->got[i] : Variant("none"), kinds[i].second,
                 "argument of each type", static_cast<int>(i));
  }
  probe->got.clear();
  _variant_t result;

  // By reference, of VARIANT and of the type: the component's changes reach the host's variables.
  _variant_t inner(5L);      // a variable of VARIANT takes the value with its type
  CY money{.int64 = 15000};  // 1.5
  BSTR word = SysAllocString(L"abc");
  VARIANT byCurrency{}, byString{}, byVariant{};
  byCurrency.vt = VT_BYREF | VT_CY, byCurrency.pcyVal = &money;
  byString.vt = VT_BYREF | VT_BSTR, byString.pbstrVal = &word;
  byVariant.vt = VT_BYREF | VT_VARIANT, byVariant.pvarVal = &inner;
  CHECK_EQ(invoke(d, L"Bump", DISPATCH_METHOD, {byCurrency, byString, byVariant}, nullptr, nullptr),
           S_OK);
  CHECK_EQ(money.int64, 25000);
  CHECK(std::wstring(word) == L"abc!" && inner.vt == VT_BSTR &&
        std::wstring(inner.bstrVal) == L"5!");
  SysFreeString(word);

  // Named arguments; property put and get.
  CHECK_EQ(invoke(d, L"take", DISPATCH_METHOD, {short{1}, true}, nullptr, nullptr, L"Imprimir"),
           S_OK);
  CHECK(probe->got.size() == 1 && probe->namedGot == std::vector<std::string>{"Imprimir=True"});
  CHECK_EQ(invoke(d, L"Texto", DISPATCH_PROPERTYPUT, {L"nuevo"}, nullptr, nullptr), S_OK);
  CHECK_EQ(probe->texto, Variant("nuevo"));
  CHECK_EQ(invoke(d, L"Texto", DISPATCH_PROPERTYGET, {}, &result, nullptr), S_OK);
  CHECK(result.vt == VT_BSTR && std::wstring(result.bstrVal) == L"nuevo");

  // The component's error reaches the host with its number, description and source, in EXCEPINFO
  // and in the thread's error object.
  EXCEPINFO info{};
  CHECK_EQ(invoke(d, L"Raise", DISPATCH_METHOD, {}, nullptr, &info), DISP_E_EXCEPTION);
  CHECK_EQ(static_cast<uint32_t>(info.scode), 0x800A0000u | 3002);
  CHECK_EQ(com::fromBstr(info.bstrSource) + ": " + com::fromBstr(info.bstrDescription),
           std::string("SelectFacturas: Falta el n\xC3\xBAmero del cheque"));
  SysFreeString(info.bstrSource), SysFreeString(info.bstrDescription);
  IErrorInfo* error = nullptr;
  BSTR description = nullptr;
  CHECK(GetErrorInfo(0, &error) == S_OK && error && error->GetDescription(&description) == S_OK);
  CHECK_EQ(com::fromBstr(description), std::string("Falta el n\xC3\xBAmero del cheque"));
  SysFreeString(description);
  if (error) error->Release();
  info = EXCEPINFO{};
  CHECK_EQ(invoke(d, L"Nope", DISPATCH_METHOD, {}, nullptr, &info), DISP_E_EXCEPTION);
  CHECK_EQ(static_cast<uint32_t>(info.scode), 0x800A0000u | 438);
  SysFreeString(info.bstrSource), SysFreeString(info.bstrDescription);

  // The bridge holds the object while COM does, and lets go with the last COM reference.
  CHECK(probe.use_count() > 1);
  d->Release();
  CHECK_EQ(probe.use_count(), 1);
  CHECK_EQ(com::liveBridges(), 0);
}


void componentCallsHost() {
  HostObject host;
  automation::ObjectRef h = com::fromUnknown(static_cast<IDispatch*>(&host));
  CHECK_EQ(host.refs, 2u);  // the bridged object holds one reference
  auto probe = std::make_shared<Probe>();

  // One argument of each type; the first comes back (COM's last).
  Variant echoed = automation::call(
      h, "Echo",
      {Arg(int16_t{-2}), Arg(int32_t{70000}), Arg(2.25), Arg(Currency::fromRaw(99)),
       Arg("se\xC3\xB1or"), Arg(automation::Date::fromYmd(2024, 3, 5)), Arg(false),
       Arg(Variant::null()), Arg(), Arg(Variant::nothing()), Arg(Variant(probe)), Arg(Variant(h))});
  CHECK_EQ(echoed, Variant(int16_t{-2}));
  CHECK_EQ(host.call,
           std::string("3: 2:-2 3:70000 5:2.25 6:0.0099 8:se\xC3\xB1or 7:45356 11:0 1: 10:missing "
                       "9:null 9:obj 9:self"));  // a host object goes back as itself
  CHECK_EQ(host.refs, 2u);                       // every reference the call made was released
  CHECK_EQ(com::liveBridges(), 0);

  // By reference: Currency and String of their type, Empty as VARIANT; what the host writes back
  // reaches the component's variables.
  Variant total(Currency::fromRaw(15000)), nombre("x"), nada;
  automation::call(h, "Swap", {Arg::ref(total), Arg::ref(nombre), Arg::ref(nada), Arg(int32_t{5})});
  CHECK_EQ(host.call, std::string("3: &6 &8 &12 3:5"));
  CHECK_EQ(total, Variant(Currency::fromRaw(123456)));
  CHECK_EQ(nombre, Variant("\xC3\xB1" "and\xC3\xBA"));
  CHECK_EQ(nada, Variant(int32_t{77}));

  // Named arguments come after the positional ones, with their ids; a put passes
  // DISPID_PROPERTYPUT.
  automation::call(h, "Echo", {Arg(int16_t{0}), Arg("A")}, {{"Imprimir", Arg(true)}});
  CHECK_EQ(host.call, std::string("3: 2:0 8:A 11:-1 #7"));
  automation::let(h, "Value", Variant(int32_t{5}));
  CHECK_EQ(host.call, std::string("4: 3:5 #-3"));

  // The host's errors arrive with its number, description and source: through EXCEPINFO (also
  // filled in late) and through the thread's error object.
  const auto failure = [&](const char* member) {
    try {
      automation::call(h, member);
    } catch (const automation::Error& e) {
      return std::to_string(e.number()) + " " + e.source() + ": " + e.description();
    }
    return std::string("no error");
  };
  CHECK_EQ(failure("Fail"), std::string("3001 HostFactory: Saldo insuficiente"));
  CHECK_EQ(failure("FailLater"), std::string("1005 Sesion: Bloqueo ocupado"));
  CHECK_EQ(failure("Refuse"), std::string("3003 Banco: Cuenta cerrada"));
  CHECK_EQ(failure("Missing").substr(0, 4), std::string("438 "));

  // Releasing the last automation reference releases the COM one.
  Variant copy(h);
  h.reset();
  CHECK_EQ(host.refs, 2u);
  copy = Variant();
  CHECK_EQ(host.refs, 1u);
}


void windowsLocale() {
  const auto ve = regional::RegionalSettings::fromLocale("es-VE");
  const auto us = regional::RegionalSettings::fromLocale("en_US");
  const Variant date(automation::Date::fromYmd(2026, 3, 5));
  CHECK_EQ(ve.decimalText() + ve.thousandsText(), std::string(",."));
  CHECK_EQ(regional::format(Variant(1234567.891), "#,##0.00", ve), std::string("1.234.567,89"));
  const std::string shortDate = regional::format(date, "Short Date", ve);
  CHECK(shortDate == "05/03/2026" || shortDate == "5/3/2026");  // the day first
  const std::string money = regional::format(Variant(Currency::fromRaw(12345000)), "Currency", ve);
  CHECK(money.find(ve.currencySymbol()) != std::string::npos &&
        money.find("1.234,50") != std::string::npos);
  CHECK_EQ(automation::cDbl(Variant("1.234,5"), ve.symbols()), 1234.5);

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

// The settings store in the registry; case mapping through the system.

void registryStore() {
  const std::string placement = "CONFIG\\FormPlacement\\SelectFacturas";
  profile::SettingsStore store("Software\\TessalineBridgeTest");
  store.removeSection("Zel", "");
  CHECK(!store.find("Zel", placement, "Left"));
  store.set("Zel", placement, "Left", "1200");
  store.set("zel", "config\\formplacement\\selectfacturas", "Top", "se\xC3\xB1or");
  CHECK_EQ(store.get("ZEL", "Config\\FormPlacement\\SelectFacturas", "LEFT"), std::string("1200"));
  CHECK_EQ(store.getAll("Zel", placement).size(), 2u);
  HKEY key = nullptr;  // one key a level, one string value a key
  CHECK(RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\TessalineBridgeTest\\Zel\\CONFIG\\FormPlacement\\SelectFacturas",
                      0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS);
  if (key != nullptr) RegCloseKey(key);
  bool refused = false;
  try {
    store.set("Zel", "S", "K", "\xFF");  // not UTF-8: refused, nothing written
  } catch (const profile::StoreError&) {
    refused = true;
  }
  CHECK(refused && !store.find("Zel", "S", "K"));
  CHECK(store.remove("Zel", placement, "Left") && !store.remove("Zel", placement, "Left"));
  CHECK(store.removeSection("Zel", "CONFIG") && !store.find("Zel", placement, "Top"));
  store.removeSection("Zel", "");

  CHECK_EQ(text::upperCode("  \xC3\xB1" "and\xC3\xBA i "), std::string("\xC3\x91" "AND\xC3\x9A I"));
  CHECK_EQ(text::utf8::lower("\xC3\x91" "A\xE2\x82\xAC\xFF"), std::string("\xC3\xB1" "a\xE2\x82\xAC\xEF\xBF\xBD"));
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  hostCallsComponent();
  componentCallsHost();
  windowsLocale();
  registryStore();
  CoUninitialize();
  std::cout << gPassed << " passed, " << gFailed << " failed\n";
  return gFailed == 0 ? 0 : 1;
}
