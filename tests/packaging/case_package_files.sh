#!/usr/bin/env bash
# What the Debian package holds and declares: the installed layout, the menu
# entry and the AppStream metadata under their validators, the icons at every
# size from one drawing, the manual page, the dependencies, and no lintian
# error (its warnings are printed).
set -euo pipefail

: "${PIPPALEE_DEB:?the Debian package}"
WORK=$(mktemp -d /tmp/pippalee-package-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ -f "$PIPPALEE_DEB" ] || fail "no package $PIPPALEE_DEB"
case "$(basename "$PIPPALEE_DEB")" in
  pippalee_*_"$(dpkg --print-architecture)".deb) ;;
  *) fail "$(basename "$PIPPALEE_DEB") is not named pippalee_<version>_<arch>.deb" ;;
esac
tree="$WORK/tree"
dpkg-deb -x "$PIPPALEE_DEB" "$tree"
usr="$tree/usr"

# The layout: each path as a program (x), a folder (d) or a file (f).
while read -r kind path; do
  case "$kind" in
    x) [ -f "$usr/$path" ] && [ -x "$usr/$path" ] ;;
    d) [ -d "$usr/$path" ] ;;
    f) [ -f "$usr/$path" ] ;;
  esac || fail "usr/$path is missing or of the wrong kind ($kind)"
done <<'LAYOUT'
x bin/pippalee
x lib/pippalee/pippalee
d share/pippalee/books
d share/pippalee/wave
d share/pippalee/midi
f share/pippalee/about.doc
f share/pippalee/books/splash.png
f share/applications/pippalee.desktop
f share/metainfo/org.pippalee.pippalee.metainfo.xml
f share/man/man6/pippalee.6.gz
f share/doc/pippalee/copyright
LAYOUT
file -b "$usr/lib/pippalee/pippalee" | grep -q '^ELF' || fail "lib/pippalee/pippalee is not a program"
leftovers=$(find "$usr/share/pippalee" -iname test.dat -o -iname image.wmf)
[ -z "$leftovers" ] || fail "what a run leaves is packaged: $leftovers"
writable=$(find "$tree" -perm /022 ! -type l)
[ -z "$writable" ] || fail "writable by others than the owner: $writable"

desktop-file-validate "$usr/share/applications/pippalee.desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$usr/share/metainfo/org.pippalee.pippalee.metainfo.xml" ||
  fail "the AppStream metadata is not valid"
# The menu entry starts the launcher and shows the installed icon.
grep -qx 'Exec=pippalee' "$usr/share/applications/pippalee.desktop" || fail "the entry does not run pippalee"
grep -qx 'Icon=pippalee' "$usr/share/applications/pippalee.desktop" || fail "the entry shows another icon"
grep -q '<launchable type="desktop-id">pippalee.desktop</launchable>' \
  "$usr/share/metainfo/org.pippalee.pippalee.metainfo.xml" || fail "the metadata does not launch the entry"

# Every size shows the same drawing: each icon and the 32-pixel one, brought
# to the smaller of their sizes, are alike.
icons="$usr/share/icons/hicolor"
for size in 16 24 32 48 64 128 256; do
  icon="$icons/${size}x${size}/apps/pippalee.png"
  [ -f "$icon" ] || fail "no ${size}-pixel icon"
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "the ${size}-pixel icon has another size"
  small=$((size < 32 ? size : 32))
  convert "$icon" -scale "${small}x${small}" "$WORK/a.png"
  convert "$icons/32x32/apps/pippalee.png" -scale "${small}x${small}" "$WORK/b.png"
  # The root mean square difference, 0 to 1; a mirrored drawing is 0.2 away,
  # the blending at a size of one and a half 0.08.
  error=$(compare -metric RMSE "$WORK/a.png" "$WORK/b.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
  awk -v e="$error" 'BEGIN{exit !(e != "" && e < 0.1)}' ||
    fail "the ${size}-pixel icon is another drawing (difference $error)"
done

warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man6/pippalee.6.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has faults: $warnings"

depends=$(dpkg-deb -f "$PIPPALEE_DEB" Depends)
for need in timgm6mb-soundfont xdg-utils fonts-liberation fonts-dejavu-core libsdl2-2.0-0 libcups2; do
  grep -Eq "(^|, )$need( |,|$)" <<<"$depends" || fail "the package does not depend on $need: $depends"
done

lintian --tag-display-limit 0 "$PIPPALEE_DEB" >"$WORK/lintian.txt" 2>&1 || true
cat "$WORK/lintian.txt"
grep -q '^E: ' "$WORK/lintian.txt" && fail "lintian reports errors"
echo "ok"
