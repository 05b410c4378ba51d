#pragma once
// A named lock held across processes on the same books: an exclusive flock() on a file next to
// the books ("<books>.lock-<name>"). The kernel releases it when the holder dies, so a crashed
// host never leaves the lock behind.

#include <filesystem>
#include <string>
#include <string_view>

namespace host {

class NamedLock {
 public:
  // Waits up to timeoutSeconds for the lock; raises kLockTimeout when it stays held elsewhere.
  NamedLock(const std::filesystem::path& books, std::string_view name, double timeoutSeconds);
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  const std::string& name() const { return name_; }
  static std::filesystem::path lockFile(const std::filesystem::path& books, std::string_view name);

 private:
  std::string name_;
  int fd_ = -1;
};

}  // namespace host
