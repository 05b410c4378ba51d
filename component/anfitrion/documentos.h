#pragma once
// The host objects the window creates by class name (Globales::crearObjeto) or finds through its
// lookup boxes. Parameters the host receives by reference are `automation::Variant&`; where the
// same member is called both ways, the parameter is an `automation::Arg` (Arg(value) or
// Arg::ref(variable)).

#include <cstdint>
#include <string>

#include "automation/date.h"
#include "anfitrion/host_object.h"

namespace tessaline::anfitrion {

// "BComprobante": an accounting voucher.
class Comprobante final : public HostObject {
 public:
  using HostObject::HostObject;
  void startComprobante(automation::Date fecha, const std::string& referencia, const std::string& texto) const {
    static constinit Site site("StartComprobante", kMethod);
    call(site, {automation::Arg(fecha), automation::Arg(referencia), automation::Arg(texto)});
  }
  void addDetalleValor(const automation::Variant& cuenta, const std::string& texto, automation::Arg monto) const {
    static constinit Site site("AddDetalleValor", kMethod);
    call(site, {automation::Arg(cuenta), automation::Arg(texto), std::move(monto)});
  }
  void procesar() const {
    static constinit Site site("Procesar", kMethod);
    call(site);
  }
};

// "DetalleCE": lines of a salesperson's account.
class DetalleCE final : public HostObject {
 public:
  using HostObject::HostObject;
  void add(int16_t tipo, const std::string& vendedor, const std::string& codigo, automation::Date fecha,
           automation::Arg texto, automation::Arg monto, const automation::ObjectRef& comprobante) const {
    static constinit Site site("Add", kMethod);
    call(site, {automation::Arg(tipo), automation::Arg(vendedor), automation::Arg(codigo), automation::Arg(fecha),
                std::move(texto), std::move(monto), automation::Arg(comprobante)});
  }
};

// The bank record a bank lookup box finds ("registro" of codigoBanco).
class BancoRegistro final : public HostObject {
 public:
  using HostObject::HostObject;
  // The bank's next cheque number, as text.
  std::string proximoCheque() const {
    static constinit Site site("proximoCheque", kMethod);
    return automation::cStr(call(site));
  }
  // Records (and, with imprimir, prints) a cheque (tipo 0) or a transfer (tipo 4).
  void registrarMovimiento(int16_t tipo, automation::Date fecha, const std::string& texto,
                           const std::string& beneficiario, automation::Variant& monto, const std::string& referencia,
                           automation::Date fechaValor, const automation::ObjectRef& comprobante, bool imprimir) const {
    static constinit Site site("RegistrarMovimiento", kMethod);
    call(site,
         {automation::Arg(tipo), automation::Arg(fecha), automation::Arg(texto), automation::Arg(beneficiario),
          automation::Arg::ref(monto), automation::Arg(referencia), automation::Arg(fechaValor),
          automation::Arg(comprobante)},
         {automation::NamedArg{"Imprimir", automation::Arg(imprimir)}});
  }
};

// "banco": checks a bank code that the lookup box did not resolve.
class Banco final : public HostObject {
 public:
  using HostObject::HostObject;
  automation::Variant validarCodigo(const std::string& codigo) const {
    static constinit Site site("validarCodigo", kMethod);
    return call(site, {automation::Arg(codigo)});
  }
};

// The salesperson record a salesperson lookup box finds.
class VendedorRegistro final : public HostObject {
 public:
  using HostObject::HostObject;
  automation::Variant nombre() const {
    static constinit Site site("Nombre", kGet);
    return call(site);
  }
};

// "Sesion": the cash box.
class Sesion final : public HostObject {
 public:
  using HostObject::HostObject;
  void registrarRetiro(int16_t tipo, automation::Variant& monto, const std::string& texto,
                       const automation::ObjectRef& documento, const std::string& codigo, const std::string& vendedor,
                       const std::string& beneficiario) const {
    static constinit Site site("RegistrarRetiro", kMethod);
    call(site,
         {automation::Arg(tipo), automation::Arg::ref(monto), automation::Arg(texto), automation::Arg(documento),
          automation::Arg(codigo), automation::Arg(vendedor)},
         {automation::NamedArg{"Beneficiario", automation::Arg(beneficiario)}});
  }
  // The cash movement just made (an object with Numero).
  automation::Variant ultimoMovCaja() const {
    static constinit Site site("UltimoMovCaja", kGet);
    return call(site);
  }
};

// "Factura": the host's invoice document and viewer.
class Factura final : public HostObject {
 public:
  using HostObject::HostObject;
  // Boolean (or Null) found; the invoice number is passed by reference.
  automation::Variant load(automation::Variant& numero) const {
    static constinit Site site("Load", kMethod);
    return call(site, {automation::Arg::ref(numero)});
  }
  void show() const {
    static constinit Site site("Show", kMethod);
    call(site);
  }
};

// "CLIENTE": the host's customer record and viewer.
class Cliente final : public HostObject {
 public:
  using HostObject::HostObject;
  automation::Variant load(const std::string& codigo) const {
    static constinit Site site("Load", kMethod);
    return call(site, {automation::Arg(codigo)});
  }
  void show() const {
    static constinit Site site("Show", kMethod);
    call(site);
  }
};

}  // namespace tessaline::anfitrion
