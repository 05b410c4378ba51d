// tessaline-host's command line: books that cannot be used, demo books, bad options.

#include "e2e_harness.h"

namespace e2e {
namespace {

using CliTest = HostScriptTest;

TEST_F(CliTest, MissingBooksAreAClearErrorAndNothingIsCreated) {
  auto run = runHost({"--script", "-"});  // default books in the data folder
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("--init-demo"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dataHome / "books.sqlite"));

  auto missing = root / "nowhere" / "books.sqlite";
  run = runHost({"--db", missing.string(), "--script", "-"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(missing.string()), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(CliTest, UnusableBooksAreAClearError) {
  std::ofstream(books) << "not a database\n";
  auto run = runHost({"--db", books.string(), "--script", "-"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot be used"), std::string::npos) << run.err;
  EXPECT_EQ(readFile(books), "not a database\n");

  run = runHost({"--db", root.string(), "--script", "-"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
}

TEST_F(CliTest, InitDemoCreatesTheBooksOnceAndNeverOverwrites) {
  auto run = runHost({"--db", books.string(), "--init-demo", "--script", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("created demo books"), std::string::npos) << run.err;
  std::string before = readFile(books);
  run = runHost({"--db", books.string(), "--init-demo", "--script", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("created demo books"), std::string::npos) << run.err;
  EXPECT_EQ(readFile(books), before);
}

TEST_F(CliTest, BadOptionsAreRefused) {
  writeDemoBooks();
  for (std::vector<std::string> bad : {std::vector<std::string>{"--today", "2026-02-30"},
                                       {"--screen", "wide"},
                                       {"--fail-at", "Procesar#0"},
                                       {"--ui", "tty"},
                                       {"--lock-timeout", "-1"},
                                       {"--vendedor", "V001"}}) {
    std::vector<std::string> args{"--db", books.string(), "--script", "-"};
    args.insert(args.end(), bad.begin(), bad.end());
    auto run = runHost(args);
    EXPECT_EQ(run.exitCode, 1) << bad[0] << ": " << run.err;
    EXPECT_FALSE(run.err.empty()) << bad[0];
  }
}

TEST_F(CliTest, ScriptFromStandardInputAndScriptErrors) {
  writeDemoBooks();
  auto run = runHost({"--db", books.string(), "--script", "-"}, "echo hola\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(run.eventsOf("echo").size(), 1u) << run.out;
  run = runHost({"--db", books.string(), "--script", "-"}, "click nada\n");
  EXPECT_EQ(run.exitCode, 2) << run.err;
  EXPECT_EQ(run.eventsOf("script-error").size(), 1u) << run.out;
}

}  // namespace
}  // namespace e2e
