// The per-user settings store in the registry of the current user, under the key
// HKEY_CURRENT_USER\Software\Tessaline: <application>\<section levels>, one string value per
// key. The registry keeps each value whole and matches key and value names without regard to
// case, keeping the spelling of the first write, as the store promises.

#include <windows.h>

#include <iostream>
#include <mutex>
#include <set>

#include "profile/settings_store.h"
#include "text/utf8.h"
#include "text/wide.h"

namespace profile {

namespace {

constexpr const wchar_t* kRootKey = L"Software\\Tessaline";

std::string systemMessage(LSTATUS status) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text =
      n > 0 && buffer != nullptr ? std::wstring(buffer, n) : L"error " + std::to_wstring(status);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return text::fromWide(text);
}

// Text that UTF-16 cannot carry whole (bytes that are not UTF-8) is refused rather than changed.
void checkText(std::string_view text, const char* what) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = text::utf8::sequenceLength(text, i);
    if (n == 0) throw StoreError(std::string("settings store: the ") + what + " is not UTF-8 text");
    i += n;
  }
}

void checkName(std::string_view name, const char* what) {
  if (name.find_first_not_of('\\') == std::string_view::npos) {
    throw StoreError(std::string("settings store: the ") + what + " name is empty");
  }
  checkText(name, what);
}

// The key of a section: the application's and the section's levels, split at backslashes (empty
// levels skipped), under the store's root.
std::wstring keyPath(const std::wstring& root, std::string_view application,
                     std::string_view section) {
  std::wstring path = root;
  for (std::string_view part : {application, section}) {
    size_t start = 0;
    while (start <= part.size()) {
      size_t end = part.find('\\', start);
      if (end == std::string_view::npos) end = part.size();
      if (end > start) path += L"\\" + text::toWide(part.substr(start, end - start));
      start = end + 1;
    }
  }
  return path;
}

class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::mutex gReportedMutex;
std::set<std::string> gReported;

}  // namespace

SettingsStore& SettingsStore::forCurrentUser() {
  static SettingsStore store;
  return store;
}

// On Windows the "directory" names the store's key under HKEY_CURRENT_USER.
SettingsStore::SettingsStore(std::filesystem::path directory) : directory_(std::move(directory)) {}

std::filesystem::path SettingsStore::directory() const {
  return directory_.empty() ? kRootKey : directory_;
}

std::filesystem::path SettingsStore::file() const {
  return L"HKEY_CURRENT_USER\\" + directory().wstring();
}

std::string SettingsStore::lastProblem() const {
  std::lock_guard lock(mutex_);
  return lastProblem_;
}

void SettingsStore::noteProblem(std::string problem) const {
  if (!problem.empty()) {
    problem = text::fromWide(file().wstring()) + ": " + problem;
    std::lock_guard lock(gReportedMutex);
    if (gReported.insert(problem).second)
      std::cerr << "warning: settings store " << problem << '\n';
  }
  std::lock_guard lock(mutex_);
  lastProblem_ = std::move(problem);
}

namespace {

// A string value of an open key; nullopt when it is missing. A value that is not text is a
// problem to report, and reads as missing (it stays as it is).
std::optional<std::string> readValue(HKEY key, const std::wstring& name, std::string& problem) {
  DWORD type = 0, bytes = 0;
  LSTATUS status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  std::wstring data;
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size / sizeof(wchar_t));
      break;
    }
    bytes = size;
  }
  if (status != ERROR_SUCCESS) {
    problem = "cannot read " + text::fromWide(name) + ": " + systemMessage(status);
    return std::nullopt;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    problem = "the value " + text::fromWide(name) + " is not text; it is left as it is";
    return std::nullopt;
  }
  if (!data.empty() && data.back() == L'\0') data.pop_back();  // the terminator
  return text::fromWide(data);
}

}  // namespace

std::optional<std::string> SettingsStore::find(std::string_view application,
                                               std::string_view section,
                                               std::string_view key) const {
  Key k;
  const std::wstring path = keyPath(directory().wstring(), application, section);
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, k.out()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string problem;
  auto value = readValue(k.get(), text::toWide(key), problem);
  noteProblem(problem);
  return value;
}

std::string SettingsStore::get(std::string_view application, std::string_view section,
                               std::string_view key, std::string_view defaultValue) const {
  auto value = find(application, section, key);
  return value ? std::move(*value) : std::string(defaultValue);
}

std::vector<std::pair<std::string, std::string>> SettingsStore::getAll(
    std::string_view application, std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> out;
  Key k;
  const std::wstring path = keyPath(directory().wstring(), application, section);
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, k.out()) !=
      ERROR_SUCCESS)
    return out;
  std::string problem;
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD length = 16384;
    if (::RegEnumValueW(k.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    const std::wstring wideName(name, length);
    if (auto value = readValue(k.get(), wideName, problem))
      out.emplace_back(text::fromWide(wideName), *value);
  }
  noteProblem(problem);
  return out;
}

void SettingsStore::set(std::string_view application, std::string_view section,
                        std::string_view key, std::string_view value) {
  checkName(application, "application");
  checkName(section, "section");
  if (key.empty()) throw StoreError("settings store: the key name is empty");
  checkText(key, "key name");
  checkText(value, "value");
  const std::wstring path = keyPath(directory().wstring(), application, section);
  Key k;
  LSTATUS status =
      ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, k.out(), nullptr);
  if (status != ERROR_SUCCESS) {
    throw StoreError("settings store: cannot create HKEY_CURRENT_USER\\" + text::fromWide(path) +
                     ": " + systemMessage(status));
  }
  // The whole text with its terminator: characters after an embedded NUL are kept too.
  const std::wstring data = text::toWide(value);
  status = ::RegSetValueExW(k.get(), text::toWide(key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) {
    throw StoreError("settings store: cannot write " + std::string(key) +
                     " in HKEY_CURRENT_USER\\" + text::fromWide(path) + ": " +
                     systemMessage(status));
  }
  noteProblem({});
}

bool SettingsStore::remove(std::string_view application, std::string_view section,
                           std::string_view key) {
  const std::wstring path = keyPath(directory().wstring(), application, section);
  Key k;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, k.out()) != ERROR_SUCCESS)
    return false;
  const LSTATUS status = ::RegDeleteValueW(k.get(), text::toWide(key).c_str());
  if (status == ERROR_FILE_NOT_FOUND) return false;
  if (status != ERROR_SUCCESS) {
    throw StoreError("settings store: cannot remove " + std::string(key) + ": " +
                     systemMessage(status));
  }
  return true;
}

bool SettingsStore::removeSection(std::string_view application, std::string_view section) {
  checkName(application, "application");
  const std::wstring path = keyPath(directory().wstring(), application, section);
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return false;
  if (status != ERROR_SUCCESS) {
    throw StoreError("settings store: cannot remove HKEY_CURRENT_USER\\" + text::fromWide(path) +
                     ": " + systemMessage(status));
  }
  return true;
}

}  // namespace profile
