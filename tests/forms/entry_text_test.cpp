// What the date and number boxes make of typed text: a date in the regional order that also
// reads as a number, ISO text that is no date, and numbers too large to hold.

#include "harness.h"

namespace forms::test {
namespace {

class EntryText : public ScriptTest {
 protected:
  EntryText() {
    window = makeWindow("Cajas", [](TestWindow& w) {
      w.make<DateEntryBox>("fecha", {0, 0, 1710, 315});
      w.make<NumberEntryBox>("numero", {0, 400, 2160, 315});
    });
    go = [this](const std::string&) { window->show(); };
  }
  // Types `text` into the box and returns its value as the dump gives it; the run must go on.
  nlohmann::json typed(const char* box, const std::string& text) {
    EXPECT_EQ(run(std::string("go\nfocus ") + box + "\ntype \"" + text + "\"\ndump\n"), 0) << lines.back();
    return lastDumpOf("Cajas")["controls"][box]["value"];
  }
  std::shared_ptr<TestWindow> window;
};

TEST_F(EntryText, DatesWithAFourDigitYearAreDatesBeforeNumbers) {
  app.setRegionalSettings(regional::RegionalSettings::fromLocale("de_DE"));
  EXPECT_EQ(typed("fecha", "01.11.2026"), "2026-11-01");
  EXPECT_EQ(typed("fecha", "1112026"), "2026-11-01");  // a plain number is no date: kept
  // ISO-shaped text is ISO or nothing, never read again day first.
  EXPECT_EQ(typed("fecha", "0012-11-05"), "2026-11-01");
  EXPECT_EQ(typed("fecha", "12345678901234567890"), "2026-11-01");
}

TEST_F(EntryText, ANumberTooLargeIsRefusedLikeAnyText) {
  EXPECT_EQ(typed("numero", "12.5"), 12.5);
  EXPECT_EQ(typed("numero", "1e999"), 12.5);
  EXPECT_EQ(typed("numero", "abc"), 12.5);
}

}  // namespace
}  // namespace forms::test
