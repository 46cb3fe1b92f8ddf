#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  libgtest-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev libgdcm-dev
  libcharls-dev libopenjp2-7-dev zlib1g-dev libcurl4-openssl-dev
  dcmtk libgdcm-tools ffmpeg poppler-utils
  qt6-base-dev qt6-svg-dev libgl-dev
  desktop-file-utils shared-mime-info xdg-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
