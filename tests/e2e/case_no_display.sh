#!/usr/bin/env bash
# With no display to show the book on, the program says so in one line and
# ends with status 1, leaving nothing behind in its folder.
source "$(dirname "$0")/lib.sh"
prepare_content
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
export XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config"
rc=0
(cd "$CONTENT" && exec "$PIPPALEE") >"$OUT/stdout.log" 2>"$OUT/stderr.log" || rc=$?
[ "$rc" = 1 ] || fail "the program ended with status $rc"
grep -v '^ALSA lib' "$OUT/stderr.log" >"$OUT/message.log" || true
[ "$(wc -l <"$OUT/message.log")" = 1 ] || fail "the message is not one line: $(cat "$OUT/stderr.log")"
grep -q 'no display' "$OUT/message.log" || fail "the message does not say what is missing"
[ ! -s "$OUT/stdout.log" ] || fail "the program wrote to its output"
[ ! -e "$CONTENT/test.dat" ] || fail "the program made its lock file"
echo "ok: $(cat "$OUT/message.log")"
