#!/usr/bin/env bash
# A window that covered the book and went leaves the book's pixels as they
# were, the dialog on top included.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
start_book

go_on_to_frame
xdotool key Escape
wait_for '[ "$(active_window)" != "$frame" ] && [ -n "$(active_window)" ]' 50 || fail "Esc asked nothing"
box=$(active_window)
shot before

xmessage -geometry "$((SCREEN_W - 200))x$((SCREEN_H - 200))+100+100" "covering the book" &
cover=$!
PIDS+=("$cover")
wait_for 'xdotool search --onlyvisible --class Xmessage' 50 || fail "no covering window"
shot covered
[ "$(differing_pixels before covered)" != 0 ] || fail "the covering window did not cover the book"
kill "$cover"
wait_for '! xdotool search --onlyvisible --class Xmessage' 50 || fail "the covering window stayed"
shot after
# The window manager draws the question's caption as it likes; the rest is
# the book's own pixels.
diff=$(differing_pixels before after "$(outer_rect "$box")")
[ "$diff" = 0 ] || fail "$diff pixels of the frame differ after the cover went"
diff=$(differing_in_window before after "$box")
[ "$diff" = 0 ] || fail "$diff pixels of the question differ after the cover went"
echo "ok"
