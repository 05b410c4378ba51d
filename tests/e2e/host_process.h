#pragma once
// Runs tessaline-host as a child process: either to the end with standard input from a text and
// the output captured (killed after a timeout), or live, fed line by line with its JSON events
// read as they come. Safe to use from several threads at once.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace e2e {

using Env = std::map<std::string, std::string>;

inline std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The JSON objects of a text, one a line; other lines are skipped.
inline std::vector<nlohmann::json> parseJsonLines(const std::string& text) {
  std::vector<nlohmann::json> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    auto j = nlohmann::json::parse(line, nullptr, false);
    if (j.is_object()) out.push_back(std::move(j));
  }
  return out;
}

// argv and envp for execve, built before the fork: this process's environment with `env` over it.
class ExecArgs {
 public:
  ExecArgs(std::vector<std::string> argv, const Env& env) : argv_(std::move(argv)) {
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string v = *e;
      if (!env.count(v.substr(0, v.find('=')))) env_.push_back(v);
    }
    for (const auto& [k, v] : env) env_.push_back(k + "=" + v);
    for (auto& a : argv_) argp_.push_back(a.data());
    for (auto& e : env_) envp_.push_back(e.data());
    argp_.push_back(nullptr);
    envp_.push_back(nullptr);
  }
  [[noreturn]] void exec() {
    ::execve(argp_[0], argp_.data(), envp_.data());
    ::_exit(127);
  }

 private:
  std::vector<std::string> argv_, env_;
  std::vector<char*> argp_, envp_;
};

struct ProcessResult {
  int exitCode = -1;  // the exit status, or 128 + signal when killed by one
  bool timedOut = false;
  std::string out, err;
};

inline int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

// Runs to the end; `scratch` is a folder for the captured streams.
inline ProcessResult runProcess(const std::vector<std::string>& argv, const Env& env, const std::string& input,
                                const std::filesystem::path& scratch,
                                std::chrono::seconds timeout = std::chrono::seconds(120)) {
  static std::atomic<int> counter{0};
  const std::string id = std::to_string(::getpid()) + "-" + std::to_string(++counter);
  const auto inPath = scratch / ("stdin-" + id), outPath = scratch / ("stdout-" + id), errPath = scratch / ("stderr-" + id);
  std::ofstream(inPath, std::ios::binary) << input;
  ExecArgs exec(argv, env);
  ProcessResult result;
  const pid_t pid = ::fork();
  if (pid < 0) return result;
  if (pid == 0) {
    ::dup2(::open(inPath.c_str(), O_RDONLY), 0);
    ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    exec.exec();
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.exitCode = exitCodeOf(status);
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  return result;
}

// A host fed its script line by line on standard input; its events are read as they come.
class LiveHost {
 public:
  LiveHost(const std::vector<std::string>& argv, const Env& env) {
    ::signal(SIGPIPE, SIG_IGN);  // a host that ends early must not take the test down
    ExecArgs exec(argv, env);
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      exec.exec();
    }
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = ::fdopen(out[0], "r");
  }
  ~LiveHost() {
    if (in_ >= 0) ::close(in_);
    if (out_) std::fclose(out_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  LiveHost(const LiveHost&) = delete;
  LiveHost& operator=(const LiveHost&) = delete;

  void send(std::string lines) {
    if (lines.empty() || lines.back() != '\n') lines += '\n';
    for (size_t done = 0; done < lines.size();) {
      const ssize_t w = ::write(in_, lines.data() + done, lines.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw std::runtime_error("the host does not read its script");
      done += static_cast<size_t>(w);
    }
  }
  // The next event; nullopt at the end of the output.
  std::optional<nlohmann::json> next() {
    char* line = nullptr;
    size_t cap = 0;
    for (ssize_t n; (n = ::getline(&line, &cap, out_)) >= 0;) {
      auto j = nlohmann::json::parse(std::string(line, static_cast<size_t>(n)), nullptr, false);
      if (!j.is_object()) continue;
      std::free(line);
      events.push_back(j);
      return j;
    }
    std::free(line);
    return std::nullopt;
  }
  // Reads events until one of kind `event` (and, when given, with that text) arrives.
  nlohmann::json waitFor(const std::string& event, const std::string& text = {}) {
    for (;;) {
      auto e = next();
      if (!e) throw std::runtime_error("the host ended before the event " + event);
      if (e->value("event", "") == event && (text.empty() || e->value("text", "") == text)) return *e;
    }
  }
  // Closes the script, reads the rest of the events and returns the exit status.
  int finish() {
    ::close(in_);
    in_ = -1;
    while (next()) {
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return exitCodeOf(status);
  }

  std::vector<nlohmann::json> events;
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  FILE* out_ = nullptr;
};

}  // namespace e2e
