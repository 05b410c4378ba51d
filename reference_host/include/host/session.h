#pragma once
// What every host object of one run shares: the books, the options, the open transaction and the
// named lock, the journal of received calls, fault injection and the object ids.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/object.h"
#include "host/database.h"

namespace host {

class HostObject;
class HostUi;

// "--fail-at MEMBER[#N]": the N-th call (from 1) of MEMBER on any host object.
struct FaultRule {
  std::string member;
  int64_t nth = 1;
  // Parses "MEMBER" or "MEMBER#N"; raises std::invalid_argument with a clear text otherwise.
  static FaultRule parse(std::string_view text);
};

struct HostOptions {
  std::filesystem::path printDir;
  double lockTimeoutSeconds = 10;
  std::optional<std::filesystem::path> journalPath;
  std::optional<FaultRule> failAt;
  std::optional<FaultRule> crashAt;
  automation::NumberSymbols symbols;  // separators of printed amounts
};

// One JSON line per call received by a host object (the journal format), written straight to
// the file so that lines survive a crash.
class Journal {
 public:
  explicit Journal(const std::filesystem::path& path);  // appends; raises std::runtime_error
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;
  void writeLine(const std::string& line);

 private:
  int fd_ = -1;
};

class HostSession {
 public:
  HostSession(std::shared_ptr<Database> db, HostOptions options, std::shared_ptr<HostUi> ui);
  ~HostSession();

  Database& db() { return *db_; }
  const std::shared_ptr<Database>& database() const { return db_; }
  const HostOptions& options() const { return options_; }
  HostUi& ui() { return *ui_; }

  int64_t newObjectId() { return ++lastId_; }
  // The id of an object within the run: a host object's own, or one given to a foreign object
  // (a window, a component object) the first time it is seen.
  int64_t idOf(const automation::ObjectRef& obj);

  // Called by every host object before it dispatches a call: journals it, then applies
  // --fail-at (raises 50001) and --crash-at (ends the process).
  void received(const HostObject& target, std::string_view member, automation::CallKind kind,
                const automation::CallArgs& args) {
    if (watching_) observe(target, member, kind, args);
  }
  bool journaling() const { return journal_ != nullptr; }

  // The open transaction and the held named lock (HostFactory's state, kept here so that every
  // object of the run sees the same).
  std::unique_ptr<Transaction> transaction;
  std::unique_ptr<BooksLock> lock;
  // What the host's windows do once a transaction of the books has committed (the launcher reads
  // its register of cuts again); it must not raise, the work being done already.
  std::function<void()> afterCommit;

 private:
  void observe(const HostObject& target, std::string_view member, automation::CallKind kind,
               const automation::CallArgs& args);
  std::string encodeCall(const HostObject& target, std::string_view member,
                         automation::CallKind kind, const automation::CallArgs& args);

  std::shared_ptr<Database> db_;
  HostOptions options_;
  std::shared_ptr<HostUi> ui_;
  std::unique_ptr<Journal> journal_;
  bool watching_ = false;  // a journal or a fault rule is set
  int64_t lastId_ = 0;
  int64_t seq_ = 0;
  int64_t failCount_ = 0, crashCount_ = 0;
  struct Foreign {
    std::weak_ptr<automation::Object> ref;
    int64_t id;
  };
  std::map<const automation::Object*, Foreign> foreign_;
};

// Base of every host class: each late-bound call passes the session first (journal, fault
// injection), then reaches the member.
class HostObject : public automation::Dispatch {
 public:
  HostObject(std::shared_ptr<HostSession> session, std::string className);
  int64_t id() const { return id_; }
  HostSession& session() const { return *session_; }
  const std::shared_ptr<HostSession>& sessionPtr() const { return session_; }

  automation::Variant invoke(std::string_view member, automation::CallKind kind,
                             automation::CallArgs& args) final;

 protected:
  // Reaches the member; the default looks it up among the declared members.
  virtual automation::Variant dispatch(std::string_view member, automation::CallKind kind,
                                       automation::CallArgs& args);

 private:
  std::shared_ptr<HostSession> session_;
  int64_t id_;
};

}  // namespace host
