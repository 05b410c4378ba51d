// Operator input on the real widgets (QTest key and mouse events) reaches the same handling as
// the script driver: validation, key preview, default and cancel buttons, grid actions, option
// groups, resize rules, modal dialogs and message boxes; and what the operator meets on the real
// windows: keypad amounts, wide totals, dates typed as text, focus marks, clipped cells.

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <cstdlib>
#include <filesystem>

#include "../forms/fake_lookup.h"
#include "entry/activator.h"
#include "host/books.h"
#include "host/cuts.h"
#include "host/factory.h"
#include "host/session.h"
#include "host/windows.h"
#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, TypingGoesThroughKeyPreviewAndARefusedValidationKeepsTheFocus) {
  auto w = showTestWindow();
  ASSERT_EQ(activeName(*w), "codigo");
  QWidget* codigo = keyTarget(*w, "codigo");
  QTest::keyClicks(codigo, "zz#");
  // The window's key preview upper-cases letters and swallows '#'.
  EXPECT_EQ(w->controlAs<forms::CodeLookupField>("codigo")->text(), "ZZ");
  EXPECT_EQ(static_cast<QLineEdit*>(codigo)->text(), QString("ZZ"));

  // A click into the date box: the salesperson box refuses to let go of an unknown code.
  QTest::mouseClick(widget(*w, "fecha"), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(std::pair(activeName(*w), view->windowWidget(*w)->focusWidget()), std::pair(std::string("codigo"), codigo));

  // Editing in the middle of the text: the cursor is honoured.
  QTest::keyClick(codigo, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(codigo, "a1");
  QTest::keyClick(codigo, Qt::Key_Left);
  QTest::keyClicks(codigo, "0");
  EXPECT_EQ(w->controlAs<forms::CodeLookupField>("codigo")->text(), "A01");
  QTest::mouseClick(widget(*w, "fecha"), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(activeName(*w), "fecha");
  EXPECT_EQ(view->windowWidget(*w)->focusWidget(), keyTarget(*w, "fecha"));

  // Shift+Tab goes back in the tab order.
  QTest::keyClick(widget(*w, "fecha"), Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(activeName(*w), "codigo");
}

TEST_F(ViewTest, AClickMakesTheCellCurrentADoubleClickActsAndArrowsMove) {
  auto w = showTestWindow();
  w->fillRows(20);
  view->processEvents();
  auto* table = widgetAs<QTableView>(*w, "lista");
  const QRect cell = table->visualRect(table->model()->index(2, 3));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
  forms::Grid& g = *w->controlAs<forms::Grid>("lista");
  EXPECT_EQ(activeName(*w), "lista");
  EXPECT_EQ(std::pair(g.row(), g.col()), std::pair(3, 3));
  EXPECT_EQ(table->selectionModel()->currentIndex(), table->model()->index(2, 3));

  // Space and Enter on a cell: the keyboard-only cut below.
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(4, 3)).center());
  EXPECT_EQ(g.row(), 5);
  EXPECT_EQ(g.textMatrix(5, 3), "SI");

  // Ctrl+End goes to the last row and visible column.
  QTest::keyClick(table, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(std::pair(g.row(), g.col()), std::pair(20, 4));  // the hidden columns are skipped
}

TEST_F(ViewTest, ClickingAnOptionButtonRunsItsClickOnceAndTheWidgetDoesNotToggleItself) {
  auto w = showTestWindow();
  QWidget* banco = widget(*w, "banco");
  QTest::mouseClick(widget(*w, "optBanco"), Qt::LeftButton);
  EXPECT_TRUE(banco->isEnabled());
  QTest::mouseClick(widget(*w, "optNo"), Qt::LeftButton);
  EXPECT_FALSE(banco->isEnabled());
  QTest::mouseClick(widget(*w, "optNo"), Qt::LeftButton);
  EXPECT_TRUE(widgetAs<QRadioButton>(*w, "optNo")->isChecked());
}

// Enter accepting a typed amount: the keyboard-only cut below.
TEST_F(ViewTest, EscAndTheCloseBoxCancelTheNumberDialog) {
  auto d2 = std::make_shared<NumberDialog>();
  QTimer::singleShot(0, [&] { QTest::keyClick(keyTarget(*d2, "importe"), Qt::Key_Escape); });
  EXPECT_FALSE(d2->ask("Nuevo porcentaje de comision", 3));

  auto d3 = std::make_shared<NumberDialog>();
  QTimer::singleShot(0, [&] { view->windowWidget(*d3)->close(); });
  EXPECT_FALSE(d3->ask("Nuevo porcentaje de comision", 3));
}

TEST_F(ViewTest, TheCalculatorPutsItsResultIntoTheNumberBox) {
  auto d = std::make_shared<NumberDialog>();
  QTimer::singleShot(0, [&] {
    auto* calc = widget(*d, "importe")->findChild<QToolButton*>("calculator");
    ASSERT_NE(calc, nullptr);
    EXPECT_TRUE(calc->isVisible());
    QTest::mouseClick(calc, Qt::LeftButton);
    QWidget* popup = widget(*d, "importe")->findChild<QWidget*>("calculatorPopup");
    ASSERT_NE(popup, nullptr);
    auto press = [&](std::initializer_list<const char*> keys) {
      for (const char* key : keys) {
        auto* b = popup->findChild<QPushButton*>(key);
        ASSERT_NE(b, nullptr) << key;
        b->click();
      }
    };
    // A division by zero stays on the display: OK gives the box nothing.
    press({"calc_/", "calc_0", "calc_OK"});
    EXPECT_DOUBLE_EQ(d->controlAs<forms::NumberEntryBox>("importe")->value(), 5);
    press({"calc_C", "calc_5", "calc_+", "calc_2", "calc_*", "calc_3", "calc_,", "calc_5", "calc_OK"});
    EXPECT_DOUBLE_EQ(d->controlAs<forms::NumberEntryBox>("importe")->value(), 24.5);  // (5 + 2) * 3,5
    QTest::mouseClick(widget(*d, "cbOk"), Qt::LeftButton);
  });
  EXPECT_TRUE(d->ask("Nueva comision para la factura", 5));
  EXPECT_DOUBLE_EQ(d->acceptedValue, 24.5);
}

TEST_F(ViewTest, TheCloseBoxAsksTheModelAndTheEventLoopEndsWhenTheLastWindowCloses) {
  EXPECT_EQ(view->exec(), 0);  // nothing on screen: nothing to wait for
  auto w = showTestWindow();
  bool refuse = true;
  w->onQueryUnload = [&](bool& cancel, forms::UnloadMode mode) {
    EXPECT_EQ(mode, forms::UnloadMode::CloseBox);
    cancel = refuse;
  };
  view->windowWidget(*w)->close();
  EXPECT_TRUE(view->windowWidget(*w)->isVisible());
  refuse = false;
  auto d = std::make_shared<NumberDialog>();
  bool answered = false;
  // Cancel on the window opens a modal dialog; the program goes on after it, until the window's
  // close box.
  w->control("cbCancelar")->onClick = [&] { answered = d->ask("Nueva comision para la factura", 1); };
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(widget(*w, "cbCancelar"), Qt::LeftButton);
    QTimer::singleShot(0, [&] { view->windowWidget(*w)->close(); });
  });
  QTimer::singleShot(0, [&] { QTest::mouseClick(widget(*d, "cbOk"), Qt::LeftButton); });
  EXPECT_EQ(view->exec(), 0);
  EXPECT_TRUE(answered);
  EXPECT_FALSE(w->isLoaded());
  // Touching the window loads it again, with new widgets.
  w->show();
  view->processEvents();
  ASSERT_NE(view->windowWidget(*w), nullptr);
  EXPECT_TRUE(view->windowWidget(*w)->isVisible());
}

TEST_F(ViewTest, MessageBoxesAreRealDialogsAnsweredByTheOperator) {
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(view->messageBoxWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QString("¿Desea abandonar los cambios?"));
    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
  });
  EXPECT_TRUE(app.askQuestion("¿Desea abandonar los cambios?"));

  // An error that ends a handler shows an error box with its number and source.
  auto w = showTestWindow();
  w->control("cbAceptar")->onClick = [] { throw automation::Error(50001, "tessaline-host", "injected failure"); };
  QString informative;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(view->messageBoxWidget());
    ASSERT_NE(box, nullptr);
    informative = box->informativeText();
    box->button(QMessageBox::Ok)->click();
  });
  QTest::mouseClick(widget(*w, "cbAceptar"), Qt::LeftButton);
  EXPECT_EQ(informative, QString("Error 50001 (tessaline-host)"));
  EXPECT_EQ(view->messageBoxWidget(), nullptr);
}

// What the list shows and how a row is chosen are the headless lookup tests'; here, F2 and the
// list's keys on the real widgets.
TEST_F(ViewTest, F2OpensTheSearchListAndTheChosenCodeFillsTheBox) {
  auto w = showTestWindow();
  w->controlAs<forms::CodeLookupField>("codigo")->setLookupSource(std::make_shared<forms::test::FakeLookup>(
      std::vector<forms::LookupEntry>{{"A01", "Ana"}, {"A02", "Luis"}, {"A03", "Eva"}}));
  QTimer::singleShot(0, [&] {
    forms::Window* list = app.activeWindow();
    ASSERT_TRUE(list != nullptr && list->name() == "busqueda");
    EXPECT_TRUE(view->windowWidget(*list)->isVisible());
    QWidget* table = view->controlWidget(*list->control("lista"));
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Return);
  });
  QTest::keyClick(keyTarget(*w, "codigo"), Qt::Key_F2);
  EXPECT_EQ(static_cast<QLineEdit*>(keyTarget(*w, "codigo"))->text(), QString("A02"));
}

// A whole commission cut with the keyboard alone, on the real commission window over demo books,
// in both regional settings: from the launcher to the salesperson's window, a date and a
// commission typed the regional way, the cheque chosen and its bank typed, invoices marked with
// Space, Procesar with Enter; then back in the launcher, the register of cuts shows it.
TEST(KeyboardOnly, AWholeCutInEitherRegionalSetting) {
  for (const char* locale : {"en_US", "es_VE"}) {
    SCOPED_TRACE(locale);
    const bool en = std::string_view(locale) == "en_US";
    QTemporaryDir dir;
    ::setenv("TESSALINE_CONFIG_HOME", dir.filePath("config").toUtf8().constData(), 1);
    const std::filesystem::path books = dir.filePath("books.sqlite").toStdString();
    ASSERT_TRUE(host::createDemoBooks(books));
    automation::setToday(automation::Date::fromYmd(2026, 11, 30));
    forms::Application app(regional::RegionalSettings::fromLocale(locale));
    forms_qt::QtView view(app);
    host::HostOptions options;
    options.printDir = dir.filePath("prints").toStdString();
    options.symbols = app.regionalSettings().numberSymbols();
    auto session = std::make_shared<host::HostSession>(host::Database::open(books), options,
                                                       std::make_shared<host::FormsUi>());
    automation::ObjectRef factory = std::make_shared<host::HostFactory>(session);
    auto activator = std::make_shared<tessaline::Activator>();
    auto go = [&](const std::string& code) {
      automation::Variant codigo(code);
      activator->go(factory, codigo);
    };
    std::vector<std::filesystem::path> opened;
    auto launcher = std::make_shared<host::LauncherWindow>(
        std::vector<host::LauncherWindow::Salesperson>{{"V001", "Rosalba Quintero"}, {"V002", "Ernesto Villalobos"}},
        go, options.printDir,
        [&](const std::filesystem::path& f) {
          opened.push_back(f);
          return true;
        },
        nullptr, [&] { return host::processedCuts(session->db(), options.printDir); });
    session->afterCommit = [&] { launcher->refreshCuts(); };
    launcher->show();
    view.processEvents();

    // The keys go where the desktop sends them: to the focus of the window that has the
    // keyboard, which must be the model's active window once the toolkit has caught up.
    auto focused = [&]() -> QWidget* {
      forms::Window* top = app.activeWindow();
      QWidget* topWidget = top != nullptr ? view.windowWidget(*top) : nullptr;
      EXPECT_TRUE(QTest::qWaitFor([&] { return topWidget != nullptr && QApplication::activeWindow() == topWidget; }, 2000))
          << (top != nullptr ? top->name() : "no window");
      return QApplication::focusWidget();
    };
    auto press = [&](int key, Qt::KeyboardModifiers mods = {}) {
      if (QWidget* w = focused()) QTest::keyClick(w, static_cast<Qt::Key>(key), mods);
      view.processEvents();
    };
    auto typeText = [&](const char* text) { if (QWidget* w = focused()) QTest::keyClicks(w, text); };
    auto activeName = [&] {
      forms::Window* w = app.activeWindow();
      forms::Control* c = w != nullptr ? w->activeControl() : nullptr;
      return c != nullptr ? w->name() + "." + c->name() : std::string("(none)");
    };

    EXPECT_EQ(activeName(), "Lanzador.vendedores");
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    ASSERT_EQ(activeName(), "SelectFacturas.fechaPago");
    forms::Window& cut = *app.activeWindow();
    // Dragged by the operator, the window keeps its size rules on screen: 1995 twips wider and 990
    // taller than the minimum, the controls that follow the size follow on screen too; too small,
    // back to the minimum; too wide, held at 14500 twips (958.67 pixels, rounded); never maximised.
    QWidget* top = view.windowWidget(cut);
    top->resize(QSize((11880 + 1995) / 15, (8595 + 990) / 15));
    EXPECT_EQ(cut.height(), 9000 + 990);
    EXPECT_EQ(cut.control("cbCancelar")->left(), 10230 + 1995);
    const forms::Rect list = cut.control("detalles")->geometry();
    EXPECT_EQ(view.controlWidget(*cut.control("detalles"))->geometry(),
              QRect(list.left / 15, list.top / 15, list.width / 15, list.height / 15));
    EXPECT_EQ(view.controlWidget(*cut.control("StatusBar1"))->geometry().bottom(), top->height() - 1);
    top->resize(QSize(400, 300));
    EXPECT_EQ(top->size(), QSize(792, 573));
    top->resize(QSize(1200, 700));
    EXPECT_EQ(top->width(), 959);
    top->showMaximized();
    EXPECT_FALSE(top->isMaximized());
    top->resize(QSize(792, 573));
    typeText(en ? "11/20/2026" : "20/11/2026");
    press(Qt::Key_Tab);
    EXPECT_EQ(activeName(), "SelectFacturas.chkIncluirPendientes");
    for (int i = 0; i < 2; ++i) press(Qt::Key_Tab);
    ASSERT_EQ(activeName(), "SelectFacturas.optCheque");
    press(Qt::Key_Space);
    for (int i = 0; i < 2; ++i) press(Qt::Key_Tab);
    ASSERT_EQ(activeName(), "SelectFacturas.codigoBanco");
    typeText("ban01");
    press(Qt::Key_Tab);
    ASSERT_EQ(activeName(), "SelectFacturas.refMovBanco");
    for (int i = 0; i < 2; ++i) press(Qt::Key_Tab);
    ASSERT_EQ(activeName(), "SelectFacturas.detalles");
    auto& grid = *cut.controlAs<forms::Grid>("detalles");
    // The first invoice's commission changed through the number dialog, then two marked.
    press(Qt::Key_Home, Qt::ControlModifier);
    while (grid.col() < 6) press(Qt::Key_Right);
    QTimer::singleShot(0, [&] {
      ASSERT_EQ(activeName(), "fGetNumero.Velnor1");
      typeText(en ? "12.5" : "12,5");
      press(Qt::Key_Return);
    });
    press(Qt::Key_Return);
    EXPECT_EQ(grid.textMatrix(1, 6), en ? "12.50" : "12,50");
    for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Space, Qt::Key_Down, Qt::Key_Space, Qt::Key_Tab}) press(key);
    ASSERT_EQ(activeName(), "SelectFacturas.cbProcesar");
    press(Qt::Key_Return);
    // The window fixed on the salesperson closes after the cut; the launcher has the keyboard
    // again, its register shows the cut, and Enter there opens the cheque.
    EXPECT_EQ(app.activeWindow(), launcher.get());
    auto& register_ = *launcher->controlAs<forms::Grid>("cortes");
    ASSERT_EQ(register_.rows(), 2);
    EXPECT_EQ((std::vector{register_.textMatrix(1, 1), register_.textMatrix(1, 2), register_.textMatrix(1, 4),
                           register_.textMatrix(1, 7)}),
              (std::vector<std::string>{"V001 Rosalba Quintero", "2", "Cheque", "1001"}));
    for (int i = 0; i < 3; ++i) press(Qt::Key_Tab);
    ASSERT_EQ(activeName(), "Lanzador.cortes");
    press(Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].filename().string().rfind("cheque-BAN01-1001-m", 0), 0u) << opened[0];
    launcher->unload();
  }
}

// What the operator meets on the real windows: amounts typed with the keypad or misgrouped,
// totals too wide for their labels, dates typed as text, the regional language, focus marks,
// clipped cells and column widths.
TEST_F(ViewTest, TheKeypadTypesTheRegionalDecimalAndAMisgroupedAmountDoesNotCloseTheDialog) {
  auto d = std::make_shared<NumberDialog>();
  QString warning;
  QTimer::singleShot(0, [&] {
    auto* edit = static_cast<QLineEdit*>(keyTarget(*d, "importe"));
    QTest::keyClicks(edit, "40.5");  // over the selection; the main keyboard's dot groups thousands
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(view->messageBoxWidget());
      ASSERT_NE(box, nullptr);
      warning = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(d->visible());
    EXPECT_EQ(edit->selectedText(), QString("12,50"));
    QTest::keyClicks(edit, "40");
    QTest::keyClick(edit, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(edit, "5");
    EXPECT_EQ(edit->text(), QString("40,5"));
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_TRUE(d->ask("Nueva comision para la factura", 12.5));
  EXPECT_TRUE(warning.contains("40.5")) << warning.toStdString();
  EXPECT_DOUBLE_EQ(d->acceptedValue, 40.5);
}

// Two summary lines: a caption and a right-aligned value 840 twips wide, the second hemmed in.
class Totals final : public forms::Window {
 public:
  Totals() : Window("Totales") {}

 protected:
  void build() override {
    setClientSize(6000, 1200);
    using enum ControlKind;
    static const ControlDesign kDesign[] = {
        {Label, "lblVenta", "", {1215, 120, 810, 195}, "Venta total:"},
        {Label, "venta", "", {2865, 120, 840, 195}, "0,00", -1, {.alignment = Alignment::Right}},
        {Label, "lblIva", "", {1215, 480, 1560, 195}, "IVA de la venta:"},
        {Label, "iva", "", {2865, 480, 840, 195}, "0,00", -1, {.alignment = Alignment::Right}},
    };
    addDesign(kDesign);
  }
};

TEST_F(ViewTest, TwelveDigitTotalsShowWholeInTheirValueLabels) {
  auto w = std::make_shared<Totals>();
  w->show();
  auto* venta = widgetAs<QLabel>(*w, "venta");
  auto* iva = widgetAs<QLabel>(*w, "iva");
  const QFont designFont = venta->font();
  auto fits = [](QLabel* l) {
    return QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->contentsRect().width();
  };
  w->controlAs<forms::Label>("venta")->setCaption("123.456.789.012,34");
  w->controlAs<forms::Label>("iva")->setCaption("123.456.789.012,34");
  view->processEvents();
  // Grown to the left, short of its caption, in its own face.
  EXPECT_TRUE(fits(venta));
  EXPECT_EQ(venta->geometry().right(), px({2865, 120, 840, 195}).right());
  EXPECT_GT(venta->geometry().left(), widget(*w, "lblVenta")->geometry().right());
  EXPECT_EQ(venta->font(), designFont);
  // No room beside it: a smaller size of the face.
  EXPECT_TRUE(fits(iva));
  EXPECT_GT(iva->geometry().left(), widget(*w, "lblIva")->geometry().right());
  EXPECT_LT(iva->font().pointSizeF(), designFont.pointSizeF());
  // A short total again: the design box and face.
  w->controlAs<forms::Label>("iva")->setCaption("1,00");
  view->processEvents();
  EXPECT_EQ(iva->geometry(), px({2865, 480, 840, 195}));
  EXPECT_EQ(iva->font(), designFont);
}

TEST_F(ViewTest, TheDateBoxEditsAsTextAndTheToolkitSpeaksTheRegionalLanguage) {
  auto w = showTestWindow();
  auto& box = *w->controlAs<forms::DateEntryBox>("fecha");
  box.setValue(automation::Date::fromYmd(2026, 11, 30));
  auto* edit = static_cast<QLineEdit*>(keyTarget(*w, "fecha"));
  QTest::keyClick(keyTarget(*w, "codigo"), Qt::Key_Tab);
  EXPECT_EQ(edit->selectedText(), QString("30/11/2026"));
  QTest::keyClicks(edit, "15/12/2026");
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(box.value(), automation::Date::fromYmd(2026, 12, 15));

  // F4 opens the calendar at the box's date, in Spanish; a click on a day chooses it.
  QTest::keyClick(edit, Qt::Key_F4);
  auto* calendar = widget(*w, "fecha")->findChild<QCalendarWidget*>("calendar");
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 15));
  EXPECT_EQ(calendar->locale().monthName(12), QString("diciembre"));
  Q_EMIT calendar->clicked(QDate(2025, 12, 24));
  EXPECT_EQ(edit->text(), QString("24/12/2025"));

  QString yes;
  QTimer::singleShot(0, [&] {
    auto* question = qobject_cast<QMessageBox*>(view->messageBoxWidget());
    yes = question->button(QMessageBox::Yes)->text().remove('&');
    question->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(app.askQuestion("¿Desea abandonar los cambios?"));
  EXPECT_EQ(yes, QString("Sí"));
}

TEST_F(ViewTest, OptionsCheckBoxesAndTheGridShowTheFocus) {
  auto w = showTestWindow();
  for (const char* name : {"marca", "optNo"}) {
    const QImage before = widget(*w, name)->grab().toImage();
    w->operatorFocus(*w->control(name));
    view->processEvents();
    EXPECT_TRUE(widget(*w, name)->grab().toImage() != before) << name;
  }
  // A current cell in the header row shows while the grid has the focus.
  w->fillRows(3);
  forms::Grid& g = *w->controlAs<forms::Grid>("lista");
  g.setRow(0);
  g.setCol(1);
  auto* table = widgetAs<QTableView>(*w, "lista");
  auto headerPixel = [&] {
    view->processEvents();
    return table->horizontalHeader()->grab().toImage().pixelColor(
        table->horizontalHeader()->sectionViewportPosition(1) + 2, 2);
  };
  EXPECT_NE(headerPixel(), QColor(0, 0, 255));
  w->operatorFocus(g);
  EXPECT_EQ(headerPixel(), QColor(0, 0, 255));
  QTest::keyClick(table, Qt::Key_Down);
  EXPECT_NE(headerPixel(), QColor(0, 0, 255));
}

TEST_F(ViewTest, ClippedCellsShowTooltipsAndDraggedColumnWidthsAreRemembered) {
  QTemporaryDir config;
  ::setenv("TESSALINE_CONFIG_HOME", config.path().toUtf8().constData(), 1);
  app.setPreferences(std::make_shared<host::StorePreferences>());
  auto w = showTestWindow();
  w->fillRows(2);
  forms::Grid& g = *w->controlAs<forms::Grid>("lista");
  const std::string longName = "Consultorio Odontologico Sonrisas de la Gran Sabana, sucursal Norte";
  g.setTextMatrix(1, 4, longName);
  view->processEvents();
  auto* table = widgetAs<QTableView>(*w, "lista");
  auto tipAt = [&](int row, int col) {
    const QPoint at = table->visualRect(table->model()->index(row - 1, col)).center();
    QHelpEvent e(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(table->viewport(), &e);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
  };
  EXPECT_EQ(tipAt(1, 4), longName);
  EXPECT_NE(tipAt(2, 4), "Cliente 2");  // it fits

  // The border after the customer column dragged 60 pixels to the right.
  QWidget* header = table->horizontalHeader()->viewport();
  const int border = table->horizontalHeader()->sectionViewportPosition(4) + g.colWidth(4) / 15 - 1;
  const int before = g.colWidth(4);
  QTest::mousePress(header, Qt::LeftButton, {}, QPoint(border, 5));
  QTest::mouseMove(header, QPoint(border + 60, 5));
  QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(border + 60, 5));
  const int after = g.colWidth(4);
  EXPECT_NEAR(after, before + 60 * 15, 30);
  w->operatorColWidth(g, 5, 900);  // hidden: stays so
  w->unload();
  auto again = showTestWindow();
  EXPECT_EQ(again->controlAs<forms::Grid>("lista")->colWidth(4), after);
  EXPECT_EQ(again->controlAs<forms::Grid>("lista")->colWidth(5), 0);
}

}  // namespace
}  // namespace forms_qt_test
