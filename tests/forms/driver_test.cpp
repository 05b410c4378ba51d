// The driver's output lines, exactly, and its script errors.
#include <gtest/gtest.h>

#include "forms/json.h"
#include "harness.h"

namespace forms::test {
namespace {

using Log = std::vector<std::string>;

class DriverTest : public ScriptTest {};

TEST_F(DriverTest, DumpIsExact) {
  auto mini = makeWindow("Mini", [](TestWindow& t) {
    using enum ControlKind;
    t.setBorderStyle(BorderStyle::FixedDialog);
    t.setClientSize(3390, 1440);
    t.setStartUpPosition(StartUpPosition::Manual);
    t.move(100, 200);
    t.design({{Label, "Label1", "", {90, 180, 480, 195}, "Label1", -1, {.autoSize = true}},
              {NumberEntryBox, "Velnor1", "", {975, 120, 2160, 315}, "", -1, {.format = "#,##0.00"}},
              {StatusBar, "sb", "", {0, 1125, 3390, 315}}});
    t.controlAs<forms::NumberEntryBox>("Velnor1")->setValue(12.5);
    t.statusBar()->setPanelText(1, "hola");
  });
  go = [&](const std::string&) { mini->show(); };
  ASSERT_EQ(run("go\ndump\n"), 0);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], R"({"event":"show","window":"Mini","caption":"Mini","modal":false})");
  EXPECT_EQ(lines[1],
            R"({"event":"dump","windows":[{"name":"Mini","caption":"Mini","visible":true,"modal":false,)"
            R"("windowState":0,"left":100,"top":200,"width":3510,"height":1845,"clientWidth":3390,)"
            R"("clientHeight":1440,"activeControl":"Velnor1","statusText":"hola","controls":{)"
            R"("Label1":{"kind":"Label","container":null,"enabled":true,"visible":true,"left":90,"top":180,)"
            R"("width":480,"height":195,"tabIndex":0,"caption":"Label1"},)"
            R"("Velnor1":{"kind":"NumberEntryBox","container":null,"enabled":true,"visible":true,"left":975,)"
            R"("top":120,"width":2160,"height":315,"tabIndex":1,"value":12.5,"format":"#,##0.00"},)"
            R"("sb":{"kind":"StatusBar","container":null,"enabled":true,"visible":true,"left":0,"top":1125,)"
            R"("width":3390,"height":315,"tabIndex":2}},)"
            R"("state":{"log":[]}}]})");
  // Window state values as JSON (money is in the end-to-end commission window's state).
  using automation::Variant;
  EXPECT_EQ(jsonValue(Variant(automation::Date())), "1899-12-30");
  EXPECT_EQ(jsonValue(Variant(false)), false);
  EXPECT_EQ(jsonValue(Variant(int32_t{3})), 3);
}

TEST_F(DriverTest, GridDumpAndMessageLines) {
  auto w = makeWindow("Lista", [this](TestWindow& t) {
    auto& g = t.make<Grid>("detalles", {0, 0, 5000, 3000});
    g.setFormatString("Fecha|>Monto");
    g.setRows(3);
    g.onDblClick = [this, &g] { app.showMessage("fila " + std::to_string(g.row()) + " “ok”"); };
  });
  go = [&](const std::string&) { w->show(); };
  // Blanks and tabs part words; quotes keep blanks; \" and \\ are the only escapes.
  ASSERT_EQ(run("go\ndblclick 1 1\nok\necho\t" R"(  "a \"b\" c\\d" ""  "c:\x"  )" "\ndump\n"), 0);
  EXPECT_EQ(lines[1], R"({"event":"message","text":"fila 1 “ok”"})");
  EXPECT_EQ(lines[2], R"({"event":"echo","text":"a \"b\" c\\d  c:\\x"})");
  // The rest of a grid's dump (rows, cells, widths) is what the end-to-end invoice list reads.
  const auto g = lastDumpOf("Lista")["controls"]["detalles"];
  EXPECT_EQ(g["cols"], 2);
  EXPECT_EQ(g["fixedRows"], 1);
  EXPECT_EQ(g["row"], 1);
  EXPECT_EQ(g["col"], 1);
}

TEST_F(DriverTest, ClickingAHeaderCellKeepsTheCurrentCell) {
  auto w = makeWindow("Lista", [](TestWindow& t) {
    auto& g = t.make<Grid>("detalles", {0, 0, 5000, 3000});
    g.setCols(3);
    g.setRows(4);
    g.onDblClick = t.logs("dbl");
    g.onGotFocus = t.logs("got");
  });
  go = [&](const std::string&) { w->show(); };
  ASSERT_EQ(run("go\ncell 2 2\ndblclick 0 1\n"), 0);
  auto& g = *w->controlAs<Grid>("detalles");
  EXPECT_EQ(g.row(), 2);
  EXPECT_EQ(g.col(), 2);
  EXPECT_EQ(w->log, (Log{"got", "dbl"}));
}

struct ErrorCase {
  const char* script;
  int line;
  const char* text;
};

class ScriptErrors : public ScriptTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ScriptErrors, EndTheRunWithStatus2) {
  auto dialog = makeWindow("Dialogo", [this](TestWindow& t) {
    t.make<ActionButton>("cbPreguntar").onClick = [this] { app.askQuestion("¿Seguir?"); };
  });
  auto main = makeWindow("W", [&](TestWindow& t) {
    t.make<ActionButton>("cbAbrir").onClick = [&] { dialog->show(true); };
    t.make<ActionButton>("cbAviso").onClick = [this] { app.showMessage("aviso"); };
    t.make<Label>("etiqueta");
    t.make<ReferenceTextBox>("oculto").setVisible(false);
    t.make<Grid>("detalles");
  });
  go = [&](const std::string&) { main->show(); };
  const ErrorCase& c = GetParam();
  EXPECT_EQ(run(c.script), 2);
  nlohmann::ordered_json expected;
  expected["event"] = "script-error";
  expected["line"] = c.line;
  expected["text"] = c.text;
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), jsonLine(expected));
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_EQ(lines[i].find("script-error"), std::string::npos) << "one script error, at the end";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptErrors,
    ::testing::Values(
        ErrorCase{"bogus\necho nunca\n", 1, "unknown command bogus"},
        ErrorCase{"# comentario\n\n   \ngo\nclick nada\n", 5, "window W has no control nada"},
        ErrorCase{"go\nfocus oculto\n", 2, "control oculto is not visible"},
        ErrorCase{"go\nfocus etiqueta\n", 2, "control etiqueta does not take the focus"},
        ErrorCase{"go\ntype hola\n", 2, "type: control cbAbrir takes no text"},
        ErrorCase{"yes\n", 1, "yes: no message box is open"},
        ErrorCase{"click cbAbrir\n", 1, "click: no window is open"},
        ErrorCase{"go\nclick cbAviso\nyes\n", 3, "yes does not answer a message (ok)"},
        ErrorCase{"go\nclick cbAviso\nclick cbAbrir\n", 3, "click: a message box is open (answer it with ok)"},
        ErrorCase{"go\nclick cbAbrir\nclick cbPreguntar\nok\n", 4, "ok does not answer a question (yes or no)"},
        ErrorCase{"go\nclick cbAbrir\nclick cbPreguntar\nclose\n", 4,
                  "close: a question is open (answer it with yes or no)"},
        ErrorCase{"go\nclick cbAbrir\n", 3, "end of script while window Dialogo is open"},
        ErrorCase{"go\nclick cbAviso\n", 3, "end of script while a message box is open"},
        ErrorCase{"go\ncell 5 0\n", 2, "cell: cell 5 0 is outside the grid (2 rows, 2 columns)"},
        ErrorCase{"go\ncell x 0\n", 2, "ROW must be a whole number: x"},
        ErrorCase{"go\nkey F13\n", 2, "key: not a key: F13"},
        ErrorCase{"go\nresize 100\n", 2, "resize takes 2 arguments"},
        ErrorCase{"go\nshot a.png\n", 2, "shot needs --ui qt"},
        ErrorCase{"type \"ab\\\"\n", 1, "unterminated quote"},  // an escaped quote does not close
        ErrorCase{"type ab\"c\"\n", 1, "a quote inside a word"},
        ErrorCase{"type \"ab\"c\n", 1, "text right after a closing quote"}));

TEST_F(DriverTest, GoWithoutAHostIsAScriptError) {
  EXPECT_EQ(run("go V01\n"), 2);
  EXPECT_EQ(lines, (Log{R"({"event":"script-error","line":1,"text":"go needs a host"})"}));
}

TEST_F(DriverTest, CommandAndControlNamesIgnoreCase) {
  auto w = makeWindow("W", [](TestWindow& t) { t.make<ActionButton>("cbOk").onClick = t.logs("ok"); });
  go = [&](const std::string& code) { w->log.push_back("go " + code); w->show(); };
  ASSERT_EQ(run("GO V01\nClick CBOK\n"), 0);
  EXPECT_EQ(w->log, (Log{"go V01", "ok"}));
}

}  // namespace
}  // namespace forms::test
