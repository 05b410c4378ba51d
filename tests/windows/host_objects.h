#pragma once
// A small accounting host for the Windows client: in-memory books and the host objects the
// component calls late-bound (factory, company, lookups, recordsets, voucher, salesperson account,
// bank record, cash box, theme), each a hand-written IDispatch over a name table.
//
// Every call the component makes on an object of the host (recordsets and their fields aside) is
// written to the books' call log as one line, `Class.Member(arg, ...) Name:=arg`, each argument
// as `Type:value` and by-reference arguments with a leading `&` ("&Currency:85.5000").

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace winhost {

// The host's theme interface: IDispatch, two reserved methods, then aplicarTema (window by
// reference).
struct ITemaUI : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Reservado1() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reservado2() = 0;
  virtual HRESULT STDMETHODCALLTYPE aplicarTema(IDispatch** ventana) = 0;
};
inline constexpr IID kIidTemaUI = {
    0x3239BD71, 0x5C39, 0x434E, {0xB0, 0x49, 0x48, 0xA1, 0xCD, 0xD1, 0x64, 0x45}};

// The error number the host raises with (an application error of an object: 0x80040000 + 513).
inline constexpr HRESULT kErrorAnfitrion = static_cast<HRESULT>(0x80040201);

// Money in ten-thousandths, as Currency holds it.
using Monto = int64_t;
constexpr Monto pesos(double p) {
  return static_cast<Monto>(p * 10000 + (p < 0 ? -0.5 : 0.5));
}

struct Factura {
  int32_t numero;
  std::wstring serie;
  int32_t correlativo;
  double fecha;  // an OLE date
  Monto venta, iva, saldo, comision;
  std::wstring codigoCliente, cliente, vendedor;
  bool acreditada = false;
};
struct Linea {
  std::wstring cuenta, texto;
  Monto monto;
};
struct Comprobante {
  std::wstring texto;
  std::vector<Linea> lineas;
};
struct MovimientoBanco {
  std::wstring banco;
  int tipo;
  Monto monto;
  std::wstring referencia;
  bool impreso;
};
struct MovimientoCaja {
  int32_t numero;
  Monto monto;
  std::wstring beneficiario;
  bool enviado = false;
};
struct LineaVendedor {
  std::wstring vendedor, texto;
  Monto monto;
};

// What a transaction sees and what a commit keeps.
struct Estado {
  std::vector<Factura> facturas;
  std::vector<Comprobante> comprobantes;
  std::vector<MovimientoBanco> banco;
  std::vector<MovimientoCaja> caja;
  std::vector<LineaVendedor> cuentaVendedores;
  int32_t proximoCheque = 1001;
  int32_t proximoMovCaja = 57;
};

struct Libros {
  Estado firme;                   // committed
  std::optional<Estado> abierta;  // the open transaction's view
  std::optional<std::wstring> bloqueo;
  std::vector<std::wstring> llamadas;
  std::wstring fallarEn;  // a member that raises the host's error when called

  // Demo books: salesperson V001 with three paid invoices, bank BAN01.
  static std::shared_ptr<Libros> demo();
  const Estado& actual() const { return abierta ? *abierta : firme; }
};

// The objects of the host alive now (made by the factory or its objects, the factory included).
int objetosVivos();

// A new factory over the books (reference count 1, the caller's).
IDispatch* nuevaFabrica(std::shared_ptr<Libros> libros);

std::string utf8(const std::wstring& w);
std::wstring utf16(const std::string& s);

}  // namespace winhost
