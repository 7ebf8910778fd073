#!/usr/bin/env bash
# Esc on the frame asks before ending; No keeps the book, Yes ends it with
# status 0 and the profile written.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
start_book

go_on_to_frame

ask() {
  xdotool key Escape
  wait_for '[ "$(active_window)" != "$frame" ] && [ -n "$(active_window)" ]' 50 ||
    fail "Esc asked nothing"
  box=$(active_window)
  [ "$(xdotool getwindowname "$box")" = Pippalee ] || fail "the question has another caption"
  decorated "$box" || fail "the question has no caption"
  xprop -id "$box" WM_TRANSIENT_FOR | grep -qi "$(printf '0x%x' "$frame")" ||
    fail "the question is not kept above the frame"
  expect_centred "$box" "exit question"
}

ask
shot question
read -r bx by bw bh < <(geometry "$box")
expect_pixel question $((bx + 4)) $((by + 4)) 192,192,192 "the question's face"
# No: the focus moves from Yes to No, and the book goes on.
xdotool key Tab Return
wait_gone "$box" || fail "No did not close the question"
sleep 0.5
kill -0 "$BOOK_PID" 2>/dev/null || fail "No ended the book"
wait_for '[ "$(active_window)" = "$frame" ]' 30 || fail "the frame did not get the focus back"
[ -e "$XDG_CONFIG_HOME/pippalee.INI" ] && fail "the profile was written before the end"

# The caption's close control (Alt+F4 in openbox) answers as No does.
ask
xdotool key alt+F4
wait_gone "$box" || fail "closing the question did not take it away"
sleep 0.5
kill -0 "$BOOK_PID" 2>/dev/null || fail "closing the question ended the book"

ask
xdotool key Return
wait_exit "$BOOK_PID" 10 || fail "Yes did not end the book"
[ "$EXIT_STATUS" = 0 ] || fail "the book ended with status $EXIT_STATUS"
grep -q '^\[strSection\]' "$XDG_CONFIG_HOME/pippalee.INI" &&
  grep -q '^strIntItem=0' "$XDG_CONFIG_HOME/pippalee.INI" || fail "the profile was not written"
echo "ok"
