#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need.
# Idempotent and silent when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libcurl4-openssl-dev libpugixml-dev libcpp-httplib-dev libssl-dev libbrotli-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3
  # The Windows build's database substitute reaches SQLite through ODBC; under Wine, odbc32
  # hands that to unixODBC and the SQLite driver.
  unixodbc-dev libsqliteodbc
  g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 libwine-dev
  # The e-invoicing server: PDF (libharu, with DejaVu Sans below, which has every Spanish
  # letter), QR codes, JSON.
  libhpdf-dev libqrencode-dev nlohmann-json3-dev
  # Its tests read the PDFs it prints and the mail it sends to a local SMTP server.
  poppler-utils python3-aiosmtpd
  # The button: stb's font and PNG headers and the fonts of its raster surface; a virtual display
  # for its windows under Wine.
  libstb-dev fonts-dejavu-core xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
