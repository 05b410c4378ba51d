// The server side of IDispatch for our objects: member names to ids, and calls by id with COM's
// arguments turned into late-bound calls.

#include <map>
#include <mutex>
#include <vector>

#include "com/bridge.h"
#include "text/text.h"
#include "text/wide.h"

namespace com {

namespace {

// Ids of member names not described by a type library: one per name whatever its spelling,
// stable for the life of the process, above the range type libraries use for their own members.
constexpr DISPID kFirstNameId = 0x00010000;

std::mutex gNamesMutex;
std::map<std::string, DISPID>& idsByName() {
  static std::map<std::string, DISPID> map;
  return map;
}
std::vector<std::string>& namesById() {
  static std::vector<std::string> names;
  return names;
}

DISPID idOfName(const std::string& name) {
  std::lock_guard lock(gNamesMutex);
  auto [it, added] = idsByName().try_emplace(text::lowerAscii(name), 0);
  if (added) {
    it->second = kFirstNameId + static_cast<DISPID>(namesById().size());
    namesById().push_back(name);
  }
  return it->second;
}

const std::string* nameOfId(DISPID id) {
  std::lock_guard lock(gNamesMutex);
  const auto index = static_cast<size_t>(id - kFirstNameId);
  if (id < kFirstNameId || index >= namesById().size()) return nullptr;
  return &namesById()[index];
}

bool describes(ITypeInfo* typeInfo, DISPID id) {
  if (typeInfo == nullptr) return false;
  BSTR name = nullptr;
  UINT count = 0;
  const HRESULT hr = typeInfo->GetNames(id, &name, 1, &count);
  ::SysFreeString(name);
  return SUCCEEDED(hr) && count > 0;
}

automation::CallKind kindOf(WORD flags) {
  if ((flags & DISPATCH_PROPERTYPUTREF) != 0) return automation::CallKind::Set;
  if ((flags & DISPATCH_PROPERTYPUT) != 0) return automation::CallKind::Let;
  if (flags == DISPATCH_PROPERTYGET) return automation::CallKind::Get;
  return automation::CallKind::Method;
}

}  // namespace

HRESULT idsOfNames(ITypeInfo* typeInfo, LPOLESTR* names, UINT count, DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  for (UINT i = 0; i < count; ++i) {
    if (names[i] == nullptr) return E_POINTER;
    if (i == 0 && typeInfo != nullptr && SUCCEEDED(typeInfo->GetIDsOfNames(&names[0], 1, &ids[0])))
      continue;
    ids[i] = idOfName(text::fromWide(names[i]));
  }
  return S_OK;
}

HRESULT invoke(const automation::ObjectRef& object, ITypeInfo* typeInfo, DISPID id, WORD flags,
               DISPPARAMS* params, VARIANT* result, EXCEPINFO* info, UINT* argError) {
  if (params == nullptr || (params->cArgs > 0 && params->rgvarg == nullptr) ||
      params->cNamedArgs > params->cArgs ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr)) {
    return E_INVALIDARG;
  }
  const bool byId = describes(typeInfo, id);
  std::string member;
  if (!byId && id != DISPID_VALUE) {
    const std::string* name = nameOfId(id);
    if (name == nullptr) return DISP_E_MEMBERNOTFOUND;
    member = *name;
  }
  const automation::CallKind kind = kindOf(flags);
  const bool put = kind == automation::CallKind::Let || kind == automation::CallKind::Set;
  const UINT count = params->cArgs;
  const UINT namedCount = params->cNamedArgs;
  try {
    // Arguments by reference become references to these variables, written back after the call.
    std::vector<automation::Variant> variables(count), before(count);
    auto argument = [&](UINT index) {
      const VARIANT& v = params->rgvarg[index];
      if ((v.vt & VT_BYREF) == 0) return automation::Arg(fromVariant(v));
      variables[index] = before[index] = fromVariant(v);
      return automation::Arg::ref(variables[index]);
    };
    std::vector<automation::Arg> positional;
    std::vector<automation::NamedArg> named;
    automation::Arg putValue;
    for (UINT i = 0; i < namedCount; ++i) {
      const DISPID namedId = params->rgdispidNamedArgs[i];
      if (put && namedId == DISPID_PROPERTYPUT) {
        putValue = argument(i);
        continue;
      }
      const std::string* name = nameOfId(namedId);
      if (name == nullptr) {
        if (argError != nullptr) *argError = i;
        return DISP_E_PARAMNOTFOUND;
      }
      named.push_back(automation::NamedArg{*name, argument(i)});
    }
    for (UINT i = count; i-- > namedCount;) positional.push_back(argument(i));
    if (put) {
      if (putValue.value().isMissing()) return DISP_E_PARAMNOTOPTIONAL;
      positional.push_back(std::move(putValue));
    }
    automation::CallArgs args(std::move(positional), std::move(named));
    if (!object) automation::raise(automation::err::kObjectNotSet);
    automation::Variant out =
        byId ? object->invokeById(id, kind, args) : object->invoke(member, kind, args);
    for (UINT i = 0; i < count; ++i) {
      if ((params->rgvarg[i].vt & VT_BYREF) != 0 && !(variables[i] == before[i])) {
        writeBack(params->rgvarg[i], variables[i]);
      }
    }
    if (result != nullptr) {
      ::VariantClear(result);
      toVariant(out, result);
    }
    return S_OK;
  } catch (const automation::Error& e) {
    return reportError(e, info, IID_IDispatch);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    return reportError(automation::Error(automation::err::kAutomationError, {}, e.what()), info,
                       IID_IDispatch);
  }
}

}  // namespace com
