// Errors across the boundary: EXCEPINFO and IErrorInfo <-> automation::Error.

#include <cstdio>

#include "com/bridge.h"
#include "text/wide.h"

namespace com {

namespace {

// Error n of the platform's own numbering travels as the HRESULT 0x800A0000 + n.
constexpr uint32_t kControlErrors = 0x800A0000u;

int32_t numberOf(HRESULT hr) {
  const auto code = static_cast<uint32_t>(hr);
  if ((code & 0xFFFF0000u) == kControlErrors) return static_cast<int32_t>(code & 0xFFFFu);
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
      return automation::err::kMemberNotSupported;
    case DISP_E_TYPEMISMATCH:
      return automation::err::kTypeMismatch;
    case DISP_E_BADPARAMCOUNT:
      return automation::err::kWrongArgumentCount;
    case DISP_E_PARAMNOTOPTIONAL:
      return automation::err::kArgumentNotOptional;
    case DISP_E_OVERFLOW:
      return automation::err::kOverflow;
    case DISP_E_DIVBYZERO:
      return automation::err::kDivisionByZero;
    case DISP_E_NONAMEDARGS:
    case DISP_E_PARAMNOTFOUND:
      return automation::err::kNamedArgumentNotFound;
    case E_OUTOFMEMORY:
      return 7;
    case E_NOINTERFACE:
      return 430;
    default:
      return static_cast<int32_t>(hr);
  }
}

std::string systemText(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return text::fromWide(text);
}

// The description of an error that came without one.
std::string describe(int32_t number, HRESULT hr) {
  std::string text = automation::standardDescription(number);
  if (!text.empty()) return text;
  text = systemText(hr);
  if (!text.empty()) return text;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "Automation error 0x%08lX", static_cast<unsigned long>(hr));
  return buffer;
}

}  // namespace

automation::Error errorFrom(HRESULT hr, EXCEPINFO* info, IUnknown* object, REFIID iid) {
  if (hr == DISP_E_EXCEPTION && info != nullptr) {
    if (info->pfnDeferredFillIn != nullptr) info->pfnDeferredFillIn(info);
    std::string source = fromBstr(info->bstrSource);
    std::string description = fromBstr(info->bstrDescription);
    ::SysFreeString(info->bstrSource);
    ::SysFreeString(info->bstrDescription);
    ::SysFreeString(info->bstrHelpFile);
    info->bstrSource = info->bstrDescription = info->bstrHelpFile = nullptr;
    const int32_t number =
        info->wCode != 0 ? info->wCode : numberOf(info->scode != 0 ? info->scode : E_FAIL);
    if (description.empty()) description = describe(number, info->scode);
    return automation::Error(number, std::move(source), std::move(description));
  }
  const int32_t number = numberOf(hr);
  std::string source, description;
  ISupportErrorInfo* support = nullptr;
  if (object != nullptr && SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo,
                                                            reinterpret_cast<void**>(&support)))) {
    const bool offers = support->InterfaceSupportsErrorInfo(iid) == S_OK;
    support->Release();
    IErrorInfo* error = nullptr;
    if (offers && ::GetErrorInfo(0, &error) == S_OK && error != nullptr) {
      BSTR text = nullptr;
      if (SUCCEEDED(error->GetSource(&text))) source = fromBstr(text);
      ::SysFreeString(text);
      text = nullptr;
      if (SUCCEEDED(error->GetDescription(&text))) description = fromBstr(text);
      ::SysFreeString(text);
      error->Release();
    }
  }
  if (description.empty()) description = describe(number, hr);
  return automation::Error(number, std::move(source), std::move(description));
}

HRESULT resultOf(const automation::Error& error) {
  const int32_t number = error.number();
  if (number > 0 && number < 0x10000)
    return static_cast<HRESULT>(kControlErrors | static_cast<uint32_t>(number));
  return number < 0 ? static_cast<HRESULT>(number) : E_FAIL;
}

HRESULT reportError(const automation::Error& error, EXCEPINFO* info, REFIID iid) {
  const std::wstring source = text::toWide(error.source());
  const std::wstring description = text::toWide(error.description());
  if (info != nullptr) {
    *info = EXCEPINFO{};
    info->scode = resultOf(error);
    info->bstrSource = ::SysAllocStringLen(source.data(), static_cast<UINT>(source.size()));
    info->bstrDescription =
        ::SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  }
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(::CreateErrorInfo(&create))) {
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(source.c_str()));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    IErrorInfo* errorInfo = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo)))) {
      ::SetErrorInfo(0, errorInfo);
      errorInfo->Release();
    }
    create->Release();
  }
  return DISP_E_EXCEPTION;
}

HRESULT guarded(const std::function<void()>& f, REFIID iid) {
  try {
    ::SetErrorInfo(0, nullptr);
    f();
    return S_OK;
  } catch (const automation::Error& e) {
    reportError(e, nullptr, iid);
    return resultOf(e);
  } catch (const std::bad_alloc&) {
    reportError(automation::Error::standard(7), nullptr, iid);
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    automation::Error error(automation::err::kAutomationError, {}, e.what());
    reportError(error, nullptr, iid);
    return E_FAIL;
  }
}

}  // namespace com
