#pragma once
// One of our late-bound objects as a COM object: IDispatch (or a dual interface derived from it,
// Interface), ISupportErrorInfo, and the bridge's own interface through which the object is found
// again when the host hands it back. Holds one automation reference to the object while COM holds
// it; deletes itself with its last COM reference.
//
//   IDispatch* d = new com::DispatchObject<>(object);   // one COM reference, the caller's
//
// Most objects are bridged by com::toDispatch; a class with a dual interface derives from
// DispatchObject<ItsInterface> and adds the interface's own methods.

#include <oaidl.h>
#include <windows.h>

#include <atomic>

#include "automation/object.h"
#include "com/bridge.h"

namespace com {

// The bridge's own interface: the automation object behind a COM object of ours.
// {6B1E5D0A-3C4F-4E71-9A52-0D8C2F6A7B13}
inline constexpr GUID kBridgedIid = {
    0x6b1e5d0a, 0x3c4f, 0x4e71, {0x9a, 0x52, 0x0d, 0x8c, 0x2f, 0x6a, 0x7b, 0x13}};
struct IBridged : IUnknown {
  virtual const automation::ObjectRef& STDMETHODCALLTYPE bridgedObject() = 0;
};

namespace detail {
// The COM identity of each bridged object of ours, and the count of live ones.
void remember(const automation::Object* object, IDispatch* bridge);
void forget(const automation::Object* object, IDispatch* bridge);
}  // namespace detail

template <class Interface = IDispatch>
class DispatchObject : public Interface, public ISupportErrorInfo, public IBridged {
 public:
  // typeInfo (may be null; a reference is kept) describes iid, the interface the object implements.
  explicit DispatchObject(automation::ObjectRef object, ITypeInfo* typeInfo = nullptr,
                          const IID& iid = IID_IDispatch)
      : object_(std::move(object)), typeInfo_(typeInfo), iid_(iid) {
    if (typeInfo_ != nullptr) typeInfo_->AddRef();
    detail::remember(object_.get(), this);
  }
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, iid_)) {
      *out = static_cast<Interface*>(this);
    } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else if (IsEqualIID(riid, kBridgedIid)) {
      *out = static_cast<IBridged*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = typeInfo_ != nullptr ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (index != 0 || typeInfo_ == nullptr) return DISP_E_BADINDEX;
    typeInfo_->AddRef();
    *out = typeInfo_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    return idsOfNames(typeInfo_, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override {
    return invoke(object_, typeInfo_, id, flags, params, result, info, argError);
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, iid_) ? S_OK : S_FALSE;
  }

  // IBridged
  const automation::ObjectRef& STDMETHODCALLTYPE bridgedObject() override { return object_; }

 protected:
  virtual ~DispatchObject() {
    detail::forget(object_.get(), this);
    if (typeInfo_ != nullptr) typeInfo_->Release();
  }
  const automation::ObjectRef& object() const { return object_; }
  const IID& iid() const { return iid_; }

 private:
  automation::ObjectRef object_;
  ITypeInfo* typeInfo_;
  IID iid_;
  std::atomic<long> references_{1};
};

}  // namespace com
