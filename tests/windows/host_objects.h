#pragma once
// A small accounting host for the Windows client: in-memory books and the host objects the
// component calls late-bound (factory, company, lookups, recordsets, voucher, salesperson account,
// bank record, cash box, theme), each a hand-written IDispatch over a table of member names.
//
// Every call the component makes on the host (recordsets and their fields aside) goes to the
// books' call log as one line, `Class.Member(arg, ...) Name:=arg`, each argument `Type:value`,
// a by-reference one with a leading `&` ("&Currency:85.5000"). What the host posts goes to the
// books' ledger as one line per posting.

#include <comdef.h>
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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
// Asks one of the host's own objects for itself (an object of another maker does not answer).
inline constexpr IID kIidPropio = {
    0x5D0C2B1E, 0x7A44, 0x4C1B, {0x9E, 0x0F, 0x2C, 0x7B, 0x3A, 0x1D, 0x9E, 0x01}};

// The error the host raises with: an application error of an object, 0x80040000 + 513.
inline constexpr HRESULT kErrorAnfitrion = static_cast<HRESULT>(0x80040201);

using Var = _variant_t;
using Monto = int64_t;  // ten-thousandths, as Currency holds them

// The amounts here are small enough for a double to hold exactly.
inline std::wstring montoTexto(Monto m, int decimales = 4) {
  wchar_t buf[40];
  std::swprintf(buf, 40, L"%.*f", decimales, static_cast<double>(m) / 10000);
  return buf;
}
inline std::wstring texto(const _bstr_t& b) {
  return b.length() ? std::wstring(b, b.length()) : L"";
}
inline Var moneda(Monto m) { return Var(CY{.int64 = m}); }
inline Var entero(int32_t n) { return Var(static_cast<long>(n)); }

// Salesperson V001's invoices (all paid, dated March 2020).
struct Factura {
  int32_t numero;
  const wchar_t* serie;
  int32_t correlativo, dia;
  Monto venta, iva, comision;
  const wchar_t* cliente;
  bool acreditada = false;
};

// What a transaction sees and what a commit keeps.
struct Estado {
  std::vector<Factura> facturas = {
      {1, L"A", 42, 1, 10000000, 1200000, 500000, L"Abastos Uno"},
      {2, L"A", 43, 2, 5000000, 600000, 255000, L"Bodega Ñandú"},
      {3, L"B", 7, 3, 2000000, 240000, 100000, L"Casa Tres"},
  };
  std::vector<std::wstring> asientos;  // postings, one line each
  int32_t proximoCheque = 1001, proximoMovCaja = 57;
};

struct Libros {
  Estado firme;                   // committed
  std::optional<Estado> abierta;  // the open transaction's view
  std::optional<std::wstring> bloqueo;
  std::vector<std::wstring> llamadas;
  std::wstring fallarEn;  // a member that raises the host's error when called

  const Estado& actual() const { return abierta ? *abierta : firme; }
};

// The host objects alive now, the factory included.
inline int vivos = 0;

// An error the host raises (DISP_E_EXCEPTION with its text), or a failure code.
struct Fallo {
  HRESULT hr;
  std::wstring texto = L"";
};
[[noreturn]] inline void fallar(const std::wstring& t) { throw Fallo{DISP_E_EXCEPTION, t}; }

class Objeto;
Objeto* propio(const VARIANT& v);

// The positional and named arguments of one call; a conversion that fails is a type mismatch.
class Argumentos {
 public:
  explicit Argumentos(DISPPARAMS* p) : p_(p) {}
  UINT size() const { return p_->cArgs - p_->cNamedArgs; }
  // As passed (VT_BYREF included); positional arguments come last to first.
  VARIANT& crudo(UINT i) const { return p_->rgvarg[p_->cArgs - 1 - i]; }
  // The value, a by-reference argument followed.
  static Var valorDe(const VARIANT& v) {
    Var r;
    if (FAILED(VariantCopyInd(&r, const_cast<VARIANT*>(&v)))) throw Fallo{DISP_E_TYPEMISMATCH};
    return r;
  }
  Var como(UINT i, VARTYPE vt) const {
    Var r = valorDe(crudo(i));
    if (FAILED(VariantChangeType(&r, &r, 0, vt))) throw Fallo{DISP_E_TYPEMISMATCH};
    return r;
  }
  std::wstring texto(UINT i) const { return winhost::texto(como(i, VT_BSTR).bstrVal); }
  int32_t entero(UINT i) const { return como(i, VT_I4).lVal; }
  Monto moneda(UINT i) const { return como(i, VT_CY).cyVal.int64; }
  template <class T>
  T* objeto(UINT i) const {
    T* o = dynamic_cast<T*>(propio(valorDe(crudo(i))));
    if (!o) throw Fallo{DISP_E_TYPEMISMATCH};
    return o;
  }
  const VARIANT* nombrado(DISPID id) const {
    for (UINT i = 0; i < p_->cNamedArgs; ++i)
      if (p_->rgdispidNamedArgs[i] == id) return &p_->rgvarg[i];
    return nullptr;
  }
  // Writes a Currency back through a by-reference argument.
  void devolverMoneda(UINT i, Monto m) const {
    VARIANT& v = crudo(i);
    if (v.vt == (VT_BYREF | VT_CY)) {
      v.pcyVal->int64 = m;
    } else if (v.vt == (VT_BYREF | VT_VARIANT)) {
      VariantClear(v.pvarVal);
      *v.pvarVal = winhost::moneda(m).Detach();
    } else {
      throw Fallo{DISP_E_TYPEMISMATCH};
    }
  }

 private:
  DISPPARAMS* p_;
};

std::wstring describir(const VARIANT& crudo);

// A member of a host object: its name and how many positional arguments it takes (-1: any).
struct Miembro {
  const wchar_t* nombre;
  int argumentos;
};

// The base of every host object: reference counting, IDispatch over a table of members (dispatch
// id = index + 1) and of named-argument names (1000 + index), the call log and the host's
// errors. The theme's own methods sit in every vtable, but only the theme hands them out.
class Objeto : public ITemaUI {
 public:
  Objeto(std::shared_ptr<Libros> libros, const wchar_t* clase, std::vector<Miembro> miembros,
         std::vector<const wchar_t*> parametros = {}, bool enDiario = true)
      : libros_(std::move(libros)),
        clase_(clase),
        miembros_(std::move(miembros)),
        parametros_(std::move(parametros)),
        enDiario_(enDiario) {
    ++vivos;
  }
  virtual ~Objeto() { --vivos; }
  const wchar_t* clase() const { return clase_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
        !IsEqualIID(iid, kIidPropio) && !(esTema() && IsEqualIID(iid, kIidTemaUI)))
      return E_NOINTERFACE;
    *out = static_cast<ITemaUI*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long r = --refs_;
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return n ? S_OK : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ti) override {
    if (ti) *ti = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* nombres, UINT n, LCID,
                                          DISPID* ids) override {
    if (!nombres || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < n; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (size_t k = 0; i == 0 && k < miembros_.size(); ++k)
        if (_wcsicmp(miembros_[k].nombre, nombres[0]) == 0) ids[0] = static_cast<DISPID>(k + 1);
      for (size_t k = 0; i > 0 && k < parametros_.size(); ++k)
        if (_wcsicmp(parametros_[k], nombres[i]) == 0) ids[i] = static_cast<DISPID>(k + 1000);
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                   VARIANT* resultado, EXCEPINFO* excepcion, UINT*) override {
    if (id < 1 || static_cast<size_t>(id) > miembros_.size() ||
        (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
      return DISP_E_MEMBERNOTFOUND;
    if (!p) return E_POINTER;
    const Miembro& miembro = miembros_[static_cast<size_t>(id - 1)];
    Argumentos a(p);
    if (miembro.argumentos >= 0 && a.size() != static_cast<UINT>(miembro.argumentos))
      return DISP_E_BADPARAMCOUNT;
    try {
      if (enDiario_) anotar(miembro.nombre, a);
      if (libros_->fallarEn == miembro.nombre)
        fallar(std::wstring(L"El anfitrión rechaza ") + miembro.nombre);
      Var r = llamar(static_cast<int>(id - 1), a);
      if (resultado) *resultado = r.Detach();
      return S_OK;
    } catch (const Fallo& f) {
      if (f.hr != DISP_E_EXCEPTION) return f.hr;
      if (excepcion) {
        *excepcion = EXCEPINFO{};
        excepcion->scode = kErrorAnfitrion;
        excepcion->bstrSource = SysAllocString(L"Anfitrion");
        excepcion->bstrDescription = SysAllocString(f.texto.c_str());
      }
      return DISP_E_EXCEPTION;
    }
  }

  // Never called: a call through the wrong slot misses aplicarTema in the call log.
  HRESULT STDMETHODCALLTYPE Reservado1() override { return E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE Reservado2() override { return E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE aplicarTema(IDispatch**) override { return E_NOTIMPL; }

 protected:
  // The member at that index of the table, its argument count checked.
  virtual Var llamar(int miembro, Argumentos& a) = 0;
  virtual bool esTema() const { return false; }
  Libros& libros() const { return *libros_; }
  const std::shared_ptr<Libros>& librosPtr() const { return libros_; }
  // What a transaction writes to; outside one the host refuses the write.
  Estado& escritura() const {
    if (!libros_->abierta) fallar(std::wstring(clase_) + L": no hay una transacción abierta");
    return *libros_->abierta;
  }

 private:
  void anotar(const wchar_t* miembro, const Argumentos& a) {
    std::wstring linea = std::wstring(clase_) + L"." + miembro + L"(";
    for (UINT i = 0; i < a.size(); ++i) linea += (i ? L", " : L"") + describir(a.crudo(i));
    linea += L")";
    for (size_t i = 0; i < parametros_.size(); ++i)
      if (const VARIANT* v = a.nombrado(static_cast<DISPID>(i + 1000)))
        linea += std::wstring(L" ") + parametros_[i] + L":=" + describir(*v);
    libros_->llamadas.push_back(std::move(linea));
  }

  std::shared_ptr<Libros> libros_;
  long refs_ = 1;
  const wchar_t* clase_;
  std::vector<Miembro> miembros_;
  std::vector<const wchar_t*> parametros_;
  bool enDiario_;
};

inline Objeto* propio(const VARIANT& v) {
  if ((v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN) || !v.punkVal) return nullptr;
  void* p = nullptr;
  if (FAILED(v.punkVal->QueryInterface(kIidPropio, &p))) return nullptr;
  auto* o = static_cast<Objeto*>(static_cast<ITemaUI*>(p));
  o->Release();  // the caller's variant keeps it alive
  return o;
}

inline std::wstring describir(const VARIANT& crudo) {
  const std::wstring ref = (crudo.vt & VT_BYREF) ? L"&" : L"";
  const Var v = Argumentos::valorDe(crudo);
  switch (v.vt) {
    case VT_I2: return ref + L"Integer:" + std::to_wstring(v.iVal);
    case VT_I4: return ref + L"Long:" + std::to_wstring(v.lVal);
    case VT_CY: return ref + L"Currency:" + montoTexto(v.cyVal.int64);
    case VT_DATE: return ref + L"Date";
    case VT_BSTR: return ref + L"String:" + texto(v.bstrVal);
    case VT_BOOL: return ref + (v.boolVal ? L"Boolean:true" : L"Boolean:false");
    case VT_DISPATCH: {
      const Objeto* o = propio(v);
      return ref + (!v.pdispVal ? L"Nothing" : o ? std::wstring(L"Object:") + o->clase() : L"Object");
    }
    default: return ref + L"vt" + std::to_wstring(v.vt);
  }
}

// A new object of the host, the one reference held by the returned variant.
template <class T, class... A>
Var nuevo(A&&... args) {
  return Var(static_cast<ITemaUI*>(new T(std::forward<A>(args)...)), false);
}

using Valores = std::vector<std::pair<const wchar_t*, Var>>;

// An object whose members are properties of fixed values (the company, a salesperson's record, a
// cash movement).
class Registro final : public Objeto {
 public:
  Registro(std::shared_ptr<Libros> l, const wchar_t* clase, Valores valores)
      : Objeto(std::move(l), clase, miembros(valores)), valores_(std::move(valores)) {}
  const Var& valor(size_t i) const { return valores_[i].second; }

 protected:
  Var llamar(int m, Argumentos&) override { return valor(static_cast<size_t>(m)); }

 private:
  static std::vector<Miembro> miembros(const Valores& v) {
    std::vector<Miembro> m;
    for (const auto& p : v) m.push_back({p.first, 0});
    return m;
  }
  Valores valores_;
};

// The rows of a query, read forward only; a field follows the current row.
struct Cursor {
  std::vector<const wchar_t*> campos;
  std::vector<std::vector<Var>> filas;
  size_t fila = 0;
};

class Campo final : public Objeto {
 public:
  Campo(std::shared_ptr<Libros> l, std::shared_ptr<Cursor> c, size_t columna)
      : Objeto(std::move(l), L"Field", {{L"Value", 0}}, {}, false),
        c_(std::move(c)),
        col_(columna) {}

 protected:
  Var llamar(int, Argumentos&) override {
    if (c_->fila >= c_->filas.size()) fallar(L"No hay registro actual");
    return c_->filas[c_->fila][col_];
  }

 private:
  std::shared_ptr<Cursor> c_;
  size_t col_;
};

class Recordset final : public Objeto {
 public:
  Recordset(std::shared_ptr<Libros> l, Cursor c)
      : Objeto(std::move(l), L"Recordset", {{L"EOF", 0}, {L"Fields", 1}, {L"MoveNext", 0}}, {},
               false),
        c_(std::make_shared<Cursor>(std::move(c))) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    const bool fin = c_->fila >= c_->filas.size();
    if (m == 0) return Var(fin);
    if (m == 2 && !fin) ++c_->fila;
    if (m == 2) return {};
    const std::wstring nombre = a.texto(0);
    for (size_t i = 0; i < c_->campos.size(); ++i)
      if (_wcsicmp(c_->campos[i], nombre.c_str()) == 0) return nuevo<Campo>(librosPtr(), c_, i);
    fallar(L"El recordset no tiene el campo " + nombre);
  }

 private:
  std::shared_ptr<Cursor> c_;
};

// The voucher: lines kept until Procesar, which posts it only when they add up to zero.
class BComprobante final : public Objeto {
 public:
  explicit BComprobante(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"BComprobante",
               {{L"StartComprobante", 3}, {L"AddDetalleValor", 3}, {L"Procesar", 0}}) {}
  void agregar(const std::wstring& cuenta, Monto monto) {
    if (!iniciado_ || procesado_) fallar(L"El comprobante no admite líneas");
    lineas_ += L" " + cuenta + L" " + montoTexto(monto, 2);
    suma_ += monto;
  }

 protected:
  Var llamar(int m, Argumentos& a) override {
    if (m == 0) {
      iniciado_ = true;
    } else if (m == 1) {
      agregar(a.texto(0), a.moneda(2));
    } else {
      if (!iniciado_ || procesado_ || lineas_.empty() || suma_ != 0)
        fallar(L"Comprobante descuadrado por " + montoTexto(suma_));
      escritura().asientos.push_back(L"comprobante" + lineas_);
      procesado_ = true;
    }
    return {};
  }

 private:
  std::wstring lineas_;
  Monto suma_ = 0;
  bool iniciado_ = false, procesado_ = false;
};

// A salesperson-account line, posted with the same amount on the salespeople's account in the
// voucher.
class DetalleCE final : public Objeto {
 public:
  explicit DetalleCE(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"DetalleCE", {{L"Add", 7}}) {}

 protected:
  Var llamar(int, Argumentos& a) override {
    if (a.entero(0) != 0 || a.texto(2) != L"VND") fallar(L"DetalleCE.Add: tipo o código");
    a.objeto<BComprobante>(6)->agregar(L"2.1.04", a.moneda(5));
    escritura().asientos.push_back(L"cuenta " + a.texto(1) + L" " + montoTexto(a.moneda(5), 2));
    return {};
  }
};

class RegistroBanco final : public Objeto {
 public:
  explicit RegistroBanco(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"RegistroBanco", {{L"proximoCheque", 0}, {L"RegistrarMovimiento", 8}},
               {L"Imprimir"}) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    if (m == 0) return Var(std::to_wstring(libros().actual().proximoCheque).c_str());
    const int tipo = a.entero(0);
    if (tipo != 0 && tipo != 4) fallar(L"Tipo de movimiento bancario desconocido");
    Estado& e = escritura();
    const VARIANT* imprimir = a.nombrado(1000);
    const bool impreso = imprimir && imprimir->vt == VT_BOOL && imprimir->boolVal;
    e.asientos.push_back(L"banco " + std::to_wstring(tipo) + L" " + a.texto(5) + L" " +
                         montoTexto(a.moneda(4), 2) + (impreso ? L" impreso" : L""));
    e.proximoCheque += tipo == 0;
    a.objeto<BComprobante>(7)->agregar(L"1.1.02.001", -a.moneda(4));
    return {};
  }
};

// "Vendedor", "Banco" (lookup objects of the code boxes) and "banco" (checks a bank code).
class Fuente final : public Objeto {
 public:
  Fuente(std::shared_ptr<Libros> l, bool bancos)
      : Objeto(std::move(l), bancos ? L"Banco" : L"Vendedor",
               {{L"Buscar", 1}, {L"validarCodigo", 1}}),
        bancos_(bancos) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    const bool existe = a.texto(0) == (bancos_ ? L"BAN01" : L"V001");
    if (m == 1) return Var(existe);
    if (!existe) return Var(static_cast<IDispatch*>(nullptr));
    if (bancos_) return nuevo<RegistroBanco>(librosPtr());
    return nuevo<Registro>(librosPtr(), L"RegistroVendedor", Valores{{L"Nombre", L"Rosa Peña"}});
  }

 private:
  bool bancos_;
};

// The cash box. The withdrawal writes back, through its by-reference amount, what is left to pay:
// nothing.
class Sesion final : public Objeto {
 public:
  explicit Sesion(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"Sesion", {{L"RegistrarRetiro", 6}, {L"UltimoMovCaja", 0}},
               {L"Beneficiario"}) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    if (m == 1) {
      if (!ultimo_) fallar(L"La caja no tiene movimientos");
      return nuevo<Registro>(librosPtr(), L"MovCaja", Valores{{L"Numero", entero(*ultimo_)}});
    }
    const VARIANT* beneficiario = a.nombrado(1000);
    if (a.entero(0) != 1 || !beneficiario) fallar(L"RegistrarRetiro: tipo o beneficiario");
    Estado& e = escritura();
    ultimo_ = e.proximoMovCaja++;
    e.asientos.push_back(L"caja " + std::to_wstring(*ultimo_) + L" " + montoTexto(a.moneda(1), 2) +
                         L" " + texto(_bstr_t(Argumentos::valorDe(*beneficiario))));
    a.devolverMoneda(1, 0);
    return {};
  }

 private:
  std::optional<int32_t> ultimo_;
};

class Tema final : public Objeto {
 public:
  explicit Tema(std::shared_ptr<Libros> l) : Objeto(std::move(l), L"TemaUI", {}) {}

  // Reads the window's caption through its own IDispatch, as a theme reads what it styles.
  HRESULT STDMETHODCALLTYPE aplicarTema(IDispatch** ventana) override {
    if (!ventana || !*ventana) return E_POINTER;
    LPOLESTR nombre = const_cast<LPOLESTR>(L"Caption");
    DISPID id = 0;
    DISPPARAMS sin{};
    Var caption;
    if (FAILED((*ventana)->GetIDsOfNames(IID_NULL, &nombre, 1, 0, &id)) ||
        FAILED((*ventana)->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &sin, &caption, nullptr,
                                  nullptr)))
      caption = L"?";
    libros().llamadas.push_back(L"TemaUI.aplicarTema(&" + texto(_bstr_t(caption)) + L")");
    return S_OK;
  }

 protected:
  bool esTema() const override { return true; }
  Var llamar(int, Argumentos&) override { return {}; }
};

// The rows of the two queries the window makes on Facturas; any other statement is refused.
inline Cursor consultar(const Estado& e, const std::wstring& sql, const Argumentos& a) {
  Cursor c;
  if (sql.find(L"FROM Facturas WHERE ComisionAcreditada = 0") != std::wstring::npos &&
      a.size() == 3) {
    c.campos = {L"numero",         L"serie",    L"correlativo", L"fechaTransaccion",
                L"precioEfectivo", L"Saldo",    L"Comision",    L"CodigoCliente",
                L"nombreCliente",  L"TotalIVA", L"MontoTotal",  L"pComis"};
    for (const Factura& f : e.facturas) {
      const Var fecha(43890.0 + f.dia, VT_DATE);  // 2020-03-01 and on
      if (f.acreditada || a.texto(1) != L"V001" || fecha.date > a.como(2, VT_DATE).date) continue;
      c.filas.push_back(
          {entero(f.numero), f.serie, entero(f.correlativo), fecha, moneda(f.venta), moneda(0),
           moneda(f.comision), (L"C0" + std::to_wstring(f.numero)).c_str(), f.cliente,
           moneda(f.iva), moneda(f.venta + f.iva),
           Var(100.0 * static_cast<double>(f.comision) / static_cast<double>(f.venta))});
    }
    return c;
  }
  if (sql.starts_with(
          L"SELECT Numero, Comision, ComisionAcreditada FROM Facturas WHERE Numero IN (")) {
    c.campos = {L"Numero", L"Comision", L"ComisionAcreditada"};
    for (UINT i = 1; i < a.size(); ++i)
      for (const Factura& f : e.facturas)
        if (f.numero == a.entero(i))
          c.filas.push_back({entero(f.numero), moneda(f.comision), entero(f.acreditada)});
    return c;
  }
  fallar(L"Consulta desconocida: " + sql);
}

inline void actualizar(Estado& e, const std::wstring& sql, const Argumentos& a) {
  const bool comision = sql == L"UPDATE Facturas SET Comision = ? WHERE Numero = ?";
  if (!(comision ? a.size() == 3
                 : sql == L"UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?" &&
                       a.size() == 2))
    fallar(L"Sentencia desconocida: " + sql);
  for (Factura& f : e.facturas) {
    if (f.numero != a.entero(a.size() - 1)) continue;
    if (comision) f.comision = a.moneda(1);
    f.acreditada = f.acreditada || !comision;
  }
}

class Fabrica final : public Objeto {
 public:
  explicit Fabrica(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"HostFactory",
               {{L"crearObjeto", 1}, {L"TemaUI", 0}, {L"getSysIcon", 1}, {L"OpenRecordset", -1},
                {L"ExecuteSQL", -1}, {L"SetGlobalLock", 1}, {L"FreeGlobalLock", 0},
                {L"StartTransaction", 0}, {L"CommitTransaction", 0}, {L"AbortTransaction", 0},
                {L"SubmitDoc", 1}, {L"mAdvertencia", 1}}) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    Libros& l = libros();
    if (m == 0) return crear(a.texto(0));
    if (m == 1) return nuevo<Tema>(librosPtr());
    if (m == 2) return Var(static_cast<IDispatch*>(nullptr));  // no pictures: no button icons
    if ((m == 3 || m == 4) && a.size() < 1) throw Fallo{DISP_E_BADPARAMCOUNT};
    if (m == 3) return nuevo<Recordset>(librosPtr(), consultar(l.actual(), a.texto(0), a));
    if (m == 4) actualizar(escritura(), a.texto(0), a);
    if (m == 5 && l.bloqueo) fallar(L"El bloqueo " + *l.bloqueo + L" ya está tomado");
    if (m == 5) l.bloqueo = a.texto(0);
    if (m == 6) l.bloqueo.reset();
    if (m == 7 && l.abierta) fallar(L"Ya hay una transacción abierta");
    if (m == 7) l.abierta = l.firme;
    if (m == 8) l.firme = escritura();
    if (m == 8 || m == 9) l.abierta.reset();
    if (m == 10)
      escritura().asientos.push_back(L"enviado " +
                                     std::to_wstring(a.objeto<Registro>(0)->valor(0).lVal));
    return {};
  }

 private:
  Var crear(const std::wstring& clase) {
    const auto& l = librosPtr();
    if (clase == L"Empresa")
      return nuevo<Registro>(l, L"Empresa",
                             Valores{{L"MascaraMonetarios", L"#,##0.00"}, {L"PComisVenta1", 5.0},
                                     {L"PComisVenta2", 5.0}, {L"PComisVenta3", 5.0},
                                     {L"PComisCobranza1", 3.0}, {L"PComisCobranza2", 3.0},
                                     {L"PComisCobranza3", 3.0},
                                     {L"CuentaGastosComisiones", L"6.1.01"},
                                     {L"CuentaCaja", L"1.1.01"}});
    if (clase == L"Vendedor" || clase == L"Banco" || clase == L"banco")
      return nuevo<Fuente>(l, clase != L"Vendedor");
    if (clase == L"BComprobante") return nuevo<BComprobante>(l);
    if (clase == L"DetalleCE") return nuevo<DetalleCE>(l);
    if (clase == L"Sesion") return nuevo<Sesion>(l);
    fallar(L"El anfitrión no tiene la clase " + clase);
  }
};

}  // namespace winhost
