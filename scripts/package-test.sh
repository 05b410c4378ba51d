#!/usr/bin/env bash
# Builds the Debian package from an optimised build (build-deb/), checks it with lintian, installs
# it with apt, runs a commission cut with the installed programs only (demo books, a cheque, its
# PDF), removes it with apt and checks that nothing of it is left but the per-user data.
# Needs root (or sudo): it installs and removes the package tessaline, so it refuses to run
# where that package is installed already.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

step() { printf '== %s (%ds)\n' "$*" "$SECONDS"; }
fail() {
  echo "package-test: $*" >&2
  exit 1
}

if dpkg-query -W -f='${Status}' tessaline 2>/dev/null | grep -q "install ok installed"; then
  fail "the package tessaline is installed already; remove it first (apt-get remove tessaline)"
fi

step "tools"
# dpkg-shlibdeps computes the dependencies, file tells CPack which files are binaries.
bash scripts/install-deps.sh dpkg-dev file lintian

step "build"
# Debian's hardening flags, without debugging information (the package is stripped anyway).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS | sed -E 's/(^| )-g( |$)/ /')"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# Manual pages and changelog dated by the last commit.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF -DTESSALINE_SANITIZE=OFF "${launcher[@]}" \
  "-DCMAKE_CXX_FLAGS=$cflags" "-DCMAKE_C_FLAGS=$cflags" \
  "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags" >/dev/null
cmake --build build-deb
rm -f build-deb/tessaline_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
debs=(build-deb/tessaline_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single tessaline_*.deb"
deb="$src/${debs[0]}"
version=$(dpkg-deb -f "$deb" Version)
echo "$deb"
dpkg-deb -f "$deb" Depends

step "lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian found errors"

step "install"
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then $sudo apt-get remove -y tessaline >/dev/null || true; fi
  rm -rf "${work:-}"
}
trap cleanup EXIT
$sudo apt-get install -y "$deb" >/dev/null
installed=1
files=$(dpkg-query -L tessaline)

step "smoke"
# A user with nothing yet: the default settings and data directories under a fresh HOME, run
# from a folder that has no build tree.
work=$(mktemp -d)
home="$work/home"
mkdir -p "$home"
as_user() {
  (cd "$work" && env -u TESSALINE_CONFIG_HOME -u TESSALINE_DATA_HOME -u XDG_CONFIG_HOME -u XDG_DATA_HOME \
    HOME="$home" QT_QPA_PLATFORM=offscreen "$@")
}
hash -r
[ "$(command -v tessaline-host)" = /usr/bin/tessaline-host ] || fail "tessaline-host is not /usr/bin/tessaline-host"
[ "$(command -v tessaline-register)" = /usr/bin/tessaline-register ] || fail "tessaline-register is not installed"
[ "$(as_user tessaline-host --version)" = "tessaline-host $version" ] || fail "tessaline-host --version"
[ "$(as_user tessaline-register --version)" = "tessaline-register $version" ] || fail "tessaline-register --version"
module=$(grep '/libTessaline\.so$' <<<"$files") || fail "the package has no component module"
for program in /usr/bin/tessaline-host /usr/bin/tessaline-register "$module"; do
  linked=$(ldd "$program")
  if grep -q "not found" <<<"$linked" || grep -qF "$src" <<<"$linked"; then
    fail "$program does not load its libraries from the installation: $linked"
  fi
done
for page in tessaline-host tessaline-register; do
  grep -q "/man1/$page.1.gz$" <<<"$files" || fail "no manual page for $page"
done
desktop=$(grep '\.desktop$' <<<"$files") || fail "the package has no menu entry"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "${exec_line%% *}" = tessaline-host ] || fail "the menu entry does not start tessaline-host: $exec_line"

# The demo books in the default place, salesperson V001's first invoice paid by cheque.
cut='go V001
dblclick 1 8
click optCheque
focus codigoBanco
type BAN01
tab
click cbProcesar
'
if ! out=$(as_user tessaline-host --init-demo --today 2026-11-30 --locale es_VE --script - <<<"$cut" 2>"$work/err"); then
  cat "$work/err" >&2
  fail "the cut failed: $out"
fi
grep -q "registering $module" "$work/err" || fail "the first run did not register $module: $(cat "$work/err")"
if grep -q '"event":"error"\|"event":"script-error"' <<<"$out"; then fail "the cut reported an error: $out"; fi
data="$home/.local/share/tessaline"
[ -f "$data/books.sqlite" ] || fail "no demo books in $data"
paid=$(sqlite3 "$data/books.sqlite" "SELECT COUNT(*) FROM movimientos_banco WHERE banco = 'BAN01' AND referencia = '1001'")
[ "$paid" = 1 ] || fail "the books hold $paid cheques 1001 of BAN01"
pdf=$(find "$data/prints" -name 'cheque-BAN01-1001*.pdf' | head -n 1)
[ -n "$pdf" ] && [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "no printed cheque in $data/prints"
grep -q "$module" "$home/.config/tessaline/settings.txt" || fail "the module is not in the user's class registry"
# The real windows too (the Qt view, its fonts and plugins), drawn off screen.
as_user tessaline-host --ui qt --today 2026-11-30 --script - >/dev/null <<<"go V002
shot $work/window.png
close
" || fail "the Qt view did not run"
[ "$(head -c 4 "$work/window.png" | tail -c 3)" = PNG ] || fail "no window shot"

step "remove"
$sudo apt-get remove -y tessaline >/dev/null
installed=0
hash -r
if dpkg-query -W -f='${Status}' tessaline 2>/dev/null | grep -qE "ok (installed|config-files|half)"; then
  fail "tessaline is still installed"
fi
while IFS= read -r path; do
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ "$path" == *tessaline* ]]; }; then fail "$path is left"; fi
done <<<"$files"
left=$(find /usr /etc /opt /var/lib/dpkg/info -path /usr/local -prune -o -name '*tessaline*' -print)
[ -z "$left" ] || fail "left behind: $left"
! command -v tessaline-host >/dev/null || fail "tessaline-host is still on the PATH"

step "package installs, runs a cut and removes cleanly"
