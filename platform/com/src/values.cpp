// VARIANT <-> Variant.

#include <cmath>
#include <limits>

#include "com/bridge.h"
#include "text/wide.h"

namespace com {

namespace {

using automation::Variant;

[[noreturn]] void mismatch() {
  automation::raise(automation::err::kTypeMismatch);
}

template <class T>
Variant wholeNumber(T value) {
  if (value >= static_cast<T>(std::numeric_limits<int32_t>::min()) &&
      value <= static_cast<T>(std::numeric_limits<int32_t>::max())) {
    return Variant(static_cast<int32_t>(value));
  }
  return Variant(static_cast<double>(value));
}

// A value for a whole-number variable of the range [low, high]: rounded as the platform rounds
// (halves to even), error 6 outside it.
int64_t rangedWhole(const Variant& value, int64_t low, int64_t high) {
  const double d = std::nearbyint(automation::cDbl(value));
  if (!(d >= static_cast<double>(low) && d <= static_cast<double>(high)))
    automation::raise(automation::err::kOverflow);
  return static_cast<int64_t>(d);
}

BSTR bstrOf(std::string_view utf8) {
  const std::wstring wide = text::toWide(utf8);
  BSTR b = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (b == nullptr) throw std::bad_alloc();
  return b;
}

}  // namespace

std::wstring toBstrText(std::string_view utf8) {
  return text::toWide(utf8);
}

std::string fromBstr(BSTR text) {
  if (text == nullptr) return {};
  return text::fromWide(std::wstring_view(text, ::SysStringLen(text)));
}

void toVariant(const Variant& value, VARIANT* out) {
  ::VariantInit(out);
  switch (value.type()) {
    case automation::VarType::Empty:
      break;
    case automation::VarType::Missing:
      out->vt = VT_ERROR;
      out->scode = DISP_E_PARAMNOTFOUND;
      break;
    case automation::VarType::Null:
      out->vt = VT_NULL;
      break;
    case automation::VarType::Integer:
      out->vt = VT_I2;
      out->iVal = value.asInteger();
      break;
    case automation::VarType::Long:
      out->vt = VT_I4;
      out->lVal = value.asLong();
      break;
    case automation::VarType::Double:
      out->vt = VT_R8;
      out->dblVal = value.asDouble();
      break;
    case automation::VarType::Currency:
      out->vt = VT_CY;
      out->cyVal.int64 = value.asCurrency().raw();
      break;
    case automation::VarType::String:
      out->bstrVal = bstrOf(value.asString());
      out->vt = VT_BSTR;
      break;
    case automation::VarType::Date:
      out->vt = VT_DATE;
      out->date = value.asDate().serial();
      break;
    case automation::VarType::Boolean:
      out->vt = VT_BOOL;
      out->boolVal = value.asBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case automation::VarType::Object:
      out->pdispVal = toDispatch(value.asObject());
      out->vt = VT_DISPATCH;
      break;
  }
}

Variant fromVariant(const VARIANT& value) {
  const VARTYPE type = value.vt & ~VT_BYREF;
  const bool ref = (value.vt & VT_BYREF) != 0;
  if ((value.vt & (VT_ARRAY | VT_VECTOR)) != 0) mismatch();
  if (ref && value.byref == nullptr) mismatch();
  switch (type) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::null();
    case VT_I2:
      return Variant(ref ? *value.piVal : value.iVal);
    case VT_I4:
      return Variant(static_cast<int32_t>(ref ? *value.plVal : value.lVal));
    case VT_INT:
      return Variant(static_cast<int32_t>(ref ? *value.pintVal : value.intVal));
    case VT_UI1:
      return Variant(static_cast<int16_t>(ref ? *value.pbVal : value.bVal));
    case VT_I1:
      return Variant(static_cast<int16_t>(ref ? *value.pcVal : value.cVal));
    case VT_UI2:
      return Variant(static_cast<int32_t>(ref ? *value.puiVal : value.uiVal));
    case VT_UI4:
      return wholeNumber(ref ? *value.pulVal : value.ulVal);
    case VT_UINT:
      return wholeNumber(ref ? *value.puintVal : value.uintVal);
    case VT_I8:
      return wholeNumber(ref ? *value.pllVal : value.llVal);
    case VT_UI8:
      return wholeNumber(ref ? *value.pullVal : value.ullVal);
    case VT_R4:
      return Variant(static_cast<double>(ref ? *value.pfltVal : value.fltVal));
    case VT_R8:
      return Variant(ref ? *value.pdblVal : value.dblVal);
    case VT_CY:
      return Variant(automation::Currency::fromRaw(ref ? value.pcyVal->int64 : value.cyVal.int64));
    case VT_DATE:
      return Variant(automation::Date::fromSerial(ref ? *value.pdate : value.date));
    case VT_BSTR:
      return Variant(fromBstr(ref ? *value.pbstrVal : value.bstrVal));
    case VT_BOOL:
      return Variant((ref ? *value.pboolVal : value.boolVal) != VARIANT_FALSE);
    case VT_DISPATCH:
      return Variant(fromUnknown(ref ? *value.ppdispVal : value.pdispVal));
    case VT_UNKNOWN:
      return Variant(fromUnknown(ref ? *value.ppunkVal : value.punkVal));
    case VT_ERROR: {
      const SCODE code = ref ? *value.pscode : value.scode;
      if (code == DISP_E_PARAMNOTFOUND) return Variant::missing();
      return Variant(static_cast<int32_t>(code));
    }
    case VT_DECIMAL: {
      double d = 0;
      DECIMAL decimal = ref ? *value.pdecVal : value.decVal;
      if (FAILED(::VarR8FromDec(&decimal, &d))) automation::raise(automation::err::kOverflow);
      return Variant(d);
    }
    case VT_VARIANT:
      if (!ref) mismatch();
      return fromVariant(*value.pvarVal);
    default:
      mismatch();
  }
}

void writeBack(const VARIANT& target, const Variant& value) {
  if ((target.vt & VT_BYREF) == 0 || target.byref == nullptr) return;
  switch (target.vt & ~VT_BYREF) {
    case VT_VARIANT: {
      VARIANT fresh;
      toVariant(value, &fresh);
      ::VariantClear(target.pvarVal);
      *target.pvarVal = fresh;
      break;
    }
    case VT_I2:
      *target.piVal = automation::cInt(value);
      break;
    case VT_I4:
      *target.plVal = automation::cLng(value);
      break;
    case VT_INT:
      *target.pintVal = automation::cLng(value);
      break;
    case VT_UI1:
      *target.pbVal = static_cast<BYTE>(rangedWhole(value, 0, 255));
      break;
    case VT_I1:
      *target.pcVal = static_cast<CHAR>(rangedWhole(value, -128, 127));
      break;
    case VT_UI2:
      *target.puiVal = static_cast<USHORT>(rangedWhole(value, 0, 65535));
      break;
    case VT_UI4:
      *target.pulVal = static_cast<ULONG>(rangedWhole(value, 0, 4294967295LL));
      break;
    case VT_UINT:
      *target.puintVal = static_cast<UINT>(rangedWhole(value, 0, 4294967295LL));
      break;
    case VT_I8:
      *target.pllVal = rangedWhole(value, -(1LL << 53), 1LL << 53);
      break;
    case VT_R4: {
      const double d = automation::cDbl(value);
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) {
        automation::raise(automation::err::kOverflow);
      }
      *target.pfltVal = static_cast<float>(d);
      break;
    }
    case VT_R8:
      *target.pdblVal = automation::cDbl(value);
      break;
    case VT_CY:
      target.pcyVal->int64 = automation::cCur(value).raw();
      break;
    case VT_DATE:
      *target.pdate = automation::cDate(value).serial();
      break;
    case VT_BOOL:
      *target.pboolVal = automation::cBool(value) ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_BSTR: {
      BSTR fresh = bstrOf(automation::cStr(value));
      ::SysFreeString(*target.pbstrVal);
      *target.pbstrVal = fresh;
      break;
    }
    case VT_DISPATCH: {
      if (!value.isObject()) automation::raise(automation::err::kTypeMismatch);
      IDispatch* fresh = toDispatch(value.asObject());
      if (*target.ppdispVal != nullptr) (*target.ppdispVal)->Release();
      *target.ppdispVal = fresh;
      break;
    }
    case VT_UNKNOWN: {
      if (!value.isObject()) automation::raise(automation::err::kTypeMismatch);
      IDispatch* fresh = toDispatch(value.asObject());
      if (*target.ppunkVal != nullptr) (*target.ppunkVal)->Release();
      *target.ppunkVal = fresh;
      break;
    }
    default:
      mismatch();
  }
}

}  // namespace com
