// A COM client of Tessaline.dll, as a host application uses it: registration, activation by
// ProgID on an apartment thread, then whole commission cuts (one per payment method, and one the
// host refuses half way) run by the script driver against the in-memory host of host_objects.h,
// checked in the host's books and in the calls that crossed the COM boundary.
//
//   client_test [PATH\Tessaline.dll]      (default: Tessaline.dll beside this program)

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host_objects.h"

using namespace winhost;

namespace {

int aprobados = 0, fallidos = 0;

void verificar(bool ok, const std::string& que, const std::string& detalle = {}) {
  ok ? ++aprobados : ++fallidos;
  if (!ok) std::printf("FAILED: %s\n%s", que.c_str(), detalle.c_str());
}

std::string utf8(const std::wstring& w) {
  std::string s(w.size() * 3, '\0');
  s.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()),
                                                   s.data(), static_cast<int>(s.size()), nullptr,
                                                   nullptr)));
  return s;
}

void igualesLineas(const std::vector<std::wstring>& obtenido,
                   const std::vector<std::wstring>& esperado, const std::string& que) {
  std::string detalle = "got:\n";
  for (const std::wstring& l : obtenido) detalle += "  " + utf8(l) + "\n";
  detalle += "expected:\n";
  for (const std::wstring& l : esperado) detalle += "  " + utf8(l) + "\n";
  verificar(obtenido == esperado, que, detalle);
}

constexpr CLSID kClsidActivator = {
    0xE2F6B806, 0x4744, 0x4278, {0x94, 0x05, 0x81, 0xF3, 0x0E, 0x00, 0x0E, 0xB5}};
constexpr IID kIidActivator = {
    0x8C94DBEB, 0xBCD0, 0x4E86, {0x86, 0x8D, 0xCC, 0xFB, 0x8F, 0x3E, 0x17, 0xCC}};

using Entrada = HRESULT(__stdcall*)();
using Guion = HRESULT(__stdcall*)(IDispatch*, IDispatch*, const wchar_t*, BSTR*);

template <class F>
F entrada(HMODULE dll, const char* nombre) {
  return dll ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, nombre))) : nullptr;
}

struct Corrida {
  HRESULT hr;
  std::string eventos;
};

// Runs a script with a new factory over the books; the factory is released before returning.
Corrida correr(Guion guion, IDispatch* activador, const std::shared_ptr<Libros>& libros,
               const std::string& texto) {
  IDispatch* fabrica = new Fabrica(libros);
  BSTR eventos = nullptr;
  const HRESULT hr =
      guion(activador, fabrica, std::wstring(texto.begin(), texto.end()).c_str(), &eventos);
  fabrica->Release();
  Corrida c{hr, utf8(winhost::texto(eventos))};
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

// The committed books: the invoices (commission, * when credited), the postings in order, the
// next cheque number and the lock.
std::vector<std::wstring> resumen(const Libros& l) {
  std::vector<std::wstring> r = {L"facturas"};
  for (const Factura& f : l.firme.facturas)
    r[0] += L" " + std::to_wstring(f.numero) + L":" + montoTexto(f.comision, 2) +
            (f.acreditada ? L"*" : L"");
  r.insert(r.end(), l.firme.asientos.begin(), l.firme.asientos.end());
  r.push_back(L"cheque " + std::to_wstring(l.firme.proximoCheque) +
              (l.bloqueo ? L" bloqueado" : L"") + (l.abierta ? L" en transaccion" : L""));
  return r;
}

// The operator's work of every cut: row 1's commission 50.00 -> 60, rows 1 and 2 marked (85.50).
constexpr const char* kTrabajo =
    "go V001\ndblclick 1 6\ntype 60\nclick cbOk\ndblclick 1 8\ndblclick 2 8\n";

const std::wstring kPago = L"String:Pago de comisiones a Rosa Peña";
const std::wstring kCredito = L"cuenta V001 -60.00", kCredito2 = L"cuenta V001 -25.50",
                   kAbono = L"cuenta V001 85.50",
                   kLineas = L"comprobante 2.1.04 -60.00 2.1.04 -25.50 6.1.01 85.50";

// A payment through bank BAN01: the movement (type and reference) and the salesperson's line.
std::vector<std::wstring> pagoBanco(int tipo, const std::wstring& referencia,
                                    const std::wstring& concepto) {
  return {L"Banco.Buscar(String:BAN01)",
          L"RegistroBanco.RegistrarMovimiento(Integer:" + std::to_wstring(tipo) + L", Date, " +
              kPago + L", String:Rosa Peña, &Currency:85.5000, String:" + referencia +
              L", Date, Object:BComprobante) Imprimir:=Boolean:true",
          L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, &String:" + concepto +
              L" Bco. BAN01, &Currency:85.5000, Object:BComprobante)"};
}
std::vector<std::wstring> asientosBanco(const std::wstring& movimiento) {
  return {kCredito, kCredito2, movimiento, kAbono, kLineas + L" 1.1.02.001 -85.50 2.1.04 85.50"};
}

struct Metodo {
  const char* nombre;
  const char* guion;
  std::vector<std::wstring> pago;      // the calls between the expense line and Procesar
  std::vector<std::wstring> asientos;  // the postings
  int proximoCheque;
};

const std::vector<Metodo> kMetodos = {
    {"cash",
     "click optEfectivo\n",
     {L"HostFactory.crearObjeto(String:Sesion)",
      L"Sesion.RegistrarRetiro(Integer:1, &Currency:85.5000, " + kPago +
          L", Nothing, String:VND, String:V001) Beneficiario:=String:Rosa Peña",
      L"Sesion.UltimoMovCaja()", L"HostFactory.SubmitDoc(Object:MovCaja)", L"Empresa.CuentaCaja()",
      // What the cash box wrote back into the amount changes nothing of the cut.
      L"BComprobante.AddDetalleValor(String:1.1.01, " + kPago + L", Currency:-85.5000)",
      L"Sesion.UltimoMovCaja()", L"MovCaja.Numero()",
      L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, &String:Pago en efectivo (MovCaja "
      L"No. 57), &Currency:85.5000, Object:BComprobante)"},
     {kCredito, kCredito2, L"caja 57 85.50 Rosa Peña", L"enviado 57", kAbono,
      kLineas + L" 1.1.01 -85.50 2.1.04 85.50"},
     1001},
    {"cheque", "click optCheque\nfocus codigoBanco\ntype BAN01\ntab\n",
     pagoBanco(0, L"1001", L"Cheque 1001"), asientosBanco(L"banco 0 1001 85.50 impreso"), 1002},
    {"transfer",
     "click optTransferencia\nfocus codigoBanco\ntype BAN01\nfocus refMovBanco\ntype T-77\n",
     pagoBanco(4, L"T-77", L"Transferencia T-77"), asientosBanco(L"banco 4 T-77 85.50 impreso"),
     1001},
    {"credit only", "click optNoPagar\n", {}, {kCredito, kCredito2, kLineas}, 1001},
};

// The host calls of a cut, the payment's calls in the middle.
std::vector<std::wstring> llamadasEsperadas(const std::vector<std::wstring>& pago, bool confirma) {
  const std::wstring texto = L"String:Corte de comisiones para el vendedor V001";
  const std::wstring acreditar =
      L"HostFactory.ExecuteSQL(String:UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = "
      L"?, &Long:";
  std::vector<std::wstring> v = {
      L"HostFactory.SetGlobalLock(String:TESSALOCKS)",
      L"HostFactory.StartTransaction()",
      L"HostFactory.ExecuteSQL(String:UPDATE Facturas SET Comision = ? WHERE Numero = ?, "
      L"&Currency:60.0000, &Long:1)",
      L"HostFactory.crearObjeto(String:BComprobante)",
      L"BComprobante.StartComprobante(Date, String:, " + texto + L")",
      L"HostFactory.crearObjeto(String:DetalleCE)",
      acreditar + L"1)",
      L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, String:A-0000042 Abastos Uno, "
      L"Currency:-60.0000, Object:BComprobante)",
      acreditar + L"2)",
      L"DetalleCE.Add(Integer:0, String:V001, String:VND, Date, String:A-0000043 Bodega Ñandú, "
      L"Currency:-25.5000, Object:BComprobante)",
      L"Empresa.CuentaGastosComisiones()",
      L"BComprobante.AddDetalleValor(String:6.1.01, " + texto + L", &Currency:85.5000)"};
  v.insert(v.end(), pago.begin(), pago.end());
  if (confirma) v.insert(v.end(), {L"BComprobante.Procesar()", L"HostFactory.CommitTransaction()"});
  v.push_back(confirma ? L"HostFactory.FreeGlobalLock()" : L"HostFactory.AbortTransaction()");
  if (!confirma) v.push_back(L"HostFactory.FreeGlobalLock()");
  return v;
}

// The component keeps the factory, the company and the theme of the latest go (as long as it is
// loaded, which under Wine is until the process ends), and nothing else.
constexpr int kRetenidos = 3;

void cortes(Guion guion, IDispatch* activador) {
  for (const Metodo& m : kMetodos) {
    const std::string que = std::string("cut paid by ") + m.nombre + ": ";
    auto libros = std::make_shared<Libros>();
    const Corrida c = correr(guion, activador, libros,
                             std::string(kTrabajo) + m.guion + "click cbProcesar\ndump\n");
    // Opened for a salesperson, the window shows, and closes after the cut.
    verificar(c.hr == S_OK && !contiene(c.eventos, "\"event\":\"error\"") &&
                  contiene(c.eventos, "\"event\":\"show\",\"window\":\"SelectFacturas\"") &&
                  !contiene(c.eventos, "\"event\":\"message\"") &&
                  contiene(c.eventos, "{\"event\":\"dump\",\"windows\":[]}"),
              que + "no error or message, and the window closes", c.eventos + "\n");
    // The theme is reached through its vtable (never by name), with the window by reference.
    igualesLineas({libros->llamadas.begin(),
                   libros->llamadas.begin() + std::min<size_t>(4, libros->llamadas.size())},
                  {L"HostFactory.crearObjeto(String:Empresa)", L"HostFactory.TemaUI()",
                   L"TemaUI.aplicarTema(&Acreditacion/pago de comisiones)",
                   L"HostFactory.getSysIcon(Integer:19)"},
                  que + "go: company, theme, the theme applied to the window");
    igualesLineas(llamadasDelCorte(*libros), llamadasEsperadas(m.pago, true),
                  que + "host calls in order");
    std::vector<std::wstring> libro = {L"facturas 1:60.00* 2:25.50* 3:10.00"};
    libro.insert(libro.end(), m.asientos.begin(), m.asientos.end());
    libro.push_back(L"cheque " + std::to_wstring(m.proximoCheque));
    igualesLineas(resumen(*libros), libro, que + "books afterwards");
    verificar(vivos == kRetenidos, que + "host objects released");
  }
}

void errorDelAnfitrion(Guion guion, IDispatch* activador) {
  auto libros = std::make_shared<Libros>();
  const std::vector<std::wstring> antes = resumen(*libros);
  libros->fallarEn = L"RegistrarMovimiento";
  const Corrida c =
      correr(guion, activador, libros,
             std::string(kTrabajo) + kMetodos[1].guion + "click cbProcesar\nok\ndump\n");
  // The window is left as it was: its list still marked for 85.50.
  verificar(c.hr == S_OK &&
                contiene(c.eventos,
                         "{\"event\":\"error\",\"number\":-2147220991,\"description\":\"El "
                         "anfitrión rechaza RegistrarMovimiento\",\"source\":\"SelectFacturas::"
                         "cbProcesar_Click\"}") &&
                contiene(c.eventos, "\"comisionAcreditar\":\"85.5000\""),
            "host error: the error box shows the host's number and text; the window stays",
            c.eventos + "\n");
  igualesLineas(llamadasDelCorte(*libros),
                llamadasEsperadas({kMetodos[1].pago[0], kMetodos[1].pago[1]}, false),
                "host error: aborted, lock freed");
  igualesLineas(resumen(*libros), antes, "host error: nothing written");
  verificar(vivos == kRetenidos, "host error: host objects released");
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring ruta(MAX_PATH, L'\0');
  ruta.resize(GetModuleFileNameW(nullptr, ruta.data(), MAX_PATH));
  ruta = ruta.substr(0, ruta.find_last_of(L"\\/") + 1) + L"Tessaline.dll";
  if (argc > 1) ruta = std::wstring(argv[1], argv[1] + std::strlen(argv[1]));
  const HMODULE dll = LoadLibraryW(ruta.c_str());
  const auto registrar = entrada<Entrada>(dll, "DllRegisterServer");
  const auto desregistrar = entrada<Entrada>(dll, "DllUnregisterServer");
  const auto puedeDescargar = entrada<Entrada>(dll, "DllCanUnloadNow");
  const auto guion = entrada<Guion>(dll, "TessalineDriveScript");
  verificar(registrar && desregistrar && puedeDescargar && guion,
            "the DLL loads and exports its entries", utf8(ruta) + "\n");
  if (fallidos) return std::printf("%d passed, %d failed\n", aprobados, fallidos), 1;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  // Activation by ProgID, and _Activator's go by its dispatch id.
  verificar(registrar() == S_OK, "DllRegisterServer");
  CLSID clsid{};
  const bool resuelto = CLSIDFromProgID(L"Quorvane.Activator", &clsid) == S_OK;
  verificar(resuelto && IsEqualCLSID(clsid, kClsidActivator), "the ProgID resolves to the class");
  IDispatch* activador = nullptr;
  verificar(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&activador)) == S_OK,
            "CoCreateInstance gives IDispatch");
  if (activador) {
    IUnknown* dual = nullptr;
    verificar(activador->QueryInterface(kIidActivator, reinterpret_cast<void**>(&dual)) == S_OK,
              "the object answers _Activator");
    if (dual) dual->Release();
    LPOLESTR go = const_cast<LPOLESTR>(L"go");
    DISPID id = 0;
    const HRESULT hr = activador->GetIDsOfNames(IID_NULL, &go, 1, LOCALE_USER_DEFAULT, &id);
    verificar(hr == S_OK && id == 0x60030000, "GetIDsOfNames(go) is 0x60030000");
    ITypeInfo* tipo = nullptr;
    BSTR nombre = nullptr;
    verificar(activador->GetTypeInfo(0, 0, &tipo) == S_OK &&
                  tipo->GetDocumentation(MEMBERID_NIL, &nombre, nullptr, nullptr, nullptr) == S_OK &&
                  texto(nombre) == L"_Activator",
              "its type information is _Activator's");
    SysFreeString(nombre);
    if (tipo) tipo->Release();
    verificar(puedeDescargar() == S_FALSE, "DllCanUnloadNow while the activator is held");

    cortes(guion, activador);
    errorDelAnfitrion(guion, activador);
    activador->Release();
  }
  verificar(puedeDescargar() == S_OK, "DllCanUnloadNow once everything is released");
  verificar(desregistrar() == S_OK && FAILED(CLSIDFromProgID(L"Quorvane.Activator", &clsid)),
            "no ProgID after DllUnregisterServer");
  registrar();  // as it was found

  CoUninitialize();
  FreeLibrary(dll);

  std::printf("%d passed, %d failed\n", aprobados, fallidos);
  return fallidos ? 1 : 0;
}
