#!/usr/bin/env bash
# Installs the Debian packages the book needs, in one of two sets:
#   run   building the program and its content, and running the book;
#   test  all of that and the tools the tests, benchmarks and fuzzers use.
# As root it installs what is missing with apt-get; otherwise it prints the
# apt-get line to run and fails.
#
#   tools/install-deps.sh [run|test]   installs a set (test when none is named)
#   tools/install-deps.sh --list SET   prints a set, one package a line
set -euo pipefail

# Names are those of Debian 12 and 13 alike: no version numbers in them.
run_packages=(
  build-essential cmake pkg-config dpkg-dev file
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libx11-dev libpixman-1-dev libpng-dev zlib1g-dev
  libjpeg62-turbo-dev libcairo2-dev libcups2-dev
  fonts-liberation fonts-dejavu-core
  festival festvox-us-slt-hts fluidsynth timgm6mb-soundfont xdg-utils
)
test_only_packages=(
  clang libclang-rt-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev libgif-dev
  xvfb openbox xdotool imagemagick xclip x11-utils
  cups cups-bsd poppler-utils emf2svg
  desktop-file-utils appstream lintian
)

usage() {
  echo "usage: $0 [run|test] | --list run|test" >&2
  exit 2
}

# Sets `packages` to the set named $1.
choose() {
  case "$1" in
    run) packages=("${run_packages[@]}") ;;
    test) packages=("${run_packages[@]}" "${test_only_packages[@]}") ;;
    *) usage ;;
  esac
}

if [ "${1:-}" = --list ]; then
  [ $# -eq 2 ] || usage
  choose "$2"
  printf '%s\n' "${packages[@]}"
  exit 0
fi
[ $# -le 1 ] || usage
choose "${1:-test}"

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
