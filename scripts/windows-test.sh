#!/usr/bin/env bash
# Cross-builds Tessaline.dll and the Windows test programs with MinGW-w64 (64-bit in build-win64/,
# 32-bit in build-win32/) and runs the 64-bit ones under Wine in a private, throwaway Wine prefix:
# the DLL registered machine-wide with regsvr32, then bridge_test.exe (when built), client_test.exe
# and the cscript smoke test, each under a time limit. The 32-bit DLL is built and its exports
# checked, not run: running it needs Wine's 32-bit part, which means adding the i386 architecture
# to the machine.
# Last line: "windows: N passed, N failed"; the exit status is non-zero when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh --only wine wine64 wine64-tools mingw-w64 g++-mingw-w64-x86-64-posix \
  g++-mingw-w64-i686-posix cmake ninja-build

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
for arch in x86_64:win64 i686:win32; do
  cmake -S . -B "build-${arch#*:}" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-w64-${arch%%:*}.cmake" \
    -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli "${launcher[@]}" >/dev/null
  cmake --build "build-${arch#*:}"
done

bin=$root/build-win64/bin
tmp=$(mktemp -d)
# Wine keeps its server's socket folder under TMPDIR: inside the throwaway folder it goes with it.
export WINEPREFIX=$tmp/prefix WINEDEBUG=-all WINEARCH=win64 TMPDIR=$tmp
# No Mono or Gecko download prompts: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
dll=$(winepath -w "$bin/Tessaline.dll")

passed=0
failed=0
# Runs one test program, shows its output, and adds the counts of its last line (a program that
# ends without one, or fails without counting a failure, counts as one failure).
run() {
  local name=$1 out status=0
  shift
  echo "== $name"
  out=$(timeout 300 "$@" 2>&1) || status=$?
  printf '%s\n' "$out"
  local last p f
  last=$(printf '%s\n' "$out" | tr -d '\r' | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1 || true)
  if [ -z "$last" ]; then
    echo "$name: no count (exit status $status)"
    failed=$((failed + 1))
    return
  fi
  p=${last%% passed*}
  f=${last#*, }
  f=${f%% failed}
  passed=$((passed + p))
  failed=$((failed + f))
  if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then failed=$((failed + 1)); fi
}

# The 32-bit DLL is not run, but a 32-bit regsvr32 or host finds its entries only by their plain
# names (no stdcall @n).
exports=$(i686-w64-mingw32-objdump -p build-win32/bin/Tessaline.dll | sed -n '/Ordinal\/Name Pointer/,/^$/p')
echo "== 32-bit exports"
for name in DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer TessalineDriveScript; do
  if grep -qE "\] $name\$" <<<"$exports"; then passed=$((passed + 1)); else
    echo "FAILED: the 32-bit DLL does not export $name"
    failed=$((failed + 1))
  fi
done

if wine regsvr32 /s "$dll"; then
  [ -f "$bin/bridge_test.exe" ] && run bridge_test wine "$bin/bridge_test.exe"
  run client_test wine "$bin/client_test.exe" "$dll"
  cd tests/windows
  run smoke wine cscript //nologo smoke.vbs
  cd "$root"
  wine regsvr32 /s /u "$dll" || failed=$((failed + 1))
else
  echo "regsvr32 could not register $dll"
  failed=$((failed + 1))
fi

cleanup
trap - EXIT
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
