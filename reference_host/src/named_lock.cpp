#include "host/named_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "host/errors.h"

namespace host {

std::filesystem::path NamedLock::lockFile(const std::filesystem::path& books,
                                          std::string_view name) {
  std::string file = books.filename().string() + ".lock-";
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '_' || c == '-') {
      file += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      file += buf;
    }
  }
  return books.parent_path() / file;
}

namespace {

// Opens the lock file, creating it so that whoever may write the books may also take their locks:
// it gets the books' group and their read and write bits, whatever the creator's umask. flock()
// needs no write access, so a lock file left read-only for this user is opened for reading.
int openShared(const std::filesystem::path& books, const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) {
    struct stat st {};
    if (::stat(books.c_str(), &st) == 0) {
      if (::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
        // Not in the books' group: the file keeps this user's group.
      }
      ::fchmod(fd, (st.st_mode & 0666) | 0600);
    }
    return fd;
  }
  if (errno != EEXIST) return fd;
  fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
}

}  // namespace

NamedLock::NamedLock(const std::filesystem::path& books, std::string_view name,
                     double timeoutSeconds)
    : BooksLock(std::string(name)) {
  if (name.empty()) raiseHost(hosterr::kInvalidArgument, "a lock needs a name");
  auto path = lockFile(books, name);
  fd_ = openShared(books, path);
  if (fd_ < 0)
    raiseHost(hosterr::kLockTimeout,
              "cannot open the lock file " + path.string() + ": " + std::strerror(errno));
  using Clock = std::chrono::steady_clock;
  // At most a day, so the deadline stays within the clock's range.
  const double wait = std::isnan(timeoutSeconds) ? 0.0 : std::clamp(timeoutSeconds, 0.0, 86400.0);
  auto deadline = Clock::now() +
                  std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(wait));
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      int e = errno;
      ::close(fd_);
      raiseHost(hosterr::kLockTimeout,
                "cannot take the lock " + BooksLock::name() + ": " + std::strerror(e));
    }
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::close(fd_);
  fd_ = -1;
  char secs[32];
  std::snprintf(secs, sizeof secs, "%g", timeoutSeconds);
  raiseHost(hosterr::kLockTimeout, "the lock " + BooksLock::name() +
                                       " is held by another user of the books; gave up after " +
                                       secs + " seconds");
}

NamedLock::~NamedLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

}  // namespace host
