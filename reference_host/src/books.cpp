#include "host/books.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

#include "automation/currency.h"
#include "automation/date.h"
#include "host/errors.h"

namespace host {

using automation::Currency;
using automation::Date;

void createSchema(Database& db) { db.createSchema(); }

namespace {

// splitmix64: a fixed sequence, so the demo books are the same on every machine and every run.
class Sequence {
 public:
  explicit Sequence(uint64_t start) : state_(start) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  int64_t between(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(next() % static_cast<uint64_t>(hi - lo + 1));
  }
  bool percent(int p) { return between(1, 100) <= p; }

 private:
  uint64_t state_;
};

// cents * rate / 10000, rounded half up (rate in hundredths of a percent).
int64_t share(int64_t cents, int64_t basisPoints) {
  return (cents * basisPoints + 5000) / 10000;
}

Currency cents(int64_t c) { return Currency::fromRaw(c * 100); }

struct Seller {
  const char* code;
  const char* name;
  int64_t rateBp;  // the commission rate the salesperson earns, in hundredths of a percent
};

constexpr std::array<Seller, 5> kSellers{{
    {"V001", "Rosalba Quintero", 300},
    {"V002", "Ernesto Villalobos", 500},
    {"V003", "Marisela Tovar", 400},
    {"V004", "Gustavo Arismendi", 300},
    {"V005", "Yolimar Peraza", 250},
}};

constexpr std::array<const char*, 40> kCustomers{{
    "Abastos La Candelaria, C.A.",
    "Ferreteria El Tornillo Feliz",
    "Panaderia San Judas",
    "Distribuidora Marisol, S.R.L.",
    "Farmacia Nueva Esparta",
    "Comercial Hermanos Rangel",
    "Bodegon Los Samanes",
    "Libreria El Estudiante",
    "Papeleria Central de Oriente",
    "Supermercado La Economia",
    "Licoreria Punto Fijo",
    "Agropecuaria El Rodeo",
    "Taller Mecanico Los Andes",
    "Inversiones y Representaciones Agropecuarias del Llano Central, C.A.",
    "Restaurant El Fogon Criollo",
    "Hotel Playa Dorada",
    "Zapateria La Moda",
    "Optica Vision Clara",
    "Clinica Veterinaria San Francisco",
    "Muebleria El Descanso",
    "Autorepuestos La Rotaria",
    "Frigorifico Los Llanos",
    "Inversiones Guaicaipuro",
    "Bazar La Esquina",
    "Charcuteria El Buen Gusto",
    "Distribuidora Cumana",
    "Materiales de Construccion Tepuy",
    "Floristeria Las Orquideas",
    "Consultorio Odontologico Sonrisas",
    "Lavanderia Burbujas",
    "Perfumeria Aroma",
    "Colegio Santa Rosa",
    "Heladeria Polo Norte",
    "Cerrajeria Llave Maestra",
    "Electrodomesticos El Faro",
    "Pescaderia Margarita",
    "Tienda Naturista Vida Sana",
    "Carniceria La Vaquera",
    "Jugueteria Arcoiris",
    "Quincalleria Don Pedro",
}};

std::string customerCode(size_t i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "C%04zu", i + 1);
  return buf;
}

}  // namespace

void writeDemoBooks(Database& db) {
  Savepoint unit(db);

  auto company = db.prepare(
      "INSERT INTO empresa (id, nombre, MascaraMonetarios, PComisVenta1, PComisVenta2, "
      "PComisVenta3, PComisCobranza1, PComisCobranza2, PComisCobranza3, CuentaGastosComisiones, "
      "CuentaCaja, CuentaVendedores) VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  company.bind(1, std::string_view("Distribuidora Costa Azul, C.A."));
  company.bind(2, std::string_view("#,##0.00"));
  const double percentages[] = {3, 5, 4, 2, 2.5, 1};
  for (int i = 0; i < 6; ++i) company.bind(3 + i, automation::Variant(percentages[i]));
  company.bind(9, std::string_view("6.1.05.001"));   // commission expense
  company.bind(10, std::string_view("1.1.01.001"));  // cash box
  company.bind(11, std::string_view("2.1.04.001"));  // salespeople's balances
  company.run();

  auto seller = db.prepare("INSERT INTO vendedores (codigo, nombre) VALUES (?, ?)");
  for (const auto& s : kSellers) {
    seller.reset();
    seller.bind(1, std::string_view(s.code));
    seller.bind(2, std::string_view(s.name));
    seller.run();
  }

  auto customer = db.prepare("INSERT INTO clientes (codigo, nombre) VALUES (?, ?)");
  for (size_t i = 0; i < kCustomers.size(); ++i) {
    customer.reset();
    customer.bind(1, customerCode(i));
    customer.bind(2, std::string_view(kCustomers[i]));
    customer.run();
  }

  db.exec(
      "INSERT INTO bancos (codigo, nombre, cuenta, proximo_cheque) VALUES "
      "('BAN01', 'Banco Meridional', '1.1.02.001', 1001), "
      "('BAN02', 'Banco Andino de Fomento', '1.1.02.002', 523)");

  auto invoice = db.prepare(
      "INSERT INTO Facturas (Numero, Serie, Correlativo, FechaTransaccion, CodigoCliente, "
      "nombreCliente, codigoVendedor, PrecioEfectivo, Impuesto1, Impuesto2, Saldo, Comision, "
      "ComisionAcreditada) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  Sequence seq(20261130);
  int64_t numero = 1001;
  int64_t correlativoA = 4210, correlativoB = 118;
  const Date first = Date::fromYmd(2026, 7, 1);
  const Date cutOff = Date::fromYmd(2026, 11, 30);
  const Date creditedBefore = Date::fromYmd(2026, 9, 1);
  const Date recent = Date::fromYmd(2026, 10, 1);

  auto add = [&](const std::string& fecha, size_t cust, const Seller& s, int64_t price,
                 bool extraTax, int64_t saldo, int64_t commission, bool credited) {
    bool serieA = seq.percent(80);
    int64_t tax1 = share(price, 1600);
    int64_t tax2 = extraTax ? share(price, 300) : 0;
    invoice.reset();
    invoice.bind(1, numero++);
    invoice.bind(2, std::string_view(serieA ? "A" : "B"));
    invoice.bind(3, serieA ? correlativoA++ : correlativoB++);
    invoice.bind(4, std::string_view(fecha));
    invoice.bind(5, customerCode(cust));
    invoice.bind(6, std::string_view(kCustomers[cust]));
    invoice.bind(7, std::string_view(s.code));
    invoice.bind(8, automation::Variant(cents(price)));
    invoice.bind(9, automation::Variant(cents(tax1)));
    invoice.bind(10, automation::Variant(cents(tax2)));
    invoice.bind(11, automation::Variant(cents(saldo < 0 ? price + tax1 + tax2 : saldo)));
    invoice.bind(12, automation::Variant(cents(commission)));
    invoice.bind(13, static_cast<int64_t>(credited ? 1 : 0));
    invoice.run();
  };

  for (double serial = first.serial(); serial <= cutOff.serial(); serial += 1) {
    Date day = Date::fromSerial(serial);
    int weekday = static_cast<int>(static_cast<int64_t>(serial) % 7);  // 1899-12-30 was a Saturday
    if (weekday == 1) continue;  // Sundays closed
    std::string fecha = booksDateText(day);
    int count = static_cast<int>(seq.between(1, 4));
    for (int k = 0; k < count; ++k) {
      const Seller& s = kSellers[static_cast<size_t>(seq.between(0, 4))];
      size_t cust = static_cast<size_t>(seq.between(0, kCustomers.size() - 1));
      int64_t price = seq.between(50, 8000) * 100 + seq.between(0, 99);
      bool extraTax = seq.percent(10);
      int64_t total = price + share(price, 1600) + (extraTax ? share(price, 300) : 0);
      int paidChance = day < recent ? 85 : 50;
      int64_t saldo = 0;
      if (!seq.percent(paidChance)) saldo = seq.percent(50) ? -1 : seq.between(1, total - 1);
      int64_t commission = seq.percent(4) ? 0 : share(price, s.rateBp);
      bool credited = day < creditedBefore && saldo == 0 && seq.percent(70);
      add(fecha, cust, s, price, extraTax, saldo, commission, credited);
    }
  }

  // Cases worth having in every demo: one invoice on the cut-off day with a time of day (not
  // listed with that cut-off date, as 15:20 is after the day's start), one on the cut-off day
  // without a time, one for the customer with the long name, a commission on a zero net sale,
  // and a balance of one cent.
  add("2026-11-30 15:20:00", 4, kSellers[0], 125050, false, 0, share(125050, 300), false);
  add("2026-11-30", 6, kSellers[0], 48000, false, 0, share(48000, 300), false);
  add("2026-11-27", 13, kSellers[0], 734590, true, 0, share(734590, 300), false);
  add("2026-11-16", 2, kSellers[0], 0, false, 0, 1500, false);
  add("2026-11-20", 9, kSellers[0], 20000, false, 1, share(20000, 300), false);

  unit.release();
}

void initDemoBooks(Database& db) {
  auto turn = db.lock("tessaline-books-setup", 60);
  Transaction txn(db);
  if (db.hasBooks())
    raiseHost(hosterr::kDatabase, "the database " + db.describe() +
                                      " holds books already; demo books are written only into an empty one");
  createSchema(db);
  writeDemoBooks(db);
  txn.commit();
}

bool createDemoBooks(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return false;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  auto temp = path;
  temp += ".building-" + std::to_string(::getpid());
  std::filesystem::remove(temp, ec);
  try {
    {
      auto db = Database::create(temp);
      createSchema(*db);
      writeDemoBooks(*db);
    }
    // link() refuses to replace: books created meanwhile by someone else are kept.
    if (::link(temp.c_str(), path.c_str()) != 0) {
      int e = errno;
      std::filesystem::remove(temp, ec);
      if (e == EEXIST) return false;
      raiseHost(hosterr::kDatabase, "cannot create the books " + path.string() + ": " +
                                        std::generic_category().message(e));
    }
    std::filesystem::remove(temp, ec);
  } catch (...) {
    std::filesystem::remove(temp, ec);
    throw;
  }
  return true;
}

}  // namespace host
