#!/usr/bin/env bash
# The end of the session (here a SIGTERM, as at logout) ends the book as an
# orderly exit does: status 0 and the profile written.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
start_book

go_on_to_frame
kill -TERM "$BOOK_PID"
wait_exit "$BOOK_PID" 10 || fail "the book did not end"
[ "$EXIT_STATUS" = 0 ] || fail "the book ended with status $EXIT_STATUS"
grep -q '^strIntItem=0' "$XDG_CONFIG_HOME/pippalee.INI" || fail "the profile was not written"
# Its title is withdrawn: a new copy starts as the only one.
start_book "$OUT/next.log"
find_window Pippalee >/dev/null || fail "a new copy did not start"
echo "ok"
