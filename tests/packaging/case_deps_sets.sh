#!/usr/bin/env bash
# The two package sets of the set-up: the run set holds no test tool, and the
# test set holds the run set and every tool the tests call. A tool is known by
# a command it installs; each package named must be installed here.
set -euo pipefail

: "${SOURCE_DIR:?the source tree}"
deps="$SOURCE_DIR/tools/install-deps.sh"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

mapfile -t run < <("$deps" --list run)
mapfile -t test < <("$deps" --list test)
[ ${#run[@]} -gt 0 ] || fail "the run set is empty"

# Commands that only tests, benchmarks and fuzzing use.
test_commands=(
  Xvfb openbox xdotool import convert compare xclip xprop xwininfo
  cupsd lpstat lpadmin pdftoppm pdfinfo emf2svg-conv
  clang clang-format desktop-file-validate appstreamcli lintian
)
# Libraries only the tests and benchmarks link with, by the header they ship.
test_headers=(gtest/gtest.h gmock/gmock.h benchmark/benchmark.h gif_lib.h)

in_list() {
  local want=$1 p
  shift
  for p in "$@"; do [ "$p" = "$want" ] && return 0; done
  return 1
}

for p in "${run[@]}"; do
  in_list "$p" "${test[@]}" || fail "$p is in the run set but not in the test set"
done

# What every named package installs, one path a line.
files_of() {
  dpkg-query -L "$1" 2>/dev/null || fail "$1 is named but not installed"
}

for p in "${run[@]}"; do
  files=$(files_of "$p")
  for c in "${test_commands[@]}"; do
    grep -Eq "/s?bin/$c\$" <<<"$files" && fail "the run set's $p is a test tool (it installs $c)"
  done
  for h in "${test_headers[@]}"; do
    grep -q "/include/$h\$" <<<"$files" && fail "the run set's $p is a test library ($h)"
  done
done

# Each test tool comes from a package the test set names: the package that
# holds the command, or one that depends on it (clang on clang-14, ...).
named_or_pulled=$(
  printf '%s\n' "${test[@]}"
  { dpkg-query -W -f='${Depends}\n' "${test[@]}" 2>/dev/null || true; } | tr ',|' '\n\n' | sed 's/(.*//; s/:.*//; s/ //g'
)
# Where Debian puts commands; a tool of the same name elsewhere is no package's.
system_command() {
  local d
  for d in /usr/bin /usr/sbin /bin /sbin; do
    [ -e "$d/$1" ] && { readlink -f "$d/$1"; return 0; }
  done
  return 1
}
paths=()
for c in "${test_commands[@]}"; do
  path=$(system_command "$c") || fail "the test tool $c is not installed"
  paths+=("$path")
done
for h in "${test_headers[@]}"; do paths+=("/usr/include/$h"); done
owners=$(dpkg-query -S "${paths[@]}" 2>/dev/null || true)
for path in "${paths[@]}"; do
  owner=$(grep -F ": $path" <<<"$owners" | grep -E ": $path\$" | head -n1 | cut -d: -f1)
  [ -n "$owner" ] || fail "no package holds $path"
  grep -qx "$owner" <<<"$named_or_pulled" || fail "no package of the test set provides $path ($owner)"
done
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${test[@]}" 2>/dev/null || true)
for p in "${test[@]}"; do
  grep -qx "$p install ok installed" <<<"$installed" || fail "$p is named but not installed"
done
echo "ok: ${#run[@]} packages to run, ${#test[@]} to test"
