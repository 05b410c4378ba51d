// The commission cut window's layout: the size range it keeps, the controls that follow its size
// and the docked status bar (its design size, and the keys it handles, are seen through the host).

#include <gtest/gtest.h>

#include <memory>

#include "commission_window/select_facturas.h"
#include "harness.h"

namespace {

using forms::Rect;
using tessaline::SelectFacturas;

class SelectFacturasLayout : public harness::WindowTest {
 protected:
  std::shared_ptr<SelectFacturas> ventana = std::make_shared<SelectFacturas>();

  Rect rectOf(const char* name) { return ventana->control(name)->geometry(); }

  // The four controls that follow the window's size, and the docked status bar.
  void expectLayout(Rect procesar, Rect cancelar, Rect grid, Rect shape, Rect barra) {
    EXPECT_EQ(rectOf("cbProcesar"), procesar);
    EXPECT_EQ(rectOf("cbCancelar"), cancelar);
    EXPECT_EQ(rectOf("detalles"), grid);
    EXPECT_EQ(rectOf("Shape2"), shape);
    EXPECT_EQ(rectOf("StatusBar1"), barra);
    // The rest never moves.
    EXPECT_EQ(rectOf("Frame1"), (Rect{7995, 135, 3750, 2400}));
    EXPECT_EQ(rectOf("codigoVendedor"), (Rect{1905, 120, 2070, 345}));
  }
  void expectDesignLayout() {
    expectLayout({8640, 7605, 1515, 510}, {10230, 7605, 1515, 510}, {135, 2700, 11580, 4755},
                 {105, 2670, 11640, 4815}, {0, 8280, 11880, 315});
  }
};

TEST_F(SelectFacturasLayout, ResizeKeepsTheSizeRangeAndGrowsTheGrid) {
  app.setScreenSize(28800, 60000);
  ventana->show();
  ventana->move(1000, 1000);
  expectDesignLayout();

  // 2000 wider and 1000 taller than the minimum: buttons move, grid and frame grow.
  ventana->operatorResize(14000, 10000);
  EXPECT_EQ(ventana->clientWidth(), 13880);
  EXPECT_EQ(ventana->clientHeight(), 9595);
  expectLayout({10640, 8605, 1515, 510}, {12230, 8605, 1515, 510}, {135, 2700, 13580, 5755}, {105, 2670, 13640, 5815},
               {0, 9280, 13880, 315});

  // Smaller than the minimum snaps back to it, and so to the design layout.
  ventana->operatorResize(11000, 8000);
  EXPECT_EQ(ventana->width(), 12000);
  EXPECT_EQ(ventana->height(), 9000);
  expectDesignLayout();

  // Too wide snaps back to 14500; any height from 9000 up is kept.
  ventana->operatorResize(16000, 12000);
  EXPECT_EQ(ventana->width(), 14500);
  EXPECT_EQ(ventana->height(), 12000);
  expectLayout({11140, 10605, 1515, 510}, {12730, 10605, 1515, 510}, {135, 2700, 14080, 7755},
               {105, 2670, 14140, 7815}, {0, 11280, 14380, 315});

  // A client area taller than 32767 twips still lays out.
  ventana->operatorResize(13000, 40405);
  ASSERT_EQ(ventana->clientHeight(), 40000);
  expectLayout({9640, 39010, 1515, 510}, {11230, 39010, 1515, 510}, {135, 2700, 12580, 36160},
               {105, 2670, 12640, 36220}, {0, 39685, 12880, 315});
}

TEST_F(SelectFacturasLayout, NeverStaysMaximisedAndMinimisingChangesNothing) {
  ventana->show();
  ventana->operatorResize(13000, 9500);
  const Rect normal = ventana->outerRect();

  ventana->operatorSetState(forms::WindowState::Maximized);
  EXPECT_EQ(ventana->windowState(), forms::WindowState::Normal);
  EXPECT_EQ(ventana->outerRect(), normal);

  for (auto state : {forms::WindowState::Minimized, forms::WindowState::Normal}) {
    ventana->operatorSetState(state);
    EXPECT_EQ(ventana->windowState(), state);
    EXPECT_EQ(ventana->outerRect(), normal);
    expectLayout({9640, 8105, 1515, 510}, {11230, 8105, 1515, 510}, {135, 2700, 12580, 5255},
                 {105, 2670, 12640, 5315}, {0, 8780, 12880, 315});
  }
}

}  // namespace
