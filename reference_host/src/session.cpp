#include "host/session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <nlohmann/json.hpp>

#include "host/errors.h"
#include "host/ui.h"

namespace host {

using automation::CallArgs;
using automation::CallKind;
using automation::Variant;
using automation::VarType;
using Json = nlohmann::ordered_json;

FaultRule FaultRule::parse(std::string_view text) {
  FaultRule rule;
  size_t hash = text.find('#');
  rule.member = std::string(text.substr(0, hash));
  if (rule.member.empty())
    throw std::invalid_argument("'" + std::string(text) + "' names no member (MEMBER or MEMBER#N)");
  if (hash != std::string_view::npos) {
    std::string_view n = text.substr(hash + 1);
    int64_t value = 0;
    bool ok = !n.empty() && n.size() <= 9;
    for (char c : n) {
      ok = ok && c >= '0' && c <= '9';
      if (ok) value = value * 10 + (c - '0');
    }
    if (!ok || value < 1)
      throw std::invalid_argument("'" + std::string(text) +
                                  "': the call number after '#' must be a whole number from 1");
    rule.nth = value;
  }
  return rule;
}

Journal::Journal(const std::filesystem::path& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd_ < 0)
    throw std::runtime_error("cannot open the journal " + path.string() + ": " +
                             std::strerror(errno));
}

Journal::~Journal() {
  if (fd_ >= 0) ::close(fd_);
}

void Journal::writeLine(const std::string& line) {
  std::string out = line + "\n";
  const char* p = out.data();
  size_t left = out.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      raiseHost(hosterr::kInvalidArgument,
                std::string("cannot write the journal: ") + std::strerror(errno));
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

HostSession::HostSession(std::shared_ptr<Database> db, HostOptions options,
                         std::shared_ptr<HostUi> ui)
    : db_(std::move(db)), options_(std::move(options)), ui_(std::move(ui)) {
  if (options_.journalPath) journal_ = std::make_unique<Journal>(*options_.journalPath);
  watching_ = journal_ || options_.failAt || options_.crashAt;
}

HostSession::~HostSession() {
  // Roll back before the lock goes: nobody else may see a half-done cut.
  transaction.reset();
  lock.reset();
}

int64_t HostSession::idOf(const automation::ObjectRef& obj) {
  if (!obj) return 0;
  if (auto* h = dynamic_cast<const HostObject*>(obj.get())) return h->id();
  auto it = foreign_.find(obj.get());
  if (it != foreign_.end() && !it->second.ref.expired()) return it->second.id;
  int64_t id = newObjectId();
  foreign_[obj.get()] = Foreign{obj, id};
  return id;
}

namespace {

Json encodeValue(HostSession& session, const Variant& v, bool byRef) {
  Json j;
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Missing:
      j["type"] = "Empty";
      j["value"] = nullptr;
      break;
    case VarType::Null:
      j["type"] = "Null";
      j["value"] = nullptr;
      break;
    case VarType::Integer:
      j["type"] = "Integer";
      j["value"] = v.asInteger();
      break;
    case VarType::Long:
      j["type"] = "Long";
      j["value"] = v.asLong();
      break;
    case VarType::Double:
      j["type"] = "Double";
      if (std::isfinite(v.asDouble())) {
        j["value"] = v.asDouble();
      } else {
        j["value"] = automation::cStr(v);
      }
      break;
    case VarType::Currency:
      j["type"] = "Currency";
      j["value"] = v.asCurrency().toString();
      break;
    case VarType::String:
      j["type"] = "String";
      j["value"] = v.asString();
      break;
    case VarType::Date:
      j["type"] = "Date";
      j["value"] = v.asDate().toIso();
      break;
    case VarType::Boolean:
      j["type"] = "Boolean";
      j["value"] = v.asBoolean();
      break;
    case VarType::Object:
      if (v.isNothing()) {
        j["type"] = "Nothing";
        j["value"] = nullptr;
      } else {
        j["type"] = "Object";
        j["class"] = v.asObject()->className();
        j["id"] = session.idOf(v.asObject());
      }
      break;
  }
  if (v.type() == VarType::Missing) j["missing"] = true;
  if (byRef) j["byRef"] = true;
  return j;
}

}  // namespace

std::string HostSession::encodeCall(const HostObject& target, std::string_view member,
                                    CallKind kind, const CallArgs& args) {
  Json line;
  line["seq"] = ++seq_;
  line["class"] = target.className();
  line["id"] = target.id();
  line["member"] = std::string(member);
  line["kind"] = automation::callKindName(kind);
  Json list = Json::array();
  for (const auto& a : args.positional()) list.push_back(encodeValue(*this, a.value(), a.byRef()));
  line["args"] = std::move(list);
  Json named = Json::object();
  for (const auto& n : args.namedArgs())
    named[n.name] = encodeValue(*this, n.arg.value(), n.arg.byRef());
  line["named"] = std::move(named);
  return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void HostSession::observe(const HostObject& target, std::string_view member, CallKind kind,
                          const CallArgs& args) {
  if (journal_) journal_->writeLine(encodeCall(target, member, kind, args));
  if (options_.crashAt && automation::sameName(member, options_.crashAt->member) &&
      ++crashCount_ == options_.crashAt->nth)
    ::_exit(137);
  if (options_.failAt && automation::sameName(member, options_.failAt->member) &&
      ++failCount_ == options_.failAt->nth)
    raiseHost(hosterr::kInjectedFailure, "injected failure in " + options_.failAt->member);
}

HostObject::HostObject(std::shared_ptr<HostSession> session, std::string className)
    : Dispatch(std::move(className)), session_(std::move(session)), id_(session_->newObjectId()) {}

Variant HostObject::invoke(std::string_view member, CallKind kind, CallArgs& args) {
  session_->received(*this, member, kind, args);
  return dispatch(member, kind, args);
}

Variant HostObject::dispatch(std::string_view member, CallKind kind, CallArgs& args) {
  return Dispatch::invoke(member, kind, args);
}

}  // namespace host
