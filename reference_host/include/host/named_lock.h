#pragma once
// The named lock of books in a SQLite file, held across processes: an exclusive flock() on a
// file next to the books ("<books>.lock-<name>"). The kernel releases it when the holder dies, so
// a crashed host never leaves the lock behind.

#include <filesystem>
#include <string>
#include <string_view>

#include "host/database.h"

namespace host {

class NamedLock final : public BooksLock {
 public:
  // Waits up to timeoutSeconds for the lock; raises kLockTimeout when it stays held elsewhere.
  NamedLock(const std::filesystem::path& books, std::string_view name, double timeoutSeconds);
  ~NamedLock() override;

  static std::filesystem::path lockFile(const std::filesystem::path& books, std::string_view name);

 private:
  int fd_ = -1;
};

}  // namespace host
