#pragma once
// The COM bridge: what crosses between the component's late-bound objects (automation::Object,
// Variant, Error) and COM's (IDispatch, VARIANT, EXCEPINFO and IErrorInfo).
//
// Objects keep their identity across the boundary: an object of ours handed to the host and back
// is the same automation object again, and one object is one COM identity for as long as the host
// holds it. A bridged host object holds one COM reference, released with its last automation
// reference; a bridged object of ours holds one automation reference for as long as COM holds it.

#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace com {

// ---- objects

// The object as IDispatch: a new COM reference (nullptr for Nothing). A bridged host object gives
// back its own IDispatch.
IDispatch* toDispatch(const automation::ObjectRef& object);
// A COM object as a late-bound object (Nothing for nullptr); one of ours comes back unwrapped.
automation::ObjectRef fromUnknown(IUnknown* object);

// How many objects of ours COM holds (for DllCanUnloadNow).
long liveBridges();

// A member of a host interface called through its vtable rather than by name: once a host object
// answers QueryInterface for iid, calls of `member` on it go to call(interface pointer, args).
using VtableCall = std::function<automation::Variant(IUnknown* itf, automation::CallArgs& args)>;
void bindInterfaceMember(const GUID& iid, std::string member, VtableCall call);

// ---- values

// A Variant as a VARIANT (out is overwritten, not cleared first). Missing is VT_ERROR
// DISP_E_PARAMNOTFOUND; objects are VT_DISPATCH with a new reference.
void toVariant(const automation::Variant& value, VARIANT* out);
// A VARIANT as a Variant, through VT_BYREF. Types beyond the Variant's map to the nearest one that
// holds the value (VT_UI1, VT_I1 to Integer; VT_UI2, VT_UI4, VT_INT, VT_UINT, VT_I8 to Long when
// they fit, else Double; VT_R4 and VT_DECIMAL to Double). Error 13 for arrays and other types.
automation::Variant fromVariant(const VARIANT& value);
// Writes value into the variable a VT_BYREF VARIANT points to, converted to that variable's type
// (a VT_BYREF|VT_VARIANT variable takes the value as it is). Errors of the conversion raise.
void writeBack(const VARIANT& target, const automation::Variant& value);

std::wstring toBstrText(std::string_view utf8);
std::string fromBstr(BSTR text);

// ---- errors

// The automation error a failed call reports: DISP_E_EXCEPTION with its EXCEPINFO (deferred fill-in
// honoured; scode 0x800A00xx is error xx), or another HRESULT with the object's IErrorInfo when it
// offers one. Frees the EXCEPINFO strings.
automation::Error errorFrom(HRESULT hr, EXCEPINFO* info, IUnknown* object, REFIID iid);
// The HRESULT an error of ours becomes: error n (0 < n < 65536) is 0x800A0000 + n, others keep
// their number.
HRESULT resultOf(const automation::Error& error);
// Fills info (when given) and the thread's error object with the error; returns DISP_E_EXCEPTION.
HRESULT reportError(const automation::Error& error, EXCEPINFO* info, REFIID iid);

// ---- the server side of IDispatch

// Answers IDispatch::GetIDsOfNames for our objects: a stable id per member name, the same for any
// spelling of it; typeInfo (may be null) names the members it describes with its own ids.
HRESULT idsOfNames(ITypeInfo* typeInfo, LPOLESTR* names, UINT count, DISPID* ids);
// Answers IDispatch::Invoke on object: the arguments in COM's order and by reference both ways,
// named arguments, errors as DISP_E_EXCEPTION. Ids that typeInfo describes go to invokeById.
HRESULT invoke(const automation::ObjectRef& object, ITypeInfo* typeInfo, DISPID id, WORD flags,
               DISPPARAMS* params, VARIANT* result, EXCEPINFO* info, UINT* argError);
// Runs f and turns what escapes it into an error result for a vtable caller (SetErrorInfo).
HRESULT guarded(const std::function<void()>& f, REFIID iid);

}  // namespace com
