// The settings store, the configuration paths, and private profile (ini) lookups.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "profile/ini.h"
#include "profile/paths.h"
#include "profile/settings_store.h"
#include "temp_dir.h"

using profile::SettingsStore;
using profile::StoreError;
using profile::getPrivateProfileString;

namespace {

constexpr const char* kPlacement = "CONFIG\\FormPlacement\\SelectFacturas";

// Runs f in a child process; the child exits 0 when f returns, 1 when it raises StoreError, 2 on
// anything else.
pid_t inChild(const std::function<void()>& f) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  int status = 0;
  try {
    f();
  } catch (const StoreError&) {
    status = 1;
  } catch (...) {
    status = 2;
  }
  ::_exit(status);
}

int exitStatus(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SettingsStore, AnyTextRoundTrips) {
  TempDir dir;
  const std::pair<std::string, std::string> rows[] = {
      {"Left", "1200"},       {"we=ird [key]\\", "a%b\nc\\d"}, {"  blanks  ", "  kept  "},
      {"# not a comment", "; nor this"}, {"ñandú €", "línea 1\r\nlínea 2\t\x01"}, {"empty", ""},
      {"bytes", std::string("\xFF\xFE\0z", 4)},  // not UTF-8, with a NUL
  };
  {
    SettingsStore store(dir.path());
    for (const auto& [key, value] : rows) store.set("Zel", kPlacement, key, value);
  }
  SettingsStore store(dir.path());
  for (const auto& [key, value] : rows) EXPECT_EQ(store.find("Zel", kPlacement, key), value) << key;
  EXPECT_EQ(store.lastProblem(), "");
  EXPECT_EQ(store.getAll("Zel", kPlacement).size(), std::size(rows));
}

TEST(SettingsStore, SectionsNestAtBackslashesAndIgnoreCase) {
  TempDir dir;
  SettingsStore store(dir.path());
  EXPECT_EQ(store.get("Zel", kPlacement, "Left", "-1"), "-1");
  EXPECT_FALSE(store.find("Zel", kPlacement, "Left").has_value());
  store.set("Zel", kPlacement, "Left", "100");
  store.set("Zel", "CONFIG", "Left", "5");
  store.set("Hollowmere", "Transient", "optQuorvane", "optCheque");
  store.set("zel", "config\\formplacement\\selectfacturas\\", "LEFT", "200");  // same value
  EXPECT_EQ(store.get("Zel", kPlacement, "Left"), "200");
  EXPECT_EQ(store.get("Zel", "CONFIG", "left"), "5");
  EXPECT_EQ(store.get("Zel", "CONFIG\\FormPlacement", "Left", "none"), "none");
  EXPECT_EQ(store.getAll("Zel", kPlacement).at(0).first, "Left");  // the first spelling stays

  EXPECT_TRUE(store.remove("Zel", "CONFIG", "Left"));
  EXPECT_FALSE(store.remove("Zel", "CONFIG", "Left"));
  EXPECT_EQ(store.get("Zel", kPlacement, "Left"), "200");
  EXPECT_TRUE(store.removeSection("Zel", "CONFIG"));  // with its deeper levels
  EXPECT_EQ(store.get("Zel", kPlacement, "Left", "gone"), "gone");
  EXPECT_EQ(store.get("Hollowmere", "Transient", "optQuorvane"), "optCheque");
}

TEST(SettingsStore, NamesNeverBecomePaths) {
  TempDir dir;
  SettingsStore store(dir.path());
  store.set("../../evil", "/etc/passwd\\..", "../key", "v");
  EXPECT_EQ(store.get("../../evil", "/etc/passwd\\..", "../key"), "v");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"settings.lock", "settings.txt"}));
  EXPECT_THROW(store.set("", "S", "K", "v"), StoreError);
  EXPECT_THROW(store.set("A", "\\", "K", "v"), StoreError);
  EXPECT_THROW(store.set("A", "S", "", "v"), StoreError);
}

TEST(SettingsStore, ConcurrentWritersLoseNothing) {
  TempDir dir;
  constexpr int kWriters = 4, kWrites = 40;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w)
    children.push_back(inChild([&] {
      SettingsStore store(dir.path());
      for (int i = 0; i < kWrites; ++i)
        store.set("App", "Writer" + std::to_string(w), "k" + std::to_string(i), std::to_string(w * 1000 + i));
    }));
  for (pid_t pid : children) EXPECT_EQ(exitStatus(pid), 0);
  SettingsStore store(dir.path());
  int found = 0;
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kWrites; ++i)
      found += store.get("App", "Writer" + std::to_string(w), "k" + std::to_string(i)) == std::to_string(w * 1000 + i);
  EXPECT_EQ(found, kWriters * kWrites);
}

TEST(SettingsStore, DamagedFileIsReportedAndWhatCanBeReadIsKept) {
  TempDir dir;
  const std::string damaged =
      "[Zel\\CONFIG\\FormPlacement\\SelectFacturas]\n"
      "Left=1200\n"
      "garbage without equals\n"
      "Top=300\n" +
      std::string("\x00\x01\xFF\xFE=junk\n", 10) +
      "[Broken\\Header\n"
      "Orphan=1\n"
      "[Hollowmere\\Transient]\n"
      "optQuorvane=optCaja\n"
      "Width=56";  // cut short
  writeFile(dir / "settings.txt", damaged);
  SettingsStore store(dir.path());
  EXPECT_EQ((std::vector{store.get("Zel", kPlacement, "Left"), store.get("Zel", kPlacement, "Top"),
                         store.get("Hollowmere", "Transient", "optQuorvane"), store.get("Broken", "Header", "Orphan", "none")}),
            (std::vector<std::string>{"1200", "300", "optCaja", "none"}));
  EXPECT_NE(store.lastProblem(), "");

  store.set("Zel", kPlacement, "Height", "4000");
  EXPECT_EQ((std::vector{store.get("Zel", kPlacement, "Left"), store.get("Hollowmere", "Transient", "Width"),
                         store.get("Zel", kPlacement, "Height")}),
            (std::vector<std::string>{"1200", "56", "4000"}));
  EXPECT_EQ(store.lastProblem(), "");  // rewritten sound
  // The damaged original is kept beside the store, byte for byte.
  int copies = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.path().filename().string().starts_with("settings.txt.damaged-")) {
      ++copies;
      EXPECT_EQ(readFile(entry.path()), damaged);
    }
  }
  EXPECT_EQ(copies, 1);
}

TEST(SettingsStore, FailedWriteRaisesAndLeavesTheFileIntact) {
  TempDir dir;
  // The store's directory cannot be created: a file stands in its way.
  writeFile(dir / "blocked", "x");
  SettingsStore blocked(dir / "blocked");
  EXPECT_THROW(blocked.set("A", "S", "K", "v"), StoreError);
  EXPECT_EQ(blocked.get("A", "S", "K", "default"), "default");

  // The disk fills up in the middle of a write (file size limit in a child process).
  TempDir full;
  SettingsStore store(full.path());
  store.set("Zel", kPlacement, "Left", "1200");
  const std::string before = readFile(full / "settings.txt");
  const pid_t pid = inChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    SettingsStore(full.path()).set("Zel", kPlacement, "Big", std::string(100000, 'b'));
  });
  EXPECT_EQ(exitStatus(pid), 1) << "the failed write did not raise StoreError";
  EXPECT_EQ(readFile(full / "settings.txt"), before);
  EXPECT_EQ(store.get("Zel", kPlacement, "Big", "none"), "none");
  for (const auto& entry : std::filesystem::directory_iterator(full.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "settings.txt" || name == "settings.lock") << "left behind: " << name;
  }
}

TEST(Paths, ResolveFromTheEnvironment) {
  const struct {
    const char *own, *xdg, *home;
    const char *config, *data;
  } rows[] = {
      {"/cfg", "/xdg", "/home/u", "/cfg", "/cfg"},
      {nullptr, "/xdg", "/home/u", "/xdg/tessaline", "/xdg/tessaline"},
      {nullptr, "relative", "/home/u", "/home/u/.config/tessaline", "/home/u/.local/share/tessaline"},
      {nullptr, nullptr, "/home/u", "/home/u/.config/tessaline", "/home/u/.local/share/tessaline"},
  };
  auto put = [](const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); };
  const std::string savedHome = ::getenv("HOME") ? ::getenv("HOME") : "";
  for (const auto& r : rows) {
    put("TESSALINE_CONFIG_HOME", r.own);
    put("TESSALINE_DATA_HOME", r.own);
    put("XDG_CONFIG_HOME", r.xdg);
    put("XDG_DATA_HOME", r.xdg);
    put("HOME", r.home);
    EXPECT_EQ(profile::configHome(), r.config);
    EXPECT_EQ(profile::dataHome(), r.data);
  }
  for (const char* name : {"TESSALINE_CONFIG_HOME", "TESSALINE_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
    ::unsetenv(name);
  ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(PrivateProfileString, LooksUpAsThePlatformDoes) {
  TempDir dir;
  const auto ini = dir / "Hollowmere.ini";
  writeFile(ini,
            "; settings of the commission window\n"
            "[Sec]\n"
            "Key = \"val1\" \n"
            "Dup=first\n"
            "Dup=second\n"
            "NoEquals\n"
            ";Hidden=x\n"
            "Quoted='single'\n"
            "Mixed=\"abc'\n"
            "Empty=\n"
            "  Spaced   =   some value  \r\n"
            "Accent=\xC3\xB1\x61ndu\n"
            "[CONFIG\\FormPlacement\\Main]\n"
            "Left=120\n"
            "[ Other ]\n"
            "Short=y\n");
  const struct {
    const char* section;
    const char* key;
    const char* defaultValue;
    size_t size;
    std::string text;
    size_t count;
  } rows[] = {
      {"Sec", "Key", "", 1024, "val1", 4},
      {"sec", "KEY", "", 4, "val", 3},  // a buffer of n holds n-1
      {"Sec", "Key", "", 1, "", 0},                {"Sec", "Key", "", 0, "", 0},
      {"Sec", "Dup", "", 1024, "first", 5},        {"Sec", "NoEquals", "def", 1024, "def", 3},
      {"Sec", ";Hidden", "def", 1024, "def", 3},   {"Sec", "Hidden", "def", 1024, "def", 3},
      {"Sec", "Quoted", "", 1024, "single", 6},    {"Sec", "Mixed", "", 1024, "\"abc'", 5},
      {"Sec", "Empty", "def", 1024, "", 0},        {"Sec", "Spaced", "", 1024, "some value", 10},
      {"Sec", "Accent", "", 3, "\xC3\xB1\x61", 2},  // characters, never half of one
      {"CONFIG\\FormPlacement\\Main", "Left", "-1", 1024, "120", 3},
      {"config\\formplacement\\MAIN", "left", "-1", 1024, "120", 3}, {"CONFIG", "Left", "-1", 1024, "-1", 2},
      {"Other", "Short", "", 1024, "y", 1},  // a long value cut short is the settings lookup's
      {"Missing", "Key", "dflt \t ", 1024, "dflt", 4}, {"Sec", "Missing", "default", 4, "def", 3},
  };
  for (const auto& r : rows) {
    const auto got = getPrivateProfileString(r.section, r.key, r.defaultValue, r.size, ini);
    EXPECT_EQ(std::pair(got.text, got.count), std::pair(r.text, r.count)) << r.section << "/" << r.key << " n=" << r.size;
  }
  // A missing or unreadable file gives the default.
  EXPECT_EQ(getPrivateProfileString("A", "B", "x ", 1024, dir / "none.ini").text, "x");
  EXPECT_EQ(getPrivateProfileString("A", "B", "", 1024, dir.path()).count, 0u);  // a directory
}

}  // namespace
