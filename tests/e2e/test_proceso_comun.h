#pragma once
// What the commission cut scripts share: small books written here, runs of tessaline-host
// (whole scripts, or a live host fed line by line), the journal, every table of the books as
// text, and the state of the named lock.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/books.h"
#include "host/database.h"
#include "host/named_lock.h"

#ifndef TESSALINE_HOST_PROGRAM
#error "TESSALINE_HOST_PROGRAM must name the tessaline-host program"
#endif

namespace corte {

namespace fs = std::filesystem;
using nlohmann::json;

inline constexpr const char* kHoy = "2026-12-01";
inline constexpr const char* kFuente = "SelectFacturas::cbProcesar_Click";

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "corte-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Books for the cut: salesperson V1 with four open invoices (one with a long customer name with
// accents), one invoice credited already and one of another salesperson; two banks.
//   row 1  A-0000042  Abastos Uno               net 1000.00  commission 30.00
//   row 2  A-0000043  Ferretería Dos            net  700.00  commission 10.00
//   row 3  B-0000007  (long name, 61 chars)     net 1234.56  commission 61.73
//   row 4  B-0000008  Abastos Uno               net  500.00  commission 15.00
inline constexpr const char* kClienteLargo = "Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima";

inline void escribirLibros(const fs::path& file) {
  auto db = host::Database::create(file);
  host::createSchema(*db);
  db->exec(R"sql(
BEGIN;
INSERT INTO empresa VALUES (1, 'Prueba C.A.', '#,##0.00', 3, 5, 4, 2, 2.5, 1,
                            '6.1.05', '1.1.01', '2.1.04');
INSERT INTO vendedores VALUES ('V1', 'Rosa Peña'), ('V2', 'Ernesto Villa');
INSERT INTO clientes VALUES ('C1', 'Abastos Uno'), ('C2', 'Ferretería Dos'),
  ('C3', 'Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima');
INSERT INTO bancos VALUES ('BAN01', 'Banco Meridional', '1.1.02.001', 1001),
                          ('BAN02', 'Banco Andino', '1.1.02.002', 7);
INSERT INTO Facturas VALUES
  (11, 'A', 42, '2026-11-02', 'C1', 'Abastos Uno', 'V1', 1000, 160, 0, 0, 30, 0),
  (12, 'A', 43, '2026-11-03', 'C2', 'Ferretería Dos', 'V1', 700, 112, 0, 0, 10, 0),
  (13, 'B', 7, '2026-11-04', 'C3', 'Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima',
       'V1', 1234.56, 197.53, 0, 0, 61.73, 0),
  (14, 'B', 8, '2026-11-05', 'C1', 'Abastos Uno', 'V1', 500, 80, 0, 0, 15, 0),
  (15, 'A', 40, '2026-10-01', 'C1', 'Abastos Uno', 'V1', 900, 144, 0, 0, 27, 1),
  (16, 'A', 41, '2026-10-02', 'C2', 'Ferretería Dos', 'V2', 800, 128, 0, 0, 24, 0);
COMMIT;
)sql");
}

// Operator work of a whole cut: row 1's commission 30.00 -> 30.11 (written: it moved by more
// than 0.1), row 2's 10.00 -> 10.10 (not written), rows 1 and 3 marked (total 91.84).
inline constexpr const char* kTrabajo = R"(go V1
dblclick 1 6
type 30,11
click cbOk
dblclick 2 6
type 10,1
key ENTER
dblclick 1 8
dblclick 3 8
)";

// Choosing each payment method in the window.
inline constexpr const char* kEfectivo = "click optEfectivo\n";
inline constexpr const char* kCheque = "click optCheque\nfocus codigoBanco\ntype BAN01\ntab\n";  // proposes 1001
inline constexpr const char* kTransferencia =
    "click optTransferencia\nfocus codigoBanco\ntype \" ban02 \"\nfocus refMovBanco\ntype T-77\n";
inline constexpr const char* kNoPagar = "click optNoPagar\n";

// Every table of the books as text, row by row (the rowid order), for comparing books.
inline std::map<std::string, std::vector<std::string>> tablas(const fs::path& file) {
  auto db = host::Database::open(file);
  std::map<std::string, std::vector<std::string>> out;
  std::vector<std::string> nombres;
  {
    auto st = db->prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    while (st.step()) nombres.push_back(st.columnText(0));
  }
  for (const auto& t : nombres) {
    auto st = db->prepare("SELECT * FROM \"" + t + "\" ORDER BY rowid");
    auto& filas = out[t];
    while (st.step()) {
      std::string fila;
      for (int c = 0; c < st.columnCount(); ++c) {
        if (c) fila += "|";
        fila += st.isNull(c) ? "NULL" : st.columnText(c);
      }
      filas.push_back(fila);
    }
  }
  return out;
}

inline std::vector<std::string> filas(const fs::path& file, const std::string& sql) {
  auto db = host::Database::open(file);
  auto st = db->prepare(sql);
  std::vector<std::string> out;
  while (st.step()) {
    std::string fila;
    for (int c = 0; c < st.columnCount(); ++c) {
      if (c) fila += "|";
      fila += st.isNull(c) ? "NULL" : st.columnText(c);
    }
    out.push_back(fila);
  }
  return out;
}

// Whether nobody holds the named lock "TESSALOCKS" of these books.
inline bool bloqueoLibre(const fs::path& books) {
  auto file = host::NamedLock::lockFile(books, "TESSALOCKS");
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool libre = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (libre) ::flock(fd, LOCK_UN);
  ::close(fd);
  return libre;
}

inline std::vector<json> leerJsonLines(const fs::path& file) {
  std::vector<json> out;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) out.push_back(json::parse(line));
  }
  return out;
}

inline std::vector<json> leerJsonLinesTexto(const std::string& text) {
  std::vector<json> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '{') out.push_back(json::parse(line));
  }
  return out;
}

// One journal entry as readable text: Class.Member(args) {named}; objects by class, references
// marked with &.
inline std::string valorTexto(const json& v) {
  std::string t = v.at("type").get<std::string>();
  std::string s;
  if (t == "Object") {
    s = "Object:" + v.at("class").get<std::string>();
  } else if (t == "Empty" || t == "Null" || t == "Nothing") {
    s = t;
  } else if (v.at("value").is_string()) {
    s = t + ":" + v.at("value").get<std::string>();
  } else {
    s = t + ":" + v.at("value").dump();
  }
  if (v.value("byRef", false)) s = "&" + s;
  return s;
}

inline std::string llamadaTexto(const json& e) {
  std::string s = e.at("class").get<std::string>() + "." + e.at("member").get<std::string>() + "(";
  bool first = true;
  for (const auto& a : e.at("args")) {
    if (!first) s += ", ";
    first = false;
    s += valorTexto(a);
  }
  s += ")";
  for (const auto& [k, v] : e.at("named").items()) s += " " + k + ":=" + valorTexto(v);
  return s;
}

struct Resultado {
  int estado = -1;  // exit status, or 128 + signal
  std::string salida;
  std::string errores;
  std::vector<json> eventos() const { return leerJsonLinesTexto(salida); }
};

// The environment every run shares: its own settings and data folders.
class Entorno {
 public:
  Entorno() : config_(dir_.path() / "config"), data_(dir_.path() / "data") {
    fs::create_directories(config_);
    fs::create_directories(data_);
  }
  const fs::path& config() const { return config_; }
  const fs::path& data() const { return data_; }
  const fs::path& dir() const { return dir_.path(); }

 private:
  TempDir dir_;
  fs::path config_, data_;
};

inline std::vector<std::string> argumentosBase(const Entorno& env, const fs::path& books) {
  (void)env;
  return {TESSALINE_HOST_PROGRAM, "--db", books.string(), "--today", kHoy, "--locale", "es_VE",
          "--lock-timeout", "5"};
}

// The environment of a child host: this process's, with the run's own settings and data folders.
class EntornoHijo {
 public:
  explicit EntornoHijo(const Entorno& env) {
    const std::string config = "TESSALINE_CONFIG_HOME=" + env.config().string();
    const std::string data = "TESSALINE_DATA_HOME=" + env.data().string();
    for (char** e = environ; *e != nullptr; ++e) {
      std::string v = *e;
      if (v.starts_with("TESSALINE_CONFIG_HOME=") || v.starts_with("TESSALINE_DATA_HOME=")) continue;
      textos_.push_back(v);
    }
    textos_.push_back(config);
    textos_.push_back(data);
    for (auto& t : textos_) punteros_.push_back(t.data());
    punteros_.push_back(nullptr);
  }
  char** get() { return punteros_.data(); }

 private:
  std::vector<std::string> textos_;
  std::vector<char*> punteros_;
};

class Argumentos {
 public:
  explicit Argumentos(std::vector<std::string> args) : textos_(std::move(args)) {
    for (auto& t : textos_) punteros_.push_back(t.data());
    punteros_.push_back(nullptr);
  }
  char** get() { return punteros_.data(); }

 private:
  std::vector<std::string> textos_;
  std::vector<char*> punteros_;
};

inline std::string leerTodo(int fd) {
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return out;
}

// Runs tessaline-host with a whole script (written to a file) and waits for it. Safe to call
// from several threads at once.
inline Resultado ejecutar(const Entorno& env, std::vector<std::string> args, const std::string& script) {
  static std::atomic<int> contador{0};
  const std::string base = "guion-" + std::to_string(::getpid()) + "-" + std::to_string(++contador);
  const fs::path file = env.dir() / (base + ".txt");
  const fs::path err = env.dir() / (base + ".err");
  {
    std::ofstream out(file);
    out << script;
  }
  args.push_back("--script");
  args.push_back(file.string());
  Argumentos argv(std::move(args));
  EntornoHijo envp(env);

  int salida[2];
  if (::pipe2(salida, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(salida[1], 1);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (e >= 0) ::dup2(e, 2);
    ::execve(argv.get()[0], argv.get(), envp.get());
    ::_exit(127);
  }
  ::close(salida[1]);
  Resultado r;
  r.salida = leerTodo(salida[0]);
  ::close(salida[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.estado = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream in(err);
  std::stringstream ss;
  ss << in.rdbuf();
  r.errores = ss.str();
  return r;
}

// Runs every job, two at a time (one per core), and returns their results in order.
inline std::vector<Resultado> ejecutarTodos(const Entorno& env,
                                            const std::vector<std::pair<std::vector<std::string>, std::string>>& trabajos) {
  std::vector<Resultado> out(trabajos.size());
  std::atomic<size_t> siguiente{0};
  auto obrero = [&] {
    for (size_t i = siguiente++; i < trabajos.size(); i = siguiente++) out[i] = ejecutar(env, trabajos[i].first, trabajos[i].second);
  };
  std::thread otro(obrero);
  obrero();
  otro.join();
  return out;
}

// A host fed line by line through `--script -`, its events read as they come.
class HostVivo {
 public:
  HostVivo(const Entorno& env, std::vector<std::string> args) {
    args.push_back("--script");
    args.push_back("-");
    Argumentos argv(std::move(args));
    EntornoHijo envp(env);
    int entrada[2], salida[2];
    if (::pipe2(entrada, O_CLOEXEC) != 0 || ::pipe2(salida, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(entrada[0], 0);
      ::dup2(salida[1], 1);
      ::execve(argv.get()[0], argv.get(), envp.get());
      ::_exit(127);
    }
    ::close(entrada[0]);
    ::close(salida[1]);
    in_ = entrada[1];
    out_ = ::fdopen(salida[0], "r");
  }
  ~HostVivo() {
    if (in_ >= 0) ::close(in_);
    if (out_) std::fclose(out_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  HostVivo(const HostVivo&) = delete;
  HostVivo& operator=(const HostVivo&) = delete;

  void enviar(const std::string& lineas) {
    std::string s = lineas;
    if (s.empty() || s.back() != '\n') s += '\n';
    const char* p = s.data();
    size_t n = s.size();
    while (n > 0) {
      ssize_t w = ::write(in_, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw std::runtime_error("the host does not read its script");
      p += w;
      n -= static_cast<size_t>(w);
    }
  }
  // The next event; nullopt at the end of the output.
  std::optional<json> evento() {
    char* line = nullptr;
    size_t cap = 0;
    for (;;) {
      ssize_t n = ::getline(&line, &cap, out_);
      if (n < 0) {
        std::free(line);
        return std::nullopt;
      }
      std::string s(line, static_cast<size_t>(n));
      if (!s.empty() && s[0] == '{') {
        std::free(line);
        auto j = json::parse(s);
        eventos.push_back(j);
        return j;
      }
    }
  }
  // Reads events until one of kind `event` (and, when given, with that text) arrives.
  json esperar(const std::string& event, const std::string& texto = {}) {
    for (;;) {
      auto e = evento();
      if (!e) throw std::runtime_error("the host ended before the event " + event);
      if (e->value("event", "") == event && (texto.empty() || e->value("text", "") == texto)) return *e;
    }
  }
  // Closes the script and waits for the host to end; returns its exit status.
  int terminar() {
    ::close(in_);
    in_ = -1;
    while (evento()) {
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::vector<json> eventos;

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  FILE* out_ = nullptr;
};

// The events of one kind.
inline std::vector<json> eventosDe(const std::vector<json>& eventos, const std::string& kind) {
  std::vector<json> out;
  for (const auto& e : eventos) {
    if (e.value("event", "") == kind) out.push_back(e);
  }
  return out;
}

// The window of that name in a dump event (null when it is not loaded).
inline json ventana(const json& dump, const std::string& nombre) {
  for (const auto& w : dump.at("windows")) {
    if (w.at("name") == nombre) return w;
  }
  return nullptr;
}

}  // namespace corte
