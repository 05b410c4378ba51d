#include "host/printing.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <system_error>

#include "host/errors.h"
#include "text/utf8.h"

namespace host {

using automation::Currency;

namespace {

constexpr std::array<const char*, 30> kUpTo29{
    "CERO",       "UNO",        "DOS",        "TRES",        "CUATRO",      "CINCO",
    "SEIS",       "SIETE",      "OCHO",       "NUEVE",       "DIEZ",        "ONCE",
    "DOCE",       "TRECE",      "CATORCE",    "QUINCE",      "DIECISEIS",   "DIECISIETE",
    "DIECIOCHO",  "DIECINUEVE", "VEINTE",     "VEINTIUNO",   "VEINTIDOS",   "VEINTITRES",
    "VEINTICUATRO", "VEINTICINCO", "VEINTISEIS", "VEINTISIETE", "VEINTIOCHO", "VEINTINUEVE"};
constexpr std::array<const char*, 10> kTens{"",        "",         "",        "TREINTA",
                                            "CUARENTA", "CINCUENTA", "SESENTA", "SETENTA",
                                            "OCHENTA",  "NOVENTA"};
constexpr std::array<const char*, 10> kHundreds{"",           "CIENTO",      "DOSCIENTOS",
                                                "TRESCIENTOS", "CUATROCIENTOS", "QUINIENTOS",
                                                "SEISCIENTOS", "SETECIENTOS",  "OCHOCIENTOS",
                                                "NOVECIENTOS"};

// 1..999. `shortOne`: "UNO" becomes "UN" before MIL, MILLON(ES), BILLON(ES).
std::string below1000(int64_t n, bool shortOne) {
  std::string out;
  int64_t h = n / 100, rest = n % 100;
  if (h > 0) out = (n == 100) ? "CIEN" : kHundreds[static_cast<size_t>(h)];
  if (rest > 0) {
    if (!out.empty()) out += ' ';
    std::string part;
    if (rest < 30) {
      part = kUpTo29[static_cast<size_t>(rest)];
    } else {
      part = kTens[static_cast<size_t>(rest / 10)];
      if (rest % 10 != 0) part += std::string(" Y ") + kUpTo29[static_cast<size_t>(rest % 10)];
    }
    if (shortOne && part.ends_with("UNO")) part.resize(part.size() - 1);
    out += part;
  }
  return out;
}

// 1..999999.
std::string below1e6(int64_t n, bool shortOne) {
  int64_t thousands = n / 1000, rest = n % 1000;
  std::string out;
  if (thousands == 1) {
    out = "MIL";
  } else if (thousands > 1) {
    out = below1000(thousands, true) + " MIL";
  }
  if (rest > 0) {
    if (!out.empty()) out += ' ';
    out += below1000(rest, shortOne);
  }
  return out;
}

std::string wholeInWords(int64_t n) {
  if (n == 0) return "CERO";
  std::string out;
  auto append = [&out](const std::string& part) {
    if (part.empty()) return;
    if (!out.empty()) out += ' ';
    out += part;
  };
  int64_t billions = n / 1000000000000, millions = (n / 1000000) % 1000000, rest = n % 1000000;
  if (billions > 0) append(billions == 1 ? "UN BILLON" : below1e6(billions, true) + " BILLONES");
  if (millions > 0) append(millions == 1 ? "UN MILLON" : below1e6(millions, true) + " MILLONES");
  if (rest > 0) append(below1e6(rest, false));
  return out;
}

// Drawing text fills cairo's and fontconfig's process-wide caches; they are emptied at exit so
// that leak checkers see only what the host itself keeps.
struct FontCachesAtExit {
  bool used = false;
  ~FontCachesAtExit() {
    if (!used) return;
    cairo_debug_reset_static_data();
    FcFini();
  }
};

FontCachesAtExit& fontCaches() {
  static FontCachesAtExit caches;
  return caches;
}

void setFont(cairo_t* cr, double size, bool bold) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

// Draws text at (x, y), shrinking the font until it fits within maxWidth.
void text(cairo_t* cr, double x, double y, const std::string& s, double size, bool bold,
          double maxWidth) {
  setFont(cr, size, bold);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, s.c_str(), &ext);
  while (ext.x_advance > maxWidth && size > 5) {
    size -= 0.5;
    setFont(cr, size, bold);
    cairo_text_extents(cr, s.c_str(), &ext);
  }
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s.c_str());
}

void textRight(cairo_t* cr, double right, double y, const std::string& s, double size, bool bold) {
  setFont(cr, size, bold);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, s.c_str(), &ext);
  cairo_move_to(cr, right - ext.x_advance, y);
  cairo_show_text(cr, s.c_str());
}


}  // namespace

std::string amountInWords(Currency amount) {
  int64_t raw = amount.raw();
  bool negative = raw < 0;
  // |raw| without overflow: the smallest Currency has no positive counterpart.
  uint64_t mag = negative ? static_cast<uint64_t>(-(raw + 1)) + 1 : static_cast<uint64_t>(raw);
  int64_t whole = static_cast<int64_t>(mag / 10000);
  int64_t fraction = static_cast<int64_t>(mag % 10000);
  char frac[32];
  if (fraction % 100 == 0) {
    std::snprintf(frac, sizeof frac, "%02lld/100", static_cast<long long>(fraction / 100));
  } else {
    std::snprintf(frac, sizeof frac, "%04lld/10000", static_cast<long long>(fraction));
  }
  return std::string(negative ? "MENOS " : "") + wholeInWords(whole) + " CON " + frac;
}

std::string amountInFigures(Currency amount, const automation::NumberSymbols& symbols) {
  int64_t raw = amount.raw();
  bool negative = raw < 0;
  uint64_t mag = negative ? static_cast<uint64_t>(-(raw + 1)) + 1 : static_cast<uint64_t>(raw);
  std::string digits = std::to_string(mag / 10000);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += text::utf8::encode(symbols.thousands);
    grouped += digits[i];
  }
  uint64_t fraction = mag % 10000;
  char frac[8];
  if (fraction % 100 == 0) {
    std::snprintf(frac, sizeof frac, "%02llu", static_cast<unsigned long long>(fraction / 100));
  } else {
    std::snprintf(frac, sizeof frac, "%04llu", static_cast<unsigned long long>(fraction));
  }
  return (negative ? "-" : "") + grouped + text::utf8::encode(symbols.decimal) + frac;
}

std::string printTag(const Database& db) {
  char tag[9];
  std::snprintf(tag, sizeof tag, "%08x",
                static_cast<unsigned>(static_cast<uint64_t>(serverLockKey(db.identity())) & 0xFFFFFFFFu));
  return tag;
}

std::string printFileName(const BankDocument& doc, const std::string& tag) {
  // Letters and digits of ASCII and '-' only, and short: the name is valid on any file system
  // whatever the books hold.
  auto safe = [](const std::string& s) {
    std::string out;
    for (unsigned char c : s) out += (std::isalnum(c) || c == '-') ? static_cast<char>(c) : '_';
    out.resize(std::min<size_t>(out.size(), 40));
    return out.empty() ? std::string("_") : out;
  };
  return std::string(doc.kind == BankDocument::Cheque ? "cheque-" : "transferencia-") +
         safe(doc.bankCode) + "-" + safe(doc.reference) + "-m" + std::to_string(doc.movement) + "-" + tag +
         ".pdf";
}

void renderBankDocument(const BankDocument& doc, const automation::NumberSymbols& symbols,
                        const std::filesystem::path& file) {
  fontCaches().used = true;
  const double width = 612, height = 288, margin = 28;
  cairo_surface_t* surface = cairo_pdf_surface_create(file.c_str(), width, height);
  cairo_t* cr = cairo_create(surface);
  bool cheque = doc.kind == BankDocument::Cheque;
  std::string figures = amountInFigures(doc.amount, symbols);

  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0.15, 0.2, 0.35);
  cairo_set_line_width(cr, 1.2);
  cairo_rectangle(cr, 10, 10, width - 20, height - 20);
  cairo_stroke(cr);

  double inner = width - 2 * margin;
  text(cr, margin, 44, doc.bankName + " (" + doc.bankCode + ")", 15, true, inner * 0.6);
  textRight(cr, width - margin, 44,
            (cheque ? "Cheque No. " : "Transferencia No. ") + doc.reference, 13, true);
  text(cr, margin, 70, "Fecha: " + doc.date.toIsoDate(), 11, false, inner / 2);
  if (!cheque)
    textRight(cr, width - margin, 70, "Fecha valor: " + doc.valueDate.toIsoDate(), 11, false);

  text(cr, margin, 112,
       (cheque ? "P\xC3\xA1guese a la orden de: " : "Beneficiario: ") + doc.beneficiary, 12,
       false, inner - 170);
  cairo_rectangle(cr, width - margin - 160, 94, 160, 26);
  cairo_stroke(cr);
  textRight(cr, width - margin - 8, 112, "***" + figures + "***", 12, true);

  text(cr, margin, 148, "La cantidad de: " + amountInWords(doc.amount), 11, false, inner);
  text(cr, margin, 180, "Concepto: " + doc.description, 10, false, inner);
  text(cr, margin, 250, "Movimiento bancario No. " + std::to_string(doc.movement), 8, false,
       inner / 2);
  cairo_move_to(cr, width - margin - 180, 236);
  cairo_line_to(cr, width - margin, 236);
  cairo_stroke(cr);
  textRight(cr, width - margin - 50, 250, "Firma autorizada", 8, false);

  cairo_show_page(cr);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  // On disk before the movement commits: a host that dies after the commit leaves a whole file.
  if (status == CAIRO_STATUS_SUCCESS) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) status = CAIRO_STATUS_WRITE_ERROR;
    if (fd >= 0) ::close(fd);
  }
  if (status != CAIRO_STATUS_SUCCESS) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    raiseHost(hosterr::kPrinting, "cannot print " + file.string() + ": " +
                                      cairo_status_to_string(status));
  }
}

namespace {

struct NameParts {
  int64_t movement = 0;
  std::string tag;
};

bool allOf(std::string_view s, std::string_view chars) {
  return !s.empty() && s.find_first_not_of(chars) == std::string_view::npos;
}

// The movement and the books' tag a printout's name carries: "...-m17-3fa2c1d0.pdf", or a
// further copy "...-m17-3fa2c1d0-2.pdf".
std::optional<NameParts> nameParts(std::string_view name) {
  if (!name.ends_with(".pdf")) return std::nullopt;
  name.remove_suffix(4);
  std::vector<std::string_view> last;  // the last three parts between '-', last first
  while (last.size() < 3) {
    const size_t dash = name.rfind('-');
    if (dash == std::string_view::npos) return std::nullopt;
    last.push_back(name.substr(dash + 1));
    name = name.substr(0, dash);
  }
  constexpr std::string_view kHex = "0123456789abcdef", kDigits = "0123456789";
  size_t at = 0;
  if (!(last[0].size() == 8 && allOf(last[0], kHex))) at = allOf(last[0], kDigits) ? 1 : 3;
  if (at > 1 || last[at].size() != 8 || !allOf(last[at], kHex)) return std::nullopt;
  const std::string_view m = last[at + 1];
  if (m.size() < 2 || m.size() > 19 || m[0] != 'm' || !allOf(m.substr(1), kDigits)) return std::nullopt;
  return NameParts{std::stoll(std::string(m.substr(1))), std::string(last[at])};
}

}  // namespace

std::filesystem::path pendingPrintout(const std::filesystem::path& dir, const std::string& name) {
  return dir / ("." + name + "." + std::to_string(::getpid()) + ".part");
}

std::filesystem::path makePrintoutFinal(const std::filesystem::path& pending, const std::string& name) {
  const std::string stem = name.ends_with(".pdf") ? name.substr(0, name.size() - 4) : name;
  for (int copy = 1; copy < 1000; ++copy) {
    const auto target = pending.parent_path() / (copy == 1 ? name : stem + "-" + std::to_string(copy) + ".pdf");
    if (::renameat2(AT_FDCWD, pending.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return target;
    int e = errno;
    if (e == EINVAL) {  // a file system that cannot rename without replacing: link, then unlink
      if (::link(pending.c_str(), target.c_str()) == 0) {
        ::unlink(pending.c_str());
        return target;
      }
      e = errno;
    }
    if (e != EEXIST)
      raiseHost(hosterr::kPrinting,
                "cannot give the printout its name " + target.string() + ": " + std::generic_category().message(e));
  }
  raiseHost(hosterr::kPrinting, "cannot give the printout a name in " + pending.parent_path().string() +
                                    ": every copy of " + name + " is taken");
}

std::optional<BankDocument> bankDocumentFromBooks(Database& db, int64_t movement) {
  auto st = db.prepare(
      "SELECT m.tipo, m.banco, b.nombre, m.fecha, m.fecha_valor, m.descripcion, m.beneficiario, m.referencia, "
      "m.monto FROM movimientos_banco m LEFT JOIN bancos b ON b.codigo = m.banco WHERE m.numero = ?");
  st.bind(1, movement);
  if (!st.step()) return std::nullopt;
  BankDocument doc;
  doc.kind = static_cast<int>(st.columnInt(0));
  doc.movement = movement;
  doc.bankCode = st.columnText(1);
  doc.bankName = st.isNull(2) ? doc.bankCode : st.columnText(2);
  doc.date = automation::cDate(st.value(3)).dateOnly();
  doc.valueDate = automation::cDate(st.value(4)).dateOnly();
  doc.description = st.columnText(5);
  doc.beneficiary = st.columnText(6);
  doc.reference = st.columnText(7);
  doc.amount = st.columnCurrency(8);
  st.reset();
  return doc;
}

std::filesystem::path reprintBankDocument(Database& db, int64_t movement, const automation::NumberSymbols& symbols,
                                          const std::filesystem::path& dir) {
  const auto doc = bankDocumentFromBooks(db, movement);
  if (!doc) raiseHost(hosterr::kNotFound, "the books have no bank movement " + std::to_string(movement));
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string name = printFileName(*doc, printTag(db));
  const auto pending = pendingPrintout(dir, name);
  renderBankDocument(*doc, symbols, pending);
  try {
    return makePrintoutFinal(pending, name);
  } catch (...) {
    std::filesystem::remove(pending, ec);
    throw;
  }
}

std::vector<std::string> recoverPrintouts(Database& db, const std::filesystem::path& dir) {
  std::vector<std::string> done;
  std::error_code ec;
  std::vector<std::filesystem::path> stale;
  for (auto it = std::filesystem::directory_iterator(dir, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    // ".<printout>.<pid>.part"
    if (!name.starts_with(".") || !name.ends_with(".part")) continue;
    std::string stem = name.substr(0, name.size() - 5);
    size_t dot = stem.rfind('.');
    if (dot == std::string::npos) continue;
    long pid = std::strtol(stem.c_str() + dot + 1, nullptr, 10);
    if (pid <= 0) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) stale.push_back(it->path());
  }
  const std::string tag = printTag(db);
  for (const auto& part : stale) {
    const std::string name = part.filename().string();
    const std::string finalName = name.substr(1, name.rfind('.', name.size() - 6) - 1);
    const auto parts = nameParts(finalName);
    if (parts && parts->tag != tag) continue;
    std::optional<BankDocument> doc;
    bool printed = false;
    if (parts) {
      doc = bankDocumentFromBooks(db, parts->movement);
      auto st = db.prepare("SELECT impreso FROM movimientos_banco WHERE numero = ?");
      st.bind(1, parts->movement);
      printed = st.step() && st.columnInt(0) != 0;
      st.reset();
    }
    std::error_code exists;
    if (doc && printed && printFileName(*doc, tag) == finalName &&
        !std::filesystem::exists(part.parent_path() / finalName, exists)) {
      try {
        done.push_back("made final the printout " + makePrintoutFinal(part, finalName).string() +
                       " of a host that ended after committing it");
      } catch (const automation::Error& e) {
        done.push_back(e.description());
      }
      continue;
    }
    std::filesystem::remove(part, ec);
  }
  return done;
}

std::optional<Printout> printoutOf(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  const auto written = std::filesystem::last_write_time(file, ec);
  if (ec) return std::nullopt;
  const std::time_t t = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written)));
  std::tm local{};
  localtime_r(&t, &local);
  Printout p{file,
                  automation::Date::fromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                            local.tm_min, local.tm_sec),
                  std::nullopt, {}};
  if (const auto parts = nameParts(file.filename().string())) {
    p.movement = parts->movement;
    p.books = parts->tag;
  }
  return p;
}

std::vector<Printout> listPrintouts(const std::filesystem::path& dir) {
  std::vector<Printout> out;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(dir, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(".") || !name.ends_with(".pdf")) continue;
    if (auto p = printoutOf(it->path())) out.push_back(std::move(*p));
  }
  std::sort(out.begin(), out.end(), [](const Printout& a, const Printout& b) {
    if (a.written != b.written) return a.written > b.written;
    return a.file.filename() < b.file.filename();
  });
  return out;
}

}  // namespace host
