// Objects across the boundary: the COM identity of our objects, and host objects seen as
// late-bound objects (called through IDispatchEx when they offer it, else IDispatch).

#include <dispex.h>

#include <map>
#include <mutex>
#include <vector>

#include "com/bridge.h"
#include "com/dispatch_object.h"
#include "text/wide.h"

namespace com {

namespace {

std::mutex gMutex;
std::map<const automation::Object*, IDispatch*>& bridges() {
  static std::map<const automation::Object*, IDispatch*> map;
  return map;
}
std::atomic<long> gLive{0};

struct InterfaceMember {
  GUID iid;
  std::string member;
  VtableCall call;
};
std::vector<InterfaceMember>& interfaceMembers() {
  static std::vector<InterfaceMember> members;
  return members;
}

// {A6EF9860-C720-11D0-9337-00A0C90DCAA9}
constexpr GUID kDispatchExIid = {
    0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

template <class T>
class Ref {
 public:
  Ref() = default;
  ~Ref() {
    if (p_ != nullptr) p_->Release();
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T** out() { return &p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// A host object: calls by name through IDispatchEx or IDispatch, with our Variants as VARIANTs.
class HostObject final : public automation::Object {
 public:
  // Holds one reference: to IDispatchEx when the object offers it, else IDispatch, else IUnknown.
  explicit HostObject(IUnknown* object) {
    if (SUCCEEDED(object->QueryInterface(kDispatchExIid, reinterpret_cast<void**>(&dispatchEx_)))) {
      dispatch_ = dispatchEx_;
    } else if (FAILED(
                   object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_)))) {
      dispatchEx_ = nullptr;
      dispatch_ = nullptr;
    } else {
      dispatchEx_ = nullptr;
    }
    unknown_ = dispatch_;
    if (unknown_ == nullptr) {
      unknown_ = object;
      unknown_->AddRef();
    }
  }
  ~HostObject() override { unknown_->Release(); }
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  IDispatch* dispatch() const { return dispatch_; }
  IUnknown* unknown() const { return unknown_; }

  std::string className() const override {
    if (dispatch_ != nullptr) {
      Ref<ITypeInfo> info;
      if (SUCCEEDED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.out())) &&
          info.get() != nullptr) {
        BSTR name = nullptr;
        if (SUCCEEDED(
                info.get()->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) {
          std::string text = fromBstr(name);
          ::SysFreeString(name);
          if (!text.empty()) return text;
        }
      }
    }
    return "Object";
  }

  bool supportsInterface(std::string_view iid) const override {
    IID id;
    const std::wstring text = text::toWide(iid);
    if (FAILED(::IIDFromString(const_cast<LPOLESTR>(text.c_str()), &id))) return false;
    Ref<IUnknown> itf;
    return SUCCEEDED(unknown_->QueryInterface(id, reinterpret_cast<void**>(itf.out())));
  }

  automation::Variant invoke(std::string_view member, automation::CallKind kind,
                             automation::CallArgs& args) override {
    for (const InterfaceMember& m : interfaceMembers()) {
      if (!automation::sameName(m.member, member)) continue;
      Ref<IUnknown> itf;
      if (SUCCEEDED(unknown_->QueryInterface(m.iid, reinterpret_cast<void**>(itf.out()))))
        return m.call(itf.get(), args);
    }
    if (dispatch_ == nullptr && dispatchEx_ == nullptr)
      automation::raise(automation::err::kMemberNotSupported);
    std::vector<std::string> names{std::string(member)};
    for (const automation::NamedArg& n : args.namedArgs()) names.push_back(n.name);
    const std::vector<DISPID> ids = idsOf(names);
    return call(ids, kind, args);
  }

 private:
  std::vector<DISPID> idsOf(const std::vector<std::string>& names) const {
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    if (names.front().empty()) {
      ids.front() = DISPID_VALUE;  // the default member
      if (names.size() == 1) return ids;
    }
    if (dispatchEx_ != nullptr) {
      for (size_t i = 0; i < names.size(); ++i) {
        if (i == 0 && names.front().empty()) continue;
        BSTR name = ::SysAllocString(text::toWide(names[i]).c_str());
        const HRESULT hr = dispatchEx_->GetDispID(name, fdexNameCaseInsensitive, &ids[i]);
        ::SysFreeString(name);
        if (FAILED(hr)) unknownName(i);
      }
      return ids;
    }
    std::vector<std::wstring> wide;
    for (const std::string& n : names) wide.push_back(text::toWide(n));
    std::vector<LPOLESTR> pointers;
    for (std::wstring& w : wide) pointers.push_back(w.data());
    const size_t first = names.front().empty() ? 1 : 0;
    const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, pointers.data() + first,
                                                static_cast<UINT>(pointers.size() - first),
                                                LOCALE_USER_DEFAULT, ids.data() + first);
    if (FAILED(hr)) {
      for (size_t i = first; i < ids.size(); ++i) {
        if (ids[i] == DISPID_UNKNOWN) unknownName(i);
      }
      automation::raise(automation::err::kMemberNotSupported);
    }
    return ids;
  }

  [[noreturn]] static void unknownName(size_t index) {
    automation::raise(index == 0 ? automation::err::kMemberNotSupported
                                 : automation::err::kNamedArgumentNotFound);
  }

  // The call with the arguments in COM's order: named ones first (in the order of their ids), then
  // the positional ones last to first. By-reference arguments go as VT_BYREF of their value's type
  // (Empty and Null ones as VT_BYREF|VT_VARIANT), and whatever the host leaves there comes back.
  automation::Variant call(const std::vector<DISPID>& ids, automation::CallKind kind,
                           automation::CallArgs& args) {
    const auto positional = args.positional();
    const auto named = args.namedArgs();
    const bool put = kind == automation::CallKind::Let || kind == automation::CallKind::Set;
    const size_t count = positional.size() + named.size();
    std::vector<VARIANT> values(count);  // what each argument carries
    std::vector<VARIANT> passed(count);  // what goes into DISPPARAMS (a VT_BYREF to values[i])
    std::vector<automation::Arg*> sources(count, nullptr);
    std::vector<DISPID> namedIds;
    struct Cleanup {
      std::vector<VARIANT>& v;
      ~Cleanup() {
        for (VARIANT& x : v) ::VariantClear(&x);
      }
    } cleanup{values};
    for (VARIANT& v : values) ::VariantInit(&v);
    for (VARIANT& v : passed) ::VariantInit(&v);

    size_t slot = 0;
    auto place = [&](automation::Arg& arg) {
      toVariant(arg.value(), &values[slot]);
      sources[slot] = &arg;
      if (arg.byRef()) {
        VARIANT& v = values[slot];
        VARIANT& p = passed[slot];
        switch (v.vt) {
          case VT_EMPTY:
          case VT_NULL:
          case VT_ERROR:
            p.vt = VT_BYREF | VT_VARIANT;
            p.pvarVal = &v;
            break;
          default:
            p.vt = static_cast<VARTYPE>(VT_BYREF | v.vt);
            p.byref = &v.lVal;  // every member of the union starts there
            break;
        }
      } else {
        passed[slot] = values[slot];  // a shallow copy: values[slot] keeps ownership
      }
      ++slot;
    };
    // A put passes its value (the last positional argument) as the named DISPID_PROPERTYPUT, first.
    if (put) {
      if (positional.empty()) automation::raise(automation::err::kWrongArgumentCount);
      place(positional.back());
      namedIds.push_back(DISPID_PROPERTYPUT);
    }
    for (size_t i = 0; i < named.size(); ++i) {
      place(named[i].arg);
      namedIds.push_back(ids[i + 1]);
    }
    const size_t ordinary = put ? positional.size() - 1 : positional.size();
    for (size_t i = ordinary; i-- > 0;) place(positional[i]);

    DISPPARAMS params{};
    params.rgvarg = passed.data();
    params.cArgs = static_cast<UINT>(count);
    params.rgdispidNamedArgs = namedIds.data();
    params.cNamedArgs = static_cast<UINT>(namedIds.size());
    WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if (kind == automation::CallKind::Let) flags = DISPATCH_PROPERTYPUT;
    if (kind == automation::CallKind::Set) flags = DISPATCH_PROPERTYPUTREF;

    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO info{};
    UINT argError = 0;
    HRESULT hr;
    if (dispatchEx_ != nullptr) {
      hr = dispatchEx_->InvokeEx(ids.front(), LOCALE_USER_DEFAULT, flags, &params,
                                 put ? nullptr : &result, &info, nullptr);
    } else {
      hr = dispatch_->Invoke(ids.front(), IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                             put ? nullptr : &result, &info, &argError);
    }
    if (FAILED(hr)) {
      ::VariantClear(&result);
      throw errorFrom(hr, &info,
                      dispatchEx_ != nullptr ? static_cast<IUnknown*>(dispatchEx_) : dispatch_,
                      IID_IDispatch);
    }
    // The host's writes to by-reference arguments reach the caller's variables.
    for (size_t i = 0; i < count; ++i) {
      if (sources[i]->byRef()) sources[i]->value() = fromVariant(values[i]);
    }
    automation::Variant out = fromVariant(result);
    ::VariantClear(&result);
    return out;
  }

  IUnknown* unknown_;
  IDispatch* dispatch_ = nullptr;
  IDispatchEx* dispatchEx_ = nullptr;
};

}  // namespace

namespace detail {

void remember(const automation::Object* object, IDispatch* bridge) {
  std::lock_guard lock(gMutex);
  bridges().emplace(object, bridge);
  ++gLive;
}

void forget(const automation::Object* object, IDispatch* bridge) {
  std::lock_guard lock(gMutex);
  auto it = bridges().find(object);
  if (it != bridges().end() && it->second == bridge) bridges().erase(it);
  --gLive;
}

}  // namespace detail

long liveBridges() {
  return gLive.load();
}

void bindInterfaceMember(const GUID& iid, std::string member, VtableCall call) {
  interfaceMembers().push_back(InterfaceMember{iid, std::move(member), std::move(call)});
}

IDispatch* toDispatch(const automation::ObjectRef& object) {
  if (!object) return nullptr;
  if (auto* host = dynamic_cast<HostObject*>(object.get())) {
    if (IDispatch* d = host->dispatch()) {
      d->AddRef();
      return d;
    }
    automation::raise(automation::err::kTypeMismatch);
  }
  {
    std::lock_guard lock(gMutex);
    if (auto it = bridges().find(object.get()); it != bridges().end()) {
      it->second->AddRef();
      return it->second;
    }
  }
  return new DispatchObject<>(object);
}

automation::ObjectRef fromUnknown(IUnknown* object) {
  if (object == nullptr) return nullptr;
  IBridged* ours = nullptr;
  if (SUCCEEDED(object->QueryInterface(kBridgedIid, reinterpret_cast<void**>(&ours)))) {
    automation::ObjectRef inner = ours->bridgedObject();
    ours->Release();
    return inner;
  }
  return std::make_shared<HostObject>(object);
}

}  // namespace com
