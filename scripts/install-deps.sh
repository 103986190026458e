#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Veltrane
# need, and only those that are missing. Safe to run again and again.
set -euo pipefail

PACKAGES=(
  build-essential
  cmake
  pkg-config
  googletest
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  clang-14
  libclang-rt-14-dev
  qt6-base-dev
  qt6-base-dev-tools
  qt6-qpa-plugins
  libgl-dev
  fonts-dejavu-core
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$pkg")
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
