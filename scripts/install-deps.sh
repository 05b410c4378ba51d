#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need (only those that are missing), and
# any further packages named on the command line; with --only first, just the packages named.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libicu-dev libsqlite3-dev sqlite3 libpq-dev nlohmann-json3-dev libcli11-dev libcairo2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-dejavu-extra poppler-utils xdg-utils
  "$@"
)
if [ "${1:-}" = --only ]; then packages=("${@:2}"); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
