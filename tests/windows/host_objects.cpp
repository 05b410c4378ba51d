#include "host_objects.h"

#include <cwchar>
#include <initializer_list>
#include <utility>

namespace winhost {

namespace {

int vivos = 0;

// Asks one of our own objects for itself (an object of another maker does not answer).
constexpr IID kIidPropio = {
    0x5D0C2B1E, 0x7A44, 0x4C1B, {0x9E, 0x0F, 0x2C, 0x7B, 0x3A, 0x1D, 0x9E, 0x01}};

// A VARIANT that clears itself.
struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  Var(const Var& o) : Var() { VariantCopy(&v, const_cast<VARIANT*>(&o.v)); }
  Var(Var&& o) noexcept : v(o.v) { VariantInit(&o.v); }
  Var& operator=(const Var& o) {
    if (this != &o) VariantCopy(&v, const_cast<VARIANT*>(&o.v));
    return *this;
  }
  ~Var() { VariantClear(&v); }

  static Var texto(const std::wstring& s) {
    Var r;
    r.v.vt = VT_BSTR;
    r.v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return r;
  }
  static Var entero(int32_t n) {
    Var r;
    r.v.vt = VT_I4;
    r.v.lVal = n;
    return r;
  }
  static Var moneda(Monto m) {
    Var r;
    r.v.vt = VT_CY;
    r.v.cyVal.int64 = m;
    return r;
  }
  static Var real(double d, VARTYPE vt = VT_R8) {
    Var r;
    r.v.vt = vt;
    r.v.dblVal = d;  // VT_DATE shares the double
    return r;
  }
  static Var logico(bool b) {
    Var r;
    r.v.vt = VT_BOOL;
    r.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
  }
  // Takes over the caller's reference (nullptr is Nothing).
  static Var objeto(IDispatch* d) {
    Var r;
    r.v.vt = VT_DISPATCH;
    r.v.pdispVal = d;
    return r;
  }
};

// An error the host raises: DISP_E_EXCEPTION with the description, or another failure code.
struct Fallo {
  HRESULT hr;
  std::wstring texto;
};
[[noreturn]] void fallar(const std::wstring& texto) {
  throw Fallo{DISP_E_EXCEPTION, texto};
}

std::wstring montoTexto(Monto m) {
  const bool neg = m < 0;
  const uint64_t a = neg ? 0 - static_cast<uint64_t>(m) : static_cast<uint64_t>(m);
  wchar_t buf[40];
  std::swprintf(buf, 40, L"%ls%llu.%04llu", neg ? L"-" : L"",
                static_cast<unsigned long long>(a / 10000),
                static_cast<unsigned long long>(a % 10000));
  return buf;
}

class Objeto;
Objeto* propio(const VARIANT& v);

// The positional and named arguments of one call.
class Argumentos {
 public:
  explicit Argumentos(DISPPARAMS* p) : p_(p) {}
  UINT size() const { return p_->cArgs - p_->cNamedArgs; }
  void exigir(UINT n) const {
    if (size() != n) throw Fallo{DISP_E_BADPARAMCOUNT, L""};
  }
  // As passed (VT_BYREF included); positional arguments come last to first.
  VARIANT& crudo(UINT i) const { return p_->rgvarg[p_->cArgs - 1 - i]; }
  // The value, a by-reference argument followed.
  Var valor(UINT i) const { return valorDe(crudo(i)); }
  static Var valorDe(const VARIANT& v) {
    Var r;
    if (FAILED(VariantCopyInd(&r.v, const_cast<VARIANT*>(&v))))
      throw Fallo{DISP_E_TYPEMISMATCH, L""};
    return r;
  }
  Var como(UINT i, VARTYPE vt) const {
    Var fuente = valor(i), r;
    if (FAILED(VariantChangeType(&r.v, &fuente.v, 0, vt))) throw Fallo{DISP_E_TYPEMISMATCH, L""};
    return r;
  }
  std::wstring texto(UINT i) const {
    Var t = como(i, VT_BSTR);
    return std::wstring(t.v.bstrVal, SysStringLen(t.v.bstrVal));
  }
  int32_t entero(UINT i) const { return como(i, VT_I4).v.lVal; }
  Monto moneda(UINT i) const { return como(i, VT_CY).v.cyVal.int64; }
  double fecha(UINT i) const { return como(i, VT_DATE).v.date; }
  template <class T>
  T* objeto(UINT i) const {
    T* o = dynamic_cast<T*>(propio(valor(i).v));
    if (!o) throw Fallo{DISP_E_TYPEMISMATCH, L""};
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
      v.pvarVal->vt = VT_CY;
      v.pvarVal->cyVal.int64 = m;
    } else {
      throw Fallo{DISP_E_TYPEMISMATCH, L""};
    }
  }

 private:
  DISPPARAMS* p_;
};

// One argument for the call log.
std::wstring describir(const VARIANT& crudo);

// The base of every host object: reference counting, IDispatch over a table of member names
// (dispatch id = index + 1) and of named-argument names (1000 + index), the call log and the
// host's errors. The theme's extra methods sit in every vtable but are only handed out, through
// QueryInterface, by the theme.
class Objeto : public ITemaUI {
 public:
  Objeto(std::shared_ptr<Libros> libros, const wchar_t* clase,
         std::initializer_list<const wchar_t*> miembros,
         std::initializer_list<const wchar_t*> parametros = {}, bool enDiario = true)
      : libros_(std::move(libros)),
        clase_(clase),
        miembros_(miembros),
        parametros_(parametros),
        enDiario_(enDiario) {
    ++vivos;
  }
  virtual ~Objeto() { --vivos; }
  const wchar_t* clase() const { return clase_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidPropio) || (esTema() && IsEqualIID(iid, kIidTemaUI))) {
      *out = static_cast<ITemaUI*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long r = --refs_;
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ti) override {
    if (ti) *ti = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* nombres, UINT n, LCID,
                                          DISPID* ids) override {
    if (n == 0) return S_OK;
    if (!nombres || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    ids[0] = buscar(miembros_, nombres[0], 1);
    for (UINT i = 1; i < n; ++i) ids[i] = buscar(parametros_, nombres[i], 1000);
    for (UINT i = 0; i < n; ++i)
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                   VARIANT* resultado, EXCEPINFO* excepcion,
                                   UINT* errArg) override {
    if (id < 1 || static_cast<size_t>(id) > miembros_.size() ||
        (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
      return DISP_E_MEMBERNOTFOUND;
    if (!p) return E_POINTER;
    if (errArg) *errArg = 0;
    const wchar_t* miembro = miembros_[static_cast<size_t>(id - 1)];
    Argumentos a(p);
    try {
      if (enDiario_) anotar(miembro, a);
      if (libros_->fallarEn == miembro) fallar(std::wstring(L"El anfitrión rechaza ") + miembro);
      Var r = llamar(static_cast<int>(id - 1), a);
      if (resultado) {
        VariantInit(resultado);
        *resultado = r.v;
        VariantInit(&r.v);  // handed over
      }
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

  HRESULT STDMETHODCALLTYPE Reservado1() override { return reservado(L"Reservado1"); }
  HRESULT STDMETHODCALLTYPE Reservado2() override { return reservado(L"Reservado2"); }
  HRESULT STDMETHODCALLTYPE aplicarTema(IDispatch**) override { return E_NOTIMPL; }

 protected:
  // Member `miembro` (its index in the table) with its arguments.
  virtual Var llamar(int miembro, Argumentos& a) = 0;
  virtual bool esTema() const { return false; }
  Libros& libros() const { return *libros_; }
  const std::shared_ptr<Libros>& librosPtr() const { return libros_; }
  // What a transaction writes to; outside one the host refuses the write.
  Estado& escritura() const {
    if (!libros_->abierta) fallar(std::wstring(clase_) + L": no hay una transacción abierta");
    return *libros_->abierta;
  }
  HRESULT reservado(const wchar_t* nombre) {
    libros_->llamadas.push_back(std::wstring(clase_) + L"." + nombre + L"()");
    return E_UNEXPECTED;
  }

 private:
  static DISPID buscar(const std::vector<const wchar_t*>& tabla, const wchar_t* nombre,
                       DISPID base) {
    for (size_t i = 0; i < tabla.size(); ++i)
      if (nombre && _wcsicmp(tabla[i], nombre) == 0) return base + static_cast<DISPID>(i);
    return DISPID_UNKNOWN;
  }
  void anotar(const wchar_t* miembro, const Argumentos& a) {
    std::wstring linea = std::wstring(clase_) + L"." + miembro + L"(";
    for (UINT i = 0; i < a.size(); ++i) linea += (i ? L", " : L"") + describir(a.crudo(i));
    linea += L")";
    for (size_t i = 0; i < parametros_.size(); ++i)
      if (const VARIANT* v = a.nombrado(1000 + static_cast<DISPID>(i)))
        linea += std::wstring(L" ") + parametros_[i] + L":=" + describir(*v);
    libros_->llamadas.push_back(std::move(linea));
  }

  std::shared_ptr<Libros> libros_;
  long refs_ = 1;
  const wchar_t* clase_;
  std::vector<const wchar_t*> miembros_, parametros_;
  bool enDiario_;
};

Objeto* propio(const VARIANT& v) {
  if (v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN) return nullptr;
  if (!v.punkVal) return nullptr;
  void* p = nullptr;
  if (FAILED(v.punkVal->QueryInterface(kIidPropio, &p))) return nullptr;
  auto* o = static_cast<Objeto*>(static_cast<ITemaUI*>(p));
  o->Release();  // the caller's variant keeps it alive
  return o;
}

std::wstring describir(const VARIANT& crudo) {
  const std::wstring prefijo = (crudo.vt & VT_BYREF) ? L"&" : L"";
  Var v = Argumentos::valorDe(crudo);
  switch (v.v.vt) {
    case VT_EMPTY:
      return prefijo + L"Empty";
    case VT_NULL:
      return prefijo + L"Null";
    case VT_I2:
      return prefijo + L"Integer:" + std::to_wstring(v.v.iVal);
    case VT_I4:
      return prefijo + L"Long:" + std::to_wstring(v.v.lVal);
    case VT_R8:
      return prefijo + L"Double:" + std::to_wstring(v.v.dblVal);
    case VT_CY:
      return prefijo + L"Currency:" + montoTexto(v.v.cyVal.int64);
    case VT_DATE:
      return prefijo + L"Date";
    case VT_BSTR:
      return prefijo + L"String:" + std::wstring(v.v.bstrVal, SysStringLen(v.v.bstrVal));
    case VT_BOOL:
      return prefijo + (v.v.boolVal ? L"Boolean:true" : L"Boolean:false");
    case VT_ERROR:
      return prefijo + (v.v.scode == DISP_E_PARAMNOTFOUND ? L"Missing" : L"Error");
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      if (!v.v.punkVal) return prefijo + L"Nothing";
      const Objeto* o = propio(v.v);
      return prefijo + L"Object:" + (o ? o->clase() : L"?");
    }
    default:
      return prefijo + L"vt" + std::to_wstring(v.v.vt);
  }
}

template <class T, class... A>
Var nuevo(A&&... args) {
  return Var::objeto(static_cast<ITemaUI*>(new T(std::forward<A>(args)...)));
}

// A forward-only recordset over rows computed when it was opened.
struct Tabla {
  std::vector<const wchar_t*> campos;
  std::vector<std::vector<Var>> filas;
};

class Recordset;

class Campo final : public Objeto {
 public:
  Campo(std::shared_ptr<Libros> l, Recordset* rs, size_t columna);
  ~Campo() override;

 protected:
  Var llamar(int, Argumentos& a) override;

 private:
  Recordset* rs_;
  size_t columna_;
};

class Recordset final : public Objeto {
 public:
  Recordset(std::shared_ptr<Libros> l, Tabla t)
      : Objeto(std::move(l), L"Recordset", {L"EOF", L"Fields", L"MoveNext"}, {}, false),
        t_(std::move(t)) {}
  const Var& valor(size_t columna) const {
    if (fila_ >= t_.filas.size()) fallar(L"No hay registro actual");
    return t_.filas[fila_][columna];
  }

 protected:
  Var llamar(int m, Argumentos& a) override {
    switch (m) {
      case 0:
        a.exigir(0);
        return Var::logico(fila_ >= t_.filas.size());
      case 1: {
        a.exigir(1);
        const std::wstring nombre = a.texto(0);
        for (size_t i = 0; i < t_.campos.size(); ++i)
          if (_wcsicmp(t_.campos[i], nombre.c_str()) == 0)
            return nuevo<Campo>(librosPtr(), this, i);
        fallar(L"El recordset no tiene el campo " + nombre);
      }
      default:
        a.exigir(0);
        if (fila_ < t_.filas.size()) ++fila_;
        return {};
    }
  }

 private:
  Tabla t_;
  size_t fila_ = 0;
};

Campo::Campo(std::shared_ptr<Libros> l, Recordset* rs, size_t columna)
    : Objeto(std::move(l), L"Field", {L"Value"}, {}, false), rs_(rs), columna_(columna) {
  rs_->AddRef();
}
Campo::~Campo() {
  rs_->Release();
}
Var Campo::llamar(int, Argumentos& a) {
  a.exigir(0);
  return rs_->valor(columna_);
}

class Empresa final : public Objeto {
 public:
  explicit Empresa(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"Empresa",
               {L"MascaraMonetarios", L"PComisVenta1", L"PComisVenta2", L"PComisVenta3",
                L"PComisCobranza1", L"PComisCobranza2", L"PComisCobranza3",
                L"CuentaGastosComisiones", L"CuentaCaja"}) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    a.exigir(0);
    if (m == 0) return Var::texto(L"#,##0.00");
    if (m <= 6) return Var::real(m <= 3 ? 5.0 : 3.0);
    return Var::texto(m == 7 ? L"6.1.01" : L"1.1.01");
  }
};

// The voucher: lines kept until Procesar, which posts it only when they add up to zero.
class BComprobante final : public Objeto {
 public:
  explicit BComprobante(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"BComprobante",
               {L"StartComprobante", L"AddDetalleValor", L"Procesar"}) {}
  void agregar(Linea linea) {
    if (!iniciado_ || procesado_) fallar(L"El comprobante no admite líneas");
    c_.lineas.push_back(std::move(linea));
  }

 protected:
  Var llamar(int m, Argumentos& a) override {
    switch (m) {
      case 0:
        a.exigir(3);
        a.fecha(0);
        c_.texto = a.texto(2);
        iniciado_ = true;
        return {};
      case 1:
        a.exigir(3);
        agregar({a.texto(0), a.texto(1), a.moneda(2)});
        return {};
      default: {
        a.exigir(0);
        Monto suma = 0;
        for (const Linea& l : c_.lineas) suma += l.monto;
        if (!iniciado_ || procesado_ || c_.lineas.empty() || suma != 0)
          fallar(L"Comprobante descuadrado por " + montoTexto(suma));
        escritura().comprobantes.push_back(c_);
        procesado_ = true;
        return {};
      }
    }
  }

 private:
  Comprobante c_;
  bool iniciado_ = false, procesado_ = false;
};

// A salesperson-account line, posted with the same amount on the salespeople account of the
// voucher.
class DetalleCE final : public Objeto {
 public:
  explicit DetalleCE(std::shared_ptr<Libros> l) : Objeto(std::move(l), L"DetalleCE", {L"Add"}) {}

 protected:
  Var llamar(int, Argumentos& a) override {
    a.exigir(7);
    if (a.entero(0) != 0 || a.texto(2) != L"VND")
      fallar(L"DetalleCE.Add: tipo o código desconocido");
    a.fecha(3);
    LineaVendedor linea{a.texto(1), a.texto(4), a.moneda(5)};
    a.objeto<BComprobante>(6)->agregar({L"2.1.04", linea.texto, linea.monto});
    escritura().cuentaVendedores.push_back(std::move(linea));
    return {};
  }
};

class RegistroVendedor final : public Objeto {
 public:
  RegistroVendedor(std::shared_ptr<Libros> l, std::wstring nombre)
      : Objeto(std::move(l), L"RegistroVendedor", {L"Nombre"}), nombre_(std::move(nombre)) {}

 protected:
  Var llamar(int, Argumentos& a) override {
    a.exigir(0);
    return Var::texto(nombre_);
  }

 private:
  std::wstring nombre_;
};

class RegistroBanco final : public Objeto {
 public:
  explicit RegistroBanco(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"RegistroBanco", {L"proximoCheque", L"RegistrarMovimiento"},
               {L"Imprimir"}) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    if (m == 0) {
      a.exigir(0);
      return Var::texto(std::to_wstring(libros().actual().proximoCheque));
    }
    a.exigir(8);
    const int tipo = a.entero(0);
    if (tipo != 0 && tipo != 4) fallar(L"Tipo de movimiento bancario desconocido");
    Estado& e = escritura();
    const Monto monto = a.moneda(4);
    const VARIANT* imprimir = a.nombrado(1000);
    e.banco.push_back({L"BAN01", tipo, monto, a.texto(5),
                       imprimir && imprimir->vt == VT_BOOL && imprimir->boolVal});
    if (tipo == 0) ++e.proximoCheque;
    a.objeto<BComprobante>(7)->agregar({L"1.1.02.001", a.texto(2), -monto});
    return {};
  }
};

// "Vendedor", "Banco" (lookup objects of the code boxes) and "banco" (code check).
class Fuente final : public Objeto {
 public:
  Fuente(std::shared_ptr<Libros> l, bool bancos)
      : Objeto(std::move(l), bancos ? L"Banco" : L"Vendedor", {L"Buscar", L"validarCodigo"}),
        bancos_(bancos) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    a.exigir(1);
    const std::wstring codigo = a.texto(0);
    const bool existe = codigo == (bancos_ ? L"BAN01" : L"V001");
    if (m == 1) return Var::logico(existe);
    if (!existe) return Var::objeto(nullptr);
    if (bancos_) return nuevo<RegistroBanco>(librosPtr());
    return nuevo<RegistroVendedor>(librosPtr(), L"Rosa Peña");
  }

 private:
  bool bancos_;
};

class MovCaja final : public Objeto {
 public:
  MovCaja(std::shared_ptr<Libros> l, int32_t numero)
      : Objeto(std::move(l), L"MovCaja", {L"Numero"}), numero_(numero) {}
  int32_t numero() const { return numero_; }

 protected:
  Var llamar(int, Argumentos& a) override {
    a.exigir(0);
    return Var::entero(numero_);
  }

 private:
  int32_t numero_;
};

// The cash box. The withdrawal writes back, through its by-reference amount, what is left to pay:
// nothing.
class Sesion final : public Objeto {
 public:
  explicit Sesion(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"Sesion", {L"RegistrarRetiro", L"UltimoMovCaja"}, {L"Beneficiario"}) {
  }

 protected:
  Var llamar(int m, Argumentos& a) override {
    if (m == 1) {
      a.exigir(0);
      if (!ultimo_) fallar(L"La caja no tiene movimientos");
      return nuevo<MovCaja>(librosPtr(), *ultimo_);
    }
    a.exigir(6);
    const VARIANT* beneficiario = a.nombrado(1000);
    if (a.entero(0) != 1 || !beneficiario) fallar(L"RegistrarRetiro: tipo o beneficiario");
    Estado& e = escritura();
    const Monto monto = a.moneda(1);
    Var b = Argumentos::valorDe(*beneficiario);
    if (b.v.vt != VT_BSTR) fallar(L"RegistrarRetiro: beneficiario");
    e.caja.push_back({e.proximoMovCaja, monto, b.v.bstrVal});
    ultimo_ = e.proximoMovCaja++;
    a.devolverMoneda(1, 0);
    return {};
  }

 private:
  std::optional<int32_t> ultimo_;
};

class Tema final : public Objeto {
 public:
  explicit Tema(std::shared_ptr<Libros> l) : Objeto(std::move(l), L"TemaUI", {}) {}

  // Reads the window's caption through its own IDispatch, the way a theme reads what it styles.
  HRESULT STDMETHODCALLTYPE aplicarTema(IDispatch** ventana) override {
    if (!ventana || !*ventana) return E_POINTER;
    std::wstring caption = L"?";
    LPOLESTR nombre = const_cast<LPOLESTR>(L"Caption");
    DISPID id = 0;
    DISPPARAMS sin{};
    Var r;
    if (SUCCEEDED((*ventana)->GetIDsOfNames(IID_NULL, &nombre, 1, 0, &id)) &&
        SUCCEEDED((*ventana)->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &sin, &r.v, nullptr,
                                     nullptr)) &&
        r.v.vt == VT_BSTR)
      caption = r.v.bstrVal;
    libros().llamadas.push_back(L"TemaUI.aplicarTema(&" + caption + L")");
    return S_OK;
  }

 protected:
  bool esTema() const override { return true; }
  Var llamar(int, Argumentos&) override { throw Fallo{DISP_E_MEMBERNOTFOUND, L""}; }
};

// The rows of the two queries the window makes on Facturas; any other statement is refused.
Tabla consultar(const Estado& e, const std::wstring& sql, const Argumentos& a) {
  Tabla t;
  if (sql.find(L"FROM Facturas WHERE ComisionAcreditada = 0") != std::wstring::npos) {
    a.exigir(3);
    const std::wstring vendedor = a.texto(1);
    const double hasta = a.fecha(2);
    const bool soloPagadas = sql.find(L"Saldo <= 0") != std::wstring::npos;
    t.campos = {L"numero",         L"serie",    L"correlativo", L"fechaTransaccion",
                L"precioEfectivo", L"Saldo",    L"Comision",    L"CodigoCliente",
                L"nombreCliente",  L"TotalIVA", L"MontoTotal",  L"pComis"};
    for (const Factura& f : e.facturas) {
      if (f.acreditada || f.comision <= 0 || f.vendedor != vendedor || f.fecha > hasta ||
          (soloPagadas && f.saldo > 0))
        continue;
      t.filas.push_back({Var::entero(f.numero), Var::texto(f.serie), Var::entero(f.correlativo),
                         Var::real(f.fecha, VT_DATE), Var::moneda(f.venta), Var::moneda(f.saldo),
                         Var::moneda(f.comision), Var::texto(f.codigoCliente),
                         Var::texto(f.cliente), Var::moneda(f.iva), Var::moneda(f.venta + f.iva),
                         Var::real(100.0 * f.comision / f.venta)});
    }
    return t;
  }
  if (sql.starts_with(
          L"SELECT Numero, Comision, ComisionAcreditada FROM Facturas WHERE Numero IN (")) {
    t.campos = {L"Numero", L"Comision", L"ComisionAcreditada"};
    for (UINT i = 1; i < a.size(); ++i)
      for (const Factura& f : e.facturas)
        if (f.numero == a.entero(i))
          t.filas.push_back(
              {Var::entero(f.numero), Var::moneda(f.comision), Var::entero(f.acreditada)});
    return t;
  }
  fallar(L"Consulta desconocida: " + sql);
}

void actualizar(Estado& e, const std::wstring& sql, const Argumentos& a) {
  const bool comision = sql == L"UPDATE Facturas SET Comision = ? WHERE Numero = ?";
  if (!comision && sql != L"UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?")
    fallar(L"Sentencia desconocida: " + sql);
  a.exigir(comision ? 3 : 2);
  const int32_t numero = a.entero(comision ? 2 : 1);
  for (Factura& f : e.facturas) {
    if (f.numero != numero) continue;
    if (comision) {
      f.comision = a.moneda(1);
    } else {
      f.acreditada = true;
    }
  }
}

class Fabrica final : public Objeto {
 public:
  explicit Fabrica(std::shared_ptr<Libros> l)
      : Objeto(std::move(l), L"HostFactory",
               {L"crearObjeto", L"TemaUI", L"getSysIcon", L"OpenRecordset", L"ExecuteSQL",
                L"SetGlobalLock", L"FreeGlobalLock", L"StartTransaction", L"CommitTransaction",
                L"AbortTransaction", L"SubmitDoc", L"mAdvertencia"}) {}

 protected:
  Var llamar(int m, Argumentos& a) override {
    Libros& l = libros();
    switch (m) {
      case 0: {
        a.exigir(1);
        const std::wstring clase = a.texto(0);
        if (clase == L"Empresa") return nuevo<Empresa>(librosPtr());
        if (clase == L"Vendedor") return nuevo<Fuente>(librosPtr(), false);
        if (clase == L"Banco" || clase == L"banco") return nuevo<Fuente>(librosPtr(), true);
        if (clase == L"BComprobante") return nuevo<BComprobante>(librosPtr());
        if (clase == L"DetalleCE") return nuevo<DetalleCE>(librosPtr());
        if (clase == L"Sesion") return nuevo<Sesion>(librosPtr());
        fallar(L"El anfitrión no tiene la clase " + clase);
      }
      case 1:
        a.exigir(0);
        return nuevo<Tema>(librosPtr());
      case 2:
        a.exigir(1);
        return Var::objeto(nullptr);  // no pictures: buttons go without icons
      case 3:
        if (a.size() < 1) throw Fallo{DISP_E_BADPARAMCOUNT, L""};
        return nuevo<Recordset>(librosPtr(), consultar(l.actual(), a.texto(0), a));
      case 4:
        if (a.size() < 1) throw Fallo{DISP_E_BADPARAMCOUNT, L""};
        actualizar(escritura(), a.texto(0), a);
        return {};
      case 5:
        a.exigir(1);
        if (l.bloqueo) fallar(L"El bloqueo " + *l.bloqueo + L" ya está tomado");
        l.bloqueo = a.texto(0);
        return {};
      case 6:
        l.bloqueo.reset();
        return {};
      case 7:
        if (l.abierta) fallar(L"Ya hay una transacción abierta");
        l.abierta = l.firme;
        return {};
      case 8:
        l.firme = escritura();
        l.abierta.reset();
        return {};
      case 9:
        l.abierta.reset();
        return {};
      case 10: {
        a.exigir(1);
        const int32_t n = a.objeto<MovCaja>(0)->numero();
        for (MovimientoCaja& c : escritura().caja)
          if (c.numero == n) c.enviado = true;
        return {};
      }
      default:
        a.exigir(1);
        return {};
    }
  }
};

double fecha(int anio, int mes, int dia) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(anio);
  st.wMonth = static_cast<WORD>(mes);
  st.wDay = static_cast<WORD>(dia);
  double d = 0;
  SystemTimeToVariantTime(&st, &d);
  return d;
}

}  // namespace

std::shared_ptr<Libros> Libros::demo() {
  auto l = std::make_shared<Libros>();
  l->firme.facturas = {
      {1, L"A", 42, fecha(2020, 3, 1), pesos(1000), pesos(120), 0, pesos(50), L"C01",
       L"Abastos Uno", L"V001"},
      {2, L"A", 43, fecha(2020, 3, 2), pesos(500), pesos(60), 0, pesos(25.5), L"C02",
       L"Bodega Ñandú", L"V001"},
      {3, L"B", 7, fecha(2020, 3, 3), pesos(200), pesos(24), 0, pesos(10), L"C03", L"Casa Tres",
       L"V001"},
  };
  return l;
}

int objetosVivos() {
  return vivos;
}

IDispatch* nuevaFabrica(std::shared_ptr<Libros> libros) {
  return new Fabrica(std::move(libros));
}

std::string utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::wstring utf16(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

}  // namespace winhost
