#!/usr/bin/env bash
# Instructions each timed part of the benchmarks executes (valgrind's callgrind), per run, and the
# ratios of the component's parts to the plain sqlite3 programs. Instruction counts do not depend
# on what else the machine runs, so they compare builds where times cannot.
#
#   bash scripts/bench-instructions.sh [BUILD_DIR]     (default build-rel, an optimised build)
#
# Needs valgrind (bash scripts/install-deps.sh valgrind) and the benchmarks built:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALINE_TESTS=OFF
#   cmake --build build-rel --target bench_recordset bench_carga bench_proceso
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Runs one bench under callgrind: profile() NAME BENCH [ARGS...]
profile() {
  local name=$1 bench=$2
  shift 2
  valgrind --tool=callgrind --callgrind-out-file="$out/$name.cg" "$build/bin/$bench" "$@" >/dev/null 2>"$out/$name.log" ||
    {
      cat "$out/$name.log" >&2
      exit 1
    }
  callgrind_annotate --inclusive=yes --tree=caller "$out/$name.cg" >"$out/$name.txt" 2>/dev/null
}

# Inclusive instructions per call of the function whose name contains PATTERN: per_call NAME PATTERN
per_call() {
  awk -v pat="$2" '
    function num(s) { gsub(/,/, "", s); return s + 0 }
    /^ *[0-9,]+ .*  < / { if (match($0, /\(([0-9,]+)x\)/)) calls += num(substr($0, RSTART + 1, RLENGTH - 3)); next }
    /^ *[0-9,]+ .*  \* / { if (index($0, pat)) { total = num($1); n = calls; found = 1 } calls = 0; next }
    { calls = 0 }
    END { if (!found || n == 0) { print "missing " pat > "/dev/stderr"; exit 1 } printf "%.0f\n", total / n }
  ' "$out/$1.txt"
}

row() { printf '%-48s %15s\n' "$1" "$2"; }
ratio() { awk -v a="$2" -v b="$3" -v t="$1" 'BEGIN { printf "%-48s %15.2f\n", t, a / b }'; }

profile recordset bench_recordset --benchmark_min_time=0 --benchmark_filter='BM_(PlainSqliteLoop|TypedSqliteLoop|LateBoundRecordset|LateBoundRecordsetByName)$'
plain=$(per_call recordset 'readPlain(')
typed=$(per_call recordset 'readTyped(')
late=$(per_call recordset 'readLateBound(')
byname=$(per_call recordset 'readLateBoundByName(')
profile carga bench_carga --benchmark_min_time=0 --benchmark_filter='BM_(CargarFacturasVentana|PlainSqlite)/'
load=$(per_call carga 'Ventana::recargar(')
loadPlain=$(per_call carga 'Plano::leer(')
profile proceso bench_proceso
cut=$(per_call proceso '::procesar(tessaline::SelectFacturas')
cutPlain=$(per_call proceso 'escribirCorte(')

echo "instructions per run"
row "recordset: plain sqlite3 loop" "$plain"
row "recordset: typed sqlite3 loop" "$typed"
row "recordset: late-bound, fields found once" "$late"
row "recordset: late-bound, Fields(name) each value" "$byname"
row "load: window (100,000 invoices)" "$load"
row "load: plain sqlite3 program" "$loadPlain"
row "processing: window (10,000 invoices)" "$cut"
row "processing: plain sqlite3 program" "$cutPlain"
echo "ratios"
ratio "recordset read / plain loop" "$late" "$plain"
ratio "recordset read by name / plain loop" "$byname" "$plain"
ratio "load / plain program" "$load" "$loadPlain"
ratio "processing / plain program" "$cut" "$cutPlain"
