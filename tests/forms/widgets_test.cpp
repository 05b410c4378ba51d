// The themed entry widgets: the code box with its lookups and search list, the date and number
// boxes, the status bar, and the grid with its cell store.

#include "automation/date.h"
#include "fake_lookup.h"
#include "harness.h"

namespace forms::test {
namespace {

using automation::Variant;

TEST(TextMetrics, HeadlessWidthsIgnoreAccentsAndScaleWithTheFont) {
  HeadlessTextMetrics m;
  EXPECT_EQ(m.textWidth("código", Font{}), m.textWidth("codigo", Font{}));
  Font big;
  big.size = 16.5;
  EXPECT_EQ(m.textWidth("Label1", big), 2 * 480);
  EXPECT_EQ(m.lineHeight(big), 390);
}

class AutoSizeTest : public ScriptTest {};

TEST_F(AutoSizeTest, ALabelFollowsItsCaptionOnlyWhenAutoSized) {
  auto w = makeWindow("W", [](TestWindow& t) {
    t.design({{ControlKind::Label, "auto", "", {90, 180, 480, 195}, "Label1", -1, {.autoSize = true}},
              {ControlKind::Label, "fixed", "", {90, 500, 480, 195}, "Label1"}});
  });
  const std::string caption = "Nueva comision para la factura";
  w->controlAs<Label>("auto")->setCaption(caption);
  w->controlAs<Label>("fixed")->setCaption(caption);
  EXPECT_EQ(w->control("auto")->width(), HeadlessTextMetrics().textWidth(caption, Font{}));
  EXPECT_EQ(w->control("fixed")->width(), 480);
}

class LookupTest : public ScriptTest {
 protected:
  LookupTest() {
    window = makeWindow("Ventas", [this](TestWindow& w) {
      auto& codigo = w.make<CodeLookupField>("codigoVendedor");
      codigo.setTitle("Vendedor");
      codigo.setMaxLength(20);
      codigo.setLookupSource(lookup);
    });
    go = [this](const std::string&) { window->show(); };
  }
  CodeLookupField& codigo() { return *window->controlAs<CodeLookupField>("codigoVendedor"); }

  std::shared_ptr<FakeLookup> lookup =
      std::make_shared<FakeLookup>(std::vector<LookupEntry>{{"V01", "Pedro"}, {"V02", "Ana"}, {"V03", ""}}, "V02");
  std::shared_ptr<TestWindow> window;
};

TEST_F(LookupTest, RegistroIsLookedUpAtEveryRead) {
  codigo().setText("V01");
  EXPECT_EQ(codigo().registro(), nullptr);
  codigo().setText("V02");
  EXPECT_EQ(codigo().registro(), lookup->record);
  codigo().registro();
  EXPECT_EQ(lookup->found, (Log{"V01", "V02", "V02"}));
  codigo().setLookupSource(nullptr);
  EXPECT_EQ(codigo().registro(), nullptr);
}

// F2 lists the source in a modal list; Enter or a double click on a row fills the text, Esc
// chooses nothing.
TEST_F(LookupTest, F2ListsTheSourceAndChoosingARowFillsTheText) {
  ASSERT_EQ(run("go\nkey F2\ndump\ncell 2 1\nkey ENTER\ndump\nkey F2\ndblclick 3 0\nkey F2\nkey ESC\n"), 0);
  EXPECT_EQ(eventNames(), (Log{"show", "show", "dump", "unload", "dump", "show", "unload", "show", "unload"}));
  EXPECT_EQ(std::pair(events()[1]["window"], events()[1]["modal"]), std::pair(nlohmann::json("busqueda"), nlohmann::json(true)));
  const auto lista = lastDumpOf("busqueda")["controls"]["lista"];
  EXPECT_EQ(lista["cells"],
            nlohmann::json::parse(R"([["Código","Vendedor"],["V01","Pedro"],["V02","Ana"],["V03",""]])"));
  const auto ventas = lastDumpOf("Ventas");
  EXPECT_EQ(nlohmann::json::array({ventas["controls"]["codigoVendedor"]["text"], ventas["activeControl"]}),
            nlohmann::json::parse(R"(["V02", "codigoVendedor"])"));
  EXPECT_EQ(codigo().text(), "V03");
}

TEST_F(LookupTest, F2WithoutASourceIsError91OfTheBox) {
  codigo().setLookupSource(nullptr);
  ASSERT_EQ(run("go\nkey F2\nok\n"), 0);
  const auto e = events()[1];
  EXPECT_EQ(nlohmann::json::array({e["event"], e["number"], e["source"]}),
            nlohmann::json::parse(R"(["error", 91, "codigoVendedor"])"));
}

TEST_F(LookupTest, TypingStopsAtTheMaximumLengthButCodeDoesNot) {
  ASSERT_EQ(run("go\ntype 123456789012345678901234\n"), 0);
  EXPECT_EQ(codigo().text(), "12345678901234567890");
  codigo().setText("123456789012345678901234");
  EXPECT_EQ(codigo().text().size(), 24u);
}

class EntryBoxTest : public ScriptTest {
 protected:
  EntryBoxTest() {
    automation::setToday(automation::Date::fromYmd(2024, 3, 15));
    window = makeWindow("Cajas", [](TestWindow& w) {
      w.design({{ControlKind::DateEntryBox, "fecha"},
                {ControlKind::NumberEntryBox, "numero"},
                {ControlKind::StatusBar, "barra"}});
      w.statusBar()->addPanel("segundo");
    });
    go = [this](const std::string&) { window->show(); };
  }
  ~EntryBoxTest() override { automation::setToday(std::nullopt); }
  // Types `text` into the box and returns its value as the dump gives it; the run must go on.
  nlohmann::json typed(const char* box, const std::string& text) {
    EXPECT_EQ(run(std::string("go\nfocus ") + box + "\ntype \"" + text + "\"\ndump\n"), 0) << lines.back();
    return lastDumpOf("Cajas")["controls"][box]["value"];
  }
  std::shared_ptr<TestWindow> window;
};

TEST_F(EntryBoxTest, DateBoxStartsTodayAndRefusesTextThatIsNotADate) {
  EXPECT_EQ(window->controlAs<DateEntryBox>("fecha")->value(), automation::Date::fromYmd(2024, 3, 15));
  EXPECT_EQ(typed("fecha", "2024-02-29"), "2024-02-29");
  EXPECT_EQ(typed("fecha", "3/1/2024"), "2024-03-01") << "the regional short date";
  for (const char* bad : {"hola", "2024-02-30"})
    EXPECT_EQ(typed("fecha", bad), "2024-03-01") << bad << ": refused text keeps the value";
  EXPECT_EQ(window->controlAs<DateEntryBox>("fecha")->text(), "3/1/2024");
}

TEST_F(EntryBoxTest, NumberBoxReadsRegionalTextAndShowsItsFormat) {
  app.setRegionalSettings(regional::RegionalSettings::fromLocale("es_VE"));
  ASSERT_EQ(run("go\nfocus numero\ntype 1.234,5\ndump\ntype abc\ntype 7\ndump\n"), 0);
  auto& numero = *window->controlAs<NumberEntryBox>("numero");
  EXPECT_EQ(events()[1]["windows"][0]["controls"]["numero"]["value"], 1234.5);
  EXPECT_NE(lines[2].find(R"("value":7,"format":"")"), std::string::npos) << "whole numbers are JSON integers";
  numero.setValue(Variant(automation::Currency::fromRaw(125000)));
  numero.setFormat("#,##0.00");
  EXPECT_DOUBLE_EQ(numero.value(), 12.5);
  EXPECT_EQ(numero.text(), "12,50");
  EXPECT_THROW(numero.setValue(Variant("doce")), automation::Error);
  EXPECT_DOUBLE_EQ(numero.value(), 12.5);
}

// A date in the regional order that also reads as a number is a date; ISO-shaped text is ISO or
// nothing, never read again day first.
TEST_F(EntryBoxTest, DatesWithAFourDigitYearAreDatesBeforeNumbers) {
  app.setRegionalSettings(regional::RegionalSettings::fromLocale("de_DE"));
  EXPECT_EQ(typed("fecha", "01.11.2026"), "2026-11-01");
  EXPECT_EQ(typed("fecha", "1112026"), "2026-11-01");  // a plain number is no date: kept
  for (const char* kept : {"0012-11-05", "12345678901234567890"}) EXPECT_EQ(typed("fecha", kept), "2026-11-01") << kept;
}

TEST_F(EntryBoxTest, ANumberTooLargeIsRefusedLikeAnyText) {
  EXPECT_EQ(typed("numero", "12.5"), 12.5);
  for (const char* bad : {"1e999", "abc"}) EXPECT_EQ(typed("numero", bad), 12.5) << bad;
}

// Panels count from one (panel 1 is the end-to-end windows' hint); one past the last is refused.
TEST_F(EntryBoxTest, APanelPastTheLastIsRefused) {
  EXPECT_THROW(window->controlAs<StatusBar>("barra")->setPanelText(3, "x"), automation::Error);
}

GridStore numbered(int rows, int cols) {
  GridStore s(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) s.at(r, c) = std::to_string(r) + "," + std::to_string(c);
  return s;
}

TEST(GridStore, ResizingKeepsTheCellsThatStayInPlaceAndNewCellsAreEmpty) {
  GridStore s = numbered(3, 4);
  s.setRows(50);
  ASSERT_EQ(s.cells().size(), 200u);
  EXPECT_EQ((Log{s.at(2, 3), s.at(49, 3)}), (Log{"2,3", ""}));
  s = numbered(70, 3);
  s.setRows(51);  // a trim that gives spare room back
  EXPECT_EQ(s.cells().size(), 153u);
  EXPECT_EQ(s.at(50, 2), "50,2");
  s.setRows(1);
  s.setRows(2);
  EXPECT_EQ(s.at(0, 1), "0,1");
  EXPECT_EQ(s.at(1, 1), "") << "a row that came back is empty";
  s = numbered(3, 3);
  s.setCols(5);
  EXPECT_EQ((Log{s.at(1, 2), s.at(1, 3)}), (Log{"1,2", ""}));
  s.setCols(2);
  EXPECT_EQ(s.at(2, 1), "2,1");
  s.resize(4, 1);
  EXPECT_EQ((Log{s.at(1, 0), s.at(3, 0)}), (Log{"1,0", ""}));
  s.clear();
  EXPECT_EQ(s.rows(), 4) << "clear keeps the size";
  EXPECT_EQ(s.at(1, 0), "");
  s.resize(-3, 4);
  EXPECT_TRUE(s.rows() == 0 && s.cells().empty());
}

class GridTest : public ScriptTest {
 protected:
  Grid& grid() { return *window->controlAs<Grid>("detalles"); }
  std::shared_ptr<TestWindow> window = makeWindow("W", [](TestWindow& w) { w.make<Grid>("detalles", {0, 0, 6000, 3000}); });
};

TEST_F(GridTest, FormatStringSetsColumnsHeadersWidthsAndAlignment) {
  const auto sections = parseFormatString("^Centro|<Izq  ||;row1|row2");
  ASSERT_EQ(sections.size(), 4u) << "row headers after ';' are not columns";
  EXPECT_EQ(std::pair(sections[0].alignment, sections[1].alignment), std::pair(Alignment::Center, Alignment::Left));
  EXPECT_EQ((Log{sections[1].header, sections[1].widthText, sections[3].widthText}), (Log{"Izq", "Izq  ", ""}));
  EXPECT_TRUE(parseFormatString("").empty());

  grid().setFormatString("Fecha     |>Venta Neta |||");
  EXPECT_EQ(std::tuple(grid().cols(), grid().textMatrix(0, 0), grid().textMatrix(0, 1), grid().colAlignment(1)),
            std::tuple(5, "Fecha", "Venta Neta", Alignment::Right));
  // "Fecha" 6+6+6+6+6 px plus five blanks of 3 px: 45 px.
  EXPECT_EQ(grid().colWidth(0), 45 * 15 + Grid::kCellPadding);
  EXPECT_EQ(grid().colWidth(4), Grid::kCellPadding);
}

// Cutting the rows pulls the current row back into the grid (what the rows keep is the store's;
// a row's texts from the first column on are the end-to-end invoice list's).
TEST_F(GridTest, FewerRowsPullTheCurrentRowBack) {
  grid().setRows(50);
  grid().setRow(49);
  grid().setRows(21);
  EXPECT_EQ(grid().row(), 20);
}

TEST_F(GridTest, BadIndexesRaiseErrors) {
  Grid& g = grid();
  EXPECT_EQ(errorOf([&] { g.textMatrix(2, 0); }), 381);
  EXPECT_EQ(errorOf([&] { g.setTextMatrix(0, 2, "x"); }), 381);
  std::vector<std::string> fila(3, "x");
  EXPECT_EQ(errorOf([&] { g.swapRowTexts(0, fila); }), 381) << "more texts than columns";
  EXPECT_EQ(errorOf([&] { g.setColWidth(-1, 10); }), 381);
  EXPECT_EQ(errorOf([&] { g.setRows(0); }), 380) << "fewer than the one fixed row";
}

}  // namespace
}  // namespace forms::test
