#!/usr/bin/env bash
# A second start brings the running book to the front, with the dialog it is
# showing, and ends without a window of its own.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
start_book
first=$BOOK_PID

count_books() { xdotool search --onlyvisible --name '^Pippalee$' 2>/dev/null | wc -l; }

second_start() {
  start_book "$OUT/second-$1.log"
  wait_exit "$BOOK_PID" 20 || fail "$1: the second copy did not end"
  [ "$EXIT_STATUS" = 0 ] || fail "$1: the second copy ended with status $EXIT_STATUS"
  kill -0 "$first" 2>/dev/null || fail "$1: the first copy ended"
}

# While the start dialog is up, minimised.
dialog=$(find_window Pippalee) || fail "no start dialog"
xdotool windowminimize "$dialog"
wait_gone "$dialog" || fail "the start dialog could not be minimised"
second_start dialog
wait_for '[ "$(map_state "$dialog")" = IsViewable ]' 50 || fail "the start dialog was not restored"
wait_for '[ "$(active_window)" = "$dialog" ]' 50 || fail "the start dialog did not get the focus"
[ "$(count_books)" = 1 ] || fail "the second copy left a window"

# With the frame up, minimised.
xdotool key Return
wait_gone "$dialog" || fail "Enter did not close the start dialog"
wait_for '[ -n "$(active_window)" ] && [ "$(active_window)" != "$dialog" ]' 50 || fail "no frame"
frame=$(active_window)
xdotool windowminimize "$frame"
wait_gone "$frame" || fail "the frame could not be minimised"
second_start frame
wait_for '[ "$(map_state "$frame")" = IsViewable ]' 50 || fail "the frame was not restored"
wait_for '[ "$(active_window)" = "$frame" ]' 50 || fail "the frame did not get the focus"
[ "$(geometry "$frame")" = "0 0 $SCREEN_W $SCREEN_H" ] || fail "the frame came back as $(geometry "$frame")"
shot restored
expect_pixel restored 2 2 0,0,100 "the restored frame"
echo "ok"
