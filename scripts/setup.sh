#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Vantle need.
# Idempotent: when everything is already there it neither updates package lists nor installs.
#
#   ./scripts/setup.sh --peer    also the programs that bench/peer-parallel.sh measures Vantle against
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev
  libasio-dev libcurl4-openssl-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev libidn-dev
  libc-ares-dev libidn2-dev libssl-dev openssl
  libsqlite3-dev nlohmann-json3-dev libzip-dev zlib1g-dev libpsl-dev publicsuffix libxlsxwriter-dev libexpat1-dev qt6-translations-l10n
  clang clang-format libclang-rt-14-dev
  fonts-dejavu-core
  dpkg-dev desktop-file-utils librsvg2-bin
)
if [ "${1:-}" = "--peer" ]; then
  packages+=(parallel adns-tools curl time)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get -o DPkg::Lock::Timeout=120 update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=120 install -y -qq --no-install-recommends "${missing[@]}"
