// Placeholder for routines whose source file has not joined the component yet (see
// tests/component/CMakeLists.txt); it only lets the window be built and laid out in tests.
#include "commission_window/select_facturas.h"
namespace tessaline {
void SelectFacturas::restoreMedioPago() {}
void SelectFacturas::Form_Unload(bool&) {}
void SelectFacturas::optEfectivo_Click() {}
void SelectFacturas::optCheque_Click() {}
void SelectFacturas::optTransferencia_Click() {}
void SelectFacturas::optNoPagar_Click() {}
void SelectFacturas::optEfectivo_GotFocus() {}
void SelectFacturas::optTransferencia_GotFocus() {}
void SelectFacturas::optNoPagar_GotFocus() {}
void SelectFacturas::codigoBanco_GotFocus() {}
void SelectFacturas::codigoBanco_Validate(bool&) {}
}
