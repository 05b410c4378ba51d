// A COM client of Tessaline.dll, as a host application uses it: registration, activation by
// ProgID on an apartment thread, then whole commission cuts (one per payment method, and one the
// host refuses half way) run by the script driver against the in-memory host of host_objects.h,
// checked in the host's books and in the calls that crossed the COM boundary.
//
//   client_test [PATH\Tessaline.dll]      (default: Tessaline.dll beside this program)

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host_objects.h"

using namespace winhost;

namespace {

int aprobados = 0, fallidos = 0;

void verificar(bool ok, const std::string& que, const std::string& detalle = {}) {
  if (ok) {
    ++aprobados;
    return;
  }
  ++fallidos;
  std::printf("FAILED: %s\n", que.c_str());
  if (!detalle.empty()) std::printf("%s\n", detalle.c_str());
}

template <class T>
void iguales(const T& obtenido, const T& esperado, const std::string& que) {
  verificar(obtenido == esperado, que);
}

std::string lineas(const std::vector<std::wstring>& v) {
  std::string s;
  for (const std::wstring& l : v) s += "  " + utf8(l) + "\n";
  return s;
}

void igualesLineas(const std::vector<std::wstring>& obtenido,
                   const std::vector<std::wstring>& esperado, const std::string& que) {
  verificar(obtenido == esperado, que,
            "got:\n" + lineas(obtenido) + "expected:\n" + lineas(esperado));
}

constexpr CLSID kClsidActivator = {
    0xE2F6B806, 0x4744, 0x4278, {0x94, 0x05, 0x81, 0xF3, 0x0E, 0x00, 0x0E, 0xB5}};
constexpr IID kIidActivator = {
    0x8C94DBEB, 0xBCD0, 0x4E86, {0x86, 0x8D, 0xCC, 0xFB, 0x8F, 0x3E, 0x17, 0xCC}};
constexpr DISPID kDispIdGo = 0x60030000;

using Entrada = HRESULT(__stdcall*)();
using Guion = HRESULT(__stdcall*)(IDispatch*, IDispatch*, const wchar_t*, BSTR*);

struct Modulo {
  HMODULE dll = nullptr;
  Entrada registrar = nullptr, desregistrar = nullptr, puedeDescargar = nullptr;
  Guion guion = nullptr;
};

std::wstring rutaPorDefecto() {
  wchar_t ruta[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, ruta, MAX_PATH);
  std::wstring r(ruta, n);
  return r.substr(0, r.find_last_of(L"\\/") + 1) + L"Tessaline.dll";
}

struct Corrida {
  HRESULT hr;
  std::string eventos;
};

// Runs a script with a new factory over the books; the factory is released before returning.
Corrida correr(const Modulo& m, IDispatch* activador, const std::shared_ptr<Libros>& libros,
               const std::string& guion) {
  IDispatch* fabrica = nuevaFabrica(libros);
  BSTR eventos = nullptr;
  const HRESULT hr = m.guion(activador, fabrica, utf16(guion).c_str(), &eventos);
  fabrica->Release();
  Corrida c{hr, eventos ? utf8(std::wstring(eventos, SysStringLen(eventos))) : std::string()};
  SysFreeString(eventos);
  return c;
}

bool contiene(const std::string& texto, const std::string& parte) {
  return texto.find(parte) != std::string::npos;
}

// The calls from the lock on, the check against the books (a query) left out.
std::vector<std::wstring> llamadasDelCorte(const Libros& l) {
  std::vector<std::wstring> out;
  bool dentro = false;
  for (const std::wstring& c : l.llamadas) {
    dentro = dentro || c.starts_with(L"HostFactory.SetGlobalLock(");
    if (dentro && !c.starts_with(L"HostFactory.OpenRecordset(")) out.push_back(c);
  }
  return out;
}

std::wstring monto(Monto m) {
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%lld.%02lld", static_cast<long long>(m / 10000),
                static_cast<long long>((m < 0 ? -m : m) % 10000 / 100));
  return buf;
}

// The committed books in one line per kind of record.
std::vector<std::wstring> resumen(const Libros& l) {
  const Estado& e = l.firme;
  std::wstring facturas = L"facturas", comprobantes = L"comprobantes", banco = L"banco",
               caja = L"caja", cuenta = L"cuenta";
  for (const Factura& f : e.facturas)
    facturas +=
        L" " + std::to_wstring(f.numero) + L":" + monto(f.comision) + (f.acreditada ? L"*" : L"");
  for (const Comprobante& c : e.comprobantes) {
    comprobantes += L" [";
    for (const Linea& ln : c.lineas) comprobantes += L" " + ln.cuenta + L" " + monto(ln.monto);
    comprobantes += L" ]";
  }
  for (const MovimientoBanco& b : e.banco)
    banco += L" " + std::to_wstring(b.tipo) + L" " + b.referencia + L" " + monto(b.monto) +
             (b.impreso ? L" impreso" : L"");
  banco += L" proximo " + std::to_wstring(e.proximoCheque);
  for (const MovimientoCaja& c : e.caja)
    caja += L" " + std::to_wstring(c.numero) + L" " + monto(c.monto) + L" " + c.beneficiario +
            (c.enviado ? L" enviado" : L"");
  for (const LineaVendedor& v : e.cuentaVendedores)
    cuenta += L" " + v.vendedor + L" " + monto(v.monto);
  return {
      facturas,
      comprobantes,
      banco,
      caja,
      cuenta,
      std::wstring(l.bloqueo ? L"bloqueado" : L"libre") + (l.abierta ? L" en transaccion" : L"")};
}

// The operator's work of every cut: row 1's commission 50.00 -> 60, rows 1 and 2 marked (85.50).
constexpr const char* kTrabajo =
    "go V001\ndblclick 1 6\ntype 60\nclick cbOk\ndblclick 1 8\ndblclick 2 8\n";

const std::wstring kPago = L"String:Pago de comisiones a Rosa Peña";

struct Metodo {
  const char* nombre;
  const char* guion;
  std::vector<std::wstring> pago;  // the calls between the expense line and Procesar
  std::vector<std::wstring> libros;
};

const std::vector<Metodo>& metodos() {
  static const std::vector<Metodo> m = {
      {"cash",
       "click optEfectivo\n",
       {L"HostFactory.crearObjeto(String:Sesion)",
        L"Sesion.RegistrarRetiro(Integer:1, &Currency:85.5000, " + kPago +
            L", Nothing, String:VND, String:V001) Beneficiario:=String:Rosa Peña",
        L"Sesion.UltimoMovCaja()", L"HostFactory.SubmitDoc(Object:MovCaja)",
        L"Empresa.CuentaCaja()",
        L"BComprobante.AddDetalleValor(String:1.1.01, " + kPago + L", Currency:-85.5000)",
        L"Sesion.UltimoMovCaja()", L"MovCaja.Numero()",
        L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, &String:Pago en efectivo "
        L"(MovCaja No. 57), "
        L"&Currency:85.5000, Object:BComprobante)"},
       {L"comprobantes [ 2.1.04 -60.00 2.1.04 -25.50 6.1.01 85.50 1.1.01 -85.50 2.1.04 85.50 ]",
        L"banco proximo 1001", L"caja 57 85.50 Rosa Peña enviado",
        L"cuenta V001 -60.00 V001 -25.50 V001 85.50"}},
      {"cheque",
       "click optCheque\nfocus codigoBanco\ntype BAN01\ntab\n",
       {L"Banco.Buscar(String:BAN01)",
        L"RegistroBanco.RegistrarMovimiento(Integer:0, Date, " + kPago +
            L", String:Rosa Peña, &Currency:85.5000, String:1001, Date, Object:BComprobante) "
            L"Imprimir:=Boolean:true",
        L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, &String:Cheque 1001 Bco. BAN01, "
        L"&Currency:85.5000, "
        L"Object:BComprobante)"},
       {L"comprobantes [ 2.1.04 -60.00 2.1.04 -25.50 6.1.01 85.50 1.1.02.001 -85.50 2.1.04 85.50 ]",
        L"banco 0 1001 85.50 impreso proximo 1002", L"caja",
        L"cuenta V001 -60.00 V001 -25.50 V001 85.50"}},
      {"transfer",
       "click optTransferencia\nfocus codigoBanco\ntype BAN01\nfocus refMovBanco\ntype T-77\n",
       {L"Banco.Buscar(String:BAN01)",
        L"RegistroBanco.RegistrarMovimiento(Integer:4, Date, " + kPago +
            L", String:Rosa Peña, &Currency:85.5000, String:T-77, Date, Object:BComprobante) "
            L"Imprimir:=Boolean:true",
        L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, &String:Transferencia T-77 Bco. "
        L"BAN01, "
        L"&Currency:85.5000, Object:BComprobante)"},
       {L"comprobantes [ 2.1.04 -60.00 2.1.04 -25.50 6.1.01 85.50 1.1.02.001 -85.50 2.1.04 85.50 ]",
        L"banco 4 T-77 85.50 impreso proximo 1001", L"caja",
        L"cuenta V001 -60.00 V001 -25.50 V001 85.50"}},
      {"credit only",
       "click optNoPagar\n",
       {},
       {L"comprobantes [ 2.1.04 -60.00 2.1.04 -25.50 6.1.01 85.50 ]", L"banco proximo 1001",
        L"caja", L"cuenta V001 -60.00 V001 -25.50"}},
  };
  return m;
}

// The host calls of a cut, with the payment's calls in the middle.
std::vector<std::wstring> llamadasEsperadas(const std::vector<std::wstring>& pago,
                                            bool confirmado) {
  const std::wstring texto = L"String:Corte de comisiones para el vendedor V001";
  std::vector<std::wstring> v = {
      L"HostFactory.SetGlobalLock(String:TESSALOCKS)",
      L"HostFactory.StartTransaction()",
      L"HostFactory.ExecuteSQL(String:UPDATE Facturas SET Comision = ? WHERE Numero = ?, "
      L"&Currency:60.0000, &Long:1)",
      L"HostFactory.crearObjeto(String:BComprobante)",
      L"BComprobante.StartComprobante(Date, String:, " + texto + L")",
      L"HostFactory.crearObjeto(String:DetalleCE)",
      L"HostFactory.ExecuteSQL(String:UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?, "
      L"&Long:1)",
      L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, String:A-0000042 Abastos Uno, "
      L"Currency:-60.0000, "
      L"Object:BComprobante)",
      L"HostFactory.ExecuteSQL(String:UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?, "
      L"&Long:2)",
      L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, String:A-0000043 Bodega Ñandú, "
      L"Currency:-25.5000, "
      L"Object:BComprobante)",
      L"Empresa.CuentaGastosComisiones()",
      L"BComprobante.AddDetalleValor(String:6.1.01, " + texto + L", &Currency:85.5000)",
  };
  v.insert(v.end(), pago.begin(), pago.end());
  if (confirmado) {
    v.insert(v.end(), {L"BComprobante.Procesar()", L"HostFactory.CommitTransaction()"});
  } else {
    v.push_back(L"HostFactory.AbortTransaction()");
  }
  v.push_back(L"HostFactory.FreeGlobalLock()");
  return v;
}

// The component keeps the factory, the company and the theme of the latest go, and nothing else.
constexpr int kRetenidos = 3;

void cortes(const Modulo& m, IDispatch* activador) {
  for (const Metodo& metodo : metodos()) {
    const std::string que = std::string("cut paid by ") + metodo.nombre + ": ";
    auto libros = Libros::demo();
    const Corrida c =
        correr(m, activador, libros, std::string(kTrabajo) + metodo.guion + "click cbProcesar\n");
    verificar(c.hr == S_OK && !contiene(c.eventos, "\"event\":\"error\"") &&
                  !contiene(c.eventos, "\"event\":\"message\""),
              que + "the script runs without an error or a message", c.eventos);
    // Opened for a salesperson, the window closes after the cut.
    verificar(contiene(c.eventos, "{\"event\":\"unload\",\"window\":\"SelectFacturas\"}"),
              que + "the window closes", c.eventos);
    igualesLineas(llamadasDelCorte(*libros), llamadasEsperadas(metodo.pago, true),
                  que + "host calls in order");
    std::vector<std::wstring> esperado = {L"facturas 1:60.00* 2:25.50* 3:10.00"};
    esperado.insert(esperado.end(), metodo.libros.begin(), metodo.libros.end());
    esperado.push_back(L"libre");
    igualesLineas(resumen(*libros), esperado, que + "books afterwards");
    iguales(objetosVivos(), kRetenidos, que + "host objects released");
  }
}

void alCargar(const Modulo& m, IDispatch* activador) {
  auto libros = Libros::demo();
  const Corrida c = correr(m, activador, libros, "go V001\n");
  verificar(c.hr == S_OK && contiene(c.eventos, "\"event\":\"show\",\"window\":\"SelectFacturas\""),
            "go opens the window", c.eventos);
  // The theme is reached through its vtable (never by name), with the window by reference.
  igualesLineas(std::vector<std::wstring>(libros->llamadas.begin(), libros->llamadas.begin() + 4),
                {L"HostFactory.crearObjeto(String:Empresa)", L"HostFactory.TemaUI()",
                 L"TemaUI.aplicarTema(&Acreditacion/pago de comisiones)",
                 L"HostFactory.getSysIcon(Integer:19)"},
                "go: company, theme, the theme applied to the window");
}

void errorDelAnfitrion(const Modulo& m, IDispatch* activador) {
  auto libros = Libros::demo();
  const std::vector<std::wstring> antes = resumen(*libros);
  libros->fallarEn = L"RegistrarMovimiento";
  const Corrida c = correr(m, activador, libros,
                           std::string(kTrabajo) + metodos()[1].guion + "click cbProcesar\nok\n");
  verificar(
      c.hr == S_OK &&
          contiene(
              c.eventos,
              "{\"event\":\"error\",\"number\":-2147220991,\"description\":\"El anfitrión "
              "rechaza RegistrarMovimiento\",\"source\":\"SelectFacturas::cbProcesar_Click\"}") &&
          !contiene(c.eventos, "\"event\":\"unload\""),
      "host error: the error box shows the host's number and text; the window stays", c.eventos);
  std::vector<std::wstring> pago = {metodos()[1].pago.begin(), metodos()[1].pago.begin() + 2};
  igualesLineas(llamadasDelCorte(*libros), llamadasEsperadas(pago, false),
                "host error: aborted, lock freed");
  igualesLineas(resumen(*libros), antes, "host error: nothing written");
  iguales(objetosVivos(), kRetenidos, "host error: host objects released");
}

}  // namespace

int main(int argc, char** argv) {
  const std::wstring ruta = argc > 1 ? utf16(argv[1]) : rutaPorDefecto();
  Modulo m;
  m.dll = LoadLibraryW(ruta.c_str());
  if (m.dll) {
    m.registrar = reinterpret_cast<Entrada>(
        reinterpret_cast<void*>(GetProcAddress(m.dll, "DllRegisterServer")));
    m.desregistrar = reinterpret_cast<Entrada>(
        reinterpret_cast<void*>(GetProcAddress(m.dll, "DllUnregisterServer")));
    m.puedeDescargar = reinterpret_cast<Entrada>(
        reinterpret_cast<void*>(GetProcAddress(m.dll, "DllCanUnloadNow")));
    m.guion = reinterpret_cast<Guion>(
        reinterpret_cast<void*>(GetProcAddress(m.dll, "TessalineDriveScript")));
  }
  verificar(m.registrar && m.desregistrar && m.puedeDescargar && m.guion,
            "the DLL loads and exports its entries", utf8(ruta));
  if (fallidos) {
    std::printf("%d passed, %d failed\n", aprobados, fallidos);
    return 1;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  // Activation by ProgID, and _Activator's go by its dispatch id.
  iguales(m.registrar(), S_OK, "DllRegisterServer");
  CLSID clsid{};
  verificar(CLSIDFromProgID(L"Quorvane.Activator", &clsid) == S_OK &&
                IsEqualCLSID(clsid, kClsidActivator),
            "the ProgID resolves to the class");
  IDispatch* activador = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&activador));
  verificar(hr == S_OK && activador, "CoCreateInstance gives IDispatch");
  if (activador) {
    IUnknown* dual = nullptr;
    verificar(activador->QueryInterface(kIidActivator, reinterpret_cast<void**>(&dual)) == S_OK,
              "the object answers _Activator");
    if (dual) dual->Release();
    LPOLESTR go = const_cast<LPOLESTR>(L"go");
    DISPID id = 0;
    verificar(activador->GetIDsOfNames(IID_NULL, &go, 1, LOCALE_USER_DEFAULT, &id) == S_OK &&
                  id == kDispIdGo,
              "GetIDsOfNames(go) is 0x60030000");
    iguales(m.puedeDescargar(), S_FALSE, "DllCanUnloadNow while the activator is held");

    alCargar(m, activador);
    cortes(m, activador);
    errorDelAnfitrion(m, activador);
    activador->Release();
  }
  iguales(m.puedeDescargar(), S_OK, "DllCanUnloadNow once everything is released");

  iguales(m.desregistrar(), S_OK, "DllUnregisterServer");
  verificar(FAILED(CLSIDFromProgID(L"Quorvane.Activator", &clsid)),
            "no ProgID after unregistering");
  m.registrar();  // as it was found

  CoUninitialize();
  FreeLibrary(m.dll);
  iguales(objetosVivos(), 0, "every host object released once the DLL is unloaded");

  std::printf("%d passed, %d failed\n", aprobados, fallidos);
  return fallidos ? 1 : 0;
}
