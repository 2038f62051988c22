#!/usr/bin/env bash
# Installs the Debian 12 packages TaViR needs to build, test and run; only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev llvm clang-format clang-tidy
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-qpa-plugins
  libjpeg62-turbo-dev libfontconfig-dev
  libmorfologik-stemming-java
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth imagemagick
  cups cups-client poppler-utils fontconfig
  desktop-file-utils
  dpkg-dev lintian appstream man-db debootstrap xdotool
  fonts-liberation2 fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
