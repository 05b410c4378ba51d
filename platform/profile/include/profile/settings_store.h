#pragma once
// The per-user settings store: text values addressed by application, section and key.
//
// A section name may hold backslashes; each one makes a deeper level
// ("CONFIG\FormPlacement\SelectFacturas" is three levels under the application), and an application name with
// backslashes nests the same way. Names match without regard to (ASCII) case and keep the spelling
// of their first write. Everything lives in one file, <directory>/settings.txt (format in the
// README), replaced atomically on every write under an exclusive lock, so that concurrent writers
// in several processes lose nothing. A damaged file is reported (lastProblem() and once on stderr);
// what can still be read is kept, and before the next write replaces it the damaged file is saved
// next to it as settings.txt.damaged-<time>-<pid>.
//
// On Windows the store is the registry of the current user instead, under the key
// HKEY_CURRENT_USER\Software\Tessaline: <application>\<section levels>, one string value per key (a store made with a
// "directory" lives under that key of HKEY_CURRENT_USER). Text that is not UTF-8 is refused there,
// and a value that is not a string reads as missing and is reported.

#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace profile {

// A settings store write that failed (unwritable directory, disk full, ...). The file is unchanged.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SettingsStore {
 public:
  // The store of the current user, in configHome() as it is at the time of each call.
  static SettingsStore& forCurrentUser();
  // A store kept in directory (created on the first write).
  explicit SettingsStore(std::filesystem::path directory);

  // The value, or nullopt when there is none.
  std::optional<std::string> find(std::string_view application, std::string_view section,
                                  std::string_view key) const;
  // The value, or defaultValue when there is none.
  std::string get(std::string_view application, std::string_view section, std::string_view key,
                  std::string_view defaultValue = {}) const;
  // The keys and values of one section, in the order they were first written.
  std::vector<std::pair<std::string, std::string>> getAll(std::string_view application,
                                                          std::string_view section) const;

  // Writes one value. Empty application, section or key names raise StoreError, as does any failure
  // to write; the store is then unchanged.
  void set(std::string_view application, std::string_view section, std::string_view key, std::string_view value);
  // Removes one value; false when there was none.
  bool remove(std::string_view application, std::string_view section, std::string_view key);
  // Removes a section with its deeper levels (section "" removes the whole application); false when
  // there was nothing.
  bool removeSection(std::string_view application, std::string_view section);

  // The file the store lives in.
  std::filesystem::path file() const;
  // What was wrong with the file at the last read ("" when it was sound).
  std::string lastProblem() const;

 private:
  SettingsStore() = default;  // the current user's
  std::filesystem::path directory() const;
  void noteProblem(std::string problem) const;

  std::filesystem::path directory_;  // empty: configHome() at each call
  mutable std::mutex mutex_;
  mutable std::string lastProblem_;
};

}  // namespace profile
