#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the book need.
# As root it installs what is missing with apt-get; otherwise it prints the
# apt-get line to run and fails.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev clang-format
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libx11-dev libpixman-1-dev libpng-dev zlib1g-dev
  libjpeg62-turbo-dev libcairo2-dev libcups2-dev libgif-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  espeak-ng sox fluidsynth timgm6mb-soundfont xdg-utils
  xvfb openbox xdotool imagemagick xclip x11-utils
  cups cups-bsd poppler-utils emf2svg
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Some packages are missing. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
