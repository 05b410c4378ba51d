#pragma once
// Runs a program (tessaline-host) as a child process with extra environment variables, standard
// input from a text, and standard output and error captured; kills it after a timeout.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

struct ProcessResult {
  int exitCode = -1;  // the exit status, or 128 + signal when killed by one
  bool timedOut = false;
  std::string out, err;
};

inline std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// `scratch` is a folder for the captured streams.
inline ProcessResult runProcess(const std::vector<std::string>& argv,
                                const std::map<std::string, std::string>& env,
                                const std::string& input, const std::filesystem::path& scratch,
                                std::chrono::seconds timeout = std::chrono::seconds(120)) {
  static int counter = 0;
  ++counter;
  auto inPath = scratch / ("stdin-" + std::to_string(counter));
  auto outPath = scratch / ("stdout-" + std::to_string(counter));
  auto errPath = scratch / ("stderr-" + std::to_string(counter));
  std::ofstream(inPath, std::ios::binary) << input;

  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  ProcessResult result;
  pid_t pid = ::fork();
  if (pid < 0) return result;
  if (pid == 0) {
    for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
    int in = ::open(inPath.c_str(), O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(args[0], args.data());
    ::_exit(126);
  }
  auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  for (;;) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.exitCode = 128 + WTERMSIG(status);
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  return result;
}

}  // namespace e2e
