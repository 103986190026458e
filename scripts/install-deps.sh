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
  qt6-svg-dev
  qt6-qpa-plugins
  libgl-dev
  fonts-dejavu-core
  locales
  shared-mime-info
  strace
  # The Windows build: MinGW-w64 cross compiler, Wine (with its fonts) to
  # run the tests, an X server, xdotool and import to drive and picture the
  # Win32 dialog, the tools that draw the .ico from the SVG, and wixl, which
  # builds the Windows installer.
  g++-mingw-w64-x86-64-posix
  wine64
  fonts-wine
  xvfb
  xdotool
  imagemagick
  librsvg2-bin
  icoutils
  wixl
  # The Debian packages and what checks them: the manual pages' scdoc and
  # groff, dpkg-shlibdeps (and file, with which CPack finds the programs),
  # lintian, the validators of the desktop entry and the metadata, and the
  # shells whose completions the tests try.
  scdoc
  groff-base
  dpkg-dev
  file
  lintian
  desktop-file-utils
  appstream
  zsh
  fish
  # pdfinfo and pdftoppm, to measure and look at the PDF pictures of the plot.
  poppler-utils
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$pkg")
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The window tests convert under a comma-decimal locale, as a German user
# would run Veltrane; Debian ships only C and POSIX ready-made.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "install-deps: generating the de_DE.UTF-8 locale"
  $SUDO localedef -i de_DE -c -f UTF-8 -A /usr/share/locale/locale.alias de_DE.UTF-8
fi
