#pragma once
// End-to-end harness: fresh books in a temporary folder, tessaline-host run with a script, its
// own settings and data folders (TESSALINE_CONFIG_HOME, TESSALINE_DATA_HOME) and a journal, and
// the output parsed.
//
//   class MyTest : public e2e::HostScriptTest {};
//   TEST_F(MyTest, Something) {
//     writeDemoBooks();                       // or writeBooks("INSERT INTO ...") on the schema
//     auto run = runScript("go V001\ndump\n");
//     EXPECT_EQ(run.exitCode, 0) << run.err;
//     auto dump = run.lastDump();             // {"event":"dump","windows":[...]}
//     auto calls = run.calls("OpenRecordset");  // journal lines of that member
//     EXPECT_EQ(scalar("SELECT count(*) FROM comprobantes"), 0);
//   }
//
// Defaults: --today 2026-11-30, --locale en_US; change `today`, `locale` or pass extra options.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/books.h"
#include "host/database.h"
#include "host_process.h"

#ifndef TESSALINE_HOST_BIN
#error "TESSALINE_HOST_BIN must name the tessaline-host program"
#endif

namespace e2e {

using Json = nlohmann::json;

inline std::vector<Json> parseJsonLines(const std::string& text) {
  std::vector<Json> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    out.push_back(Json::parse(line, nullptr, false));  // a line that is not JSON parses as discarded
  }
  return out;
}

struct ScriptRun {
  int exitCode = -1;
  bool timedOut = false;
  std::string out, err;
  std::vector<Json> events;   // stdout, one JSON object per line
  std::vector<Json> journal;  // the journal of this run

  std::vector<Json> eventsOf(const std::string& type) const {
    std::vector<Json> r;
    for (const auto& e : events)
      if (e.is_object() && e.value("event", "") == type) r.push_back(e);
    return r;
  }
  // The windows of the last dump (empty array when there was none).
  Json lastDump() const {
    auto dumps = eventsOf("dump");
    return dumps.empty() ? Json::array() : dumps.back()["windows"];
  }
  // The window of that name in the last dump (null when absent).
  Json window(const std::string& name) const {
    for (const auto& w : lastDump())
      if (w.value("name", "") == name) return w;
    return nullptr;
  }
  // Journal lines of calls to `member` (exact name as called), optionally of one class.
  std::vector<Json> calls(const std::string& member, const std::string& cls = {}) const {
    std::vector<Json> r;
    for (const auto& j : journal)
      if (j.value("member", "") == member && (cls.empty() || j.value("class", "") == cls)) r.push_back(j);
    return r;
  }
  // The members called, in order (for sequence checks).
  std::vector<std::string> memberSequence() const {
    std::vector<std::string> r;
    for (const auto& j : journal) r.push_back(j.value("member", ""));
    return r;
  }
};

class HostScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-e2e-XXXXXX").string();
    root = ::mkdtemp(pattern.data());
    books = root / "books.sqlite";
    prints = root / "prints";
    configHome = root / "config";
    dataHome = root / "data";
    std::filesystem::create_directories(configHome);
    std::filesystem::create_directories(dataHome);
  }
  void TearDown() override {
    std::error_code ec;
    if (!::testing::Test::HasFailure()) std::filesystem::remove_all(root, ec);
  }

  void writeDemoBooks() { ASSERT_TRUE(host::createDemoBooks(books)); }
  // The schema, then `sql` (several statements).
  void writeBooks(const std::string& sql) {
    auto db = host::Database::create(books);
    host::createSchema(*db);
    db->exec("BEGIN;" + sql + ";COMMIT;");
  }
  // Runs tessaline-host on the books with `script` as its script file.
  ScriptRun runScript(const std::string& script, const std::vector<std::string>& extra = {}) {
    ++runs_;
    auto scriptPath = root / ("script-" + std::to_string(runs_) + ".txt");
    std::ofstream(scriptPath) << script;
    journalPath = root / ("journal-" + std::to_string(runs_) + ".jsonl");
    std::vector<std::string> argv{TESSALINE_HOST_BIN, "--db", books.string(), "--script",
                                  scriptPath.string(), "--journal", journalPath.string(),
                                  "--print-dir", prints.string(), "--today", today,
                                  "--locale", locale};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return run(argv);
  }
  // Runs tessaline-host with exactly these arguments (after the program name).
  ScriptRun runHost(const std::vector<std::string>& args, const std::string& input = {}) {
    std::vector<std::string> argv{TESSALINE_HOST_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    journalPath.clear();
    return run(argv, input);
  }

  // One value from the books (the first column of the first row; 0 when there is no row).
  int64_t scalar(const std::string& sql) {
    auto db = host::Database::open(books);
    auto st = db->prepare(sql);
    return st.step() ? st.columnInt(0) : 0;
  }
  std::string text(const std::string& sql) {
    auto db = host::Database::open(books);
    auto st = db->prepare(sql);
    return st.step() ? st.columnText(0) : std::string();
  }

  std::filesystem::path root, books, prints, configHome, dataHome, journalPath;
  std::string today = "2026-11-30";
  std::string locale = "en_US";

 private:
  ScriptRun run(const std::vector<std::string>& argv, const std::string& input = {}) {
    auto p = runProcess(argv,
                        {{"TESSALINE_CONFIG_HOME", configHome.string()},
                         {"TESSALINE_DATA_HOME", dataHome.string()},
                         {"QT_QPA_PLATFORM", "offscreen"}},
                        input, root);
    ScriptRun r;
    r.exitCode = p.exitCode;
    r.timedOut = p.timedOut;
    r.out = std::move(p.out);
    r.err = std::move(p.err);
    r.events = parseJsonLines(r.out);
    if (!journalPath.empty() && std::filesystem::exists(journalPath))
      r.journal = parseJsonLines(readFile(journalPath));
    return r;
  }
  int runs_ = 0;
};

}  // namespace e2e
