#!/usr/bin/env bash
# The display server going away under the book (it crashes, or the session
# stops it) ends the book as the end of the session does, but as a failure:
# status 1, one line saying so, the profile written, its title withdrawn;
# no abort and no hang.
source "$(dirname "$0")/lib.sh"
command -v xclip >/dev/null || fail "xclip is not installed"
prepare_content

# Where the book is, and how the server goes.
CASES=(
  "dialog KILL"
  "dialog TERM"
  "stage KILL"
  "copied TERM"
)

for c in "${CASES[@]}"; do
  read -r place signal <<<"$c"
  log="$OUT/book.log"
  rm -f "$WORK/display" "$WORK/config/pippalee.INI"
  start_display
  start_book
  case $place in
    dialog) find_window Pippalee >/dev/null || fail "$c: no start dialog" ;;
    stage) go_on_to_frame ;;
    copied)
      # The clipboard is served over a connection of its own.
      go_on_to_frame
      xdotool key ctrl+c
      wait_for "xclip -selection clipboard -t TARGETS -o | grep -q image/png" 50 ||
        fail "$c: nothing was copied"
      ;;
  esac
  sleep 0.5
  kill "-$signal" "$XVFB_PID"
  wait_exit "$BOOK_PID" 6 || fail "$c: the book is still running after its display went"
  [ "$EXIT_STATUS" = 1 ] || fail "$c: the book ended with status $EXIT_STATUS"
  grep -qi terminate "$log" && fail "$c: the book was ended by std::terminate"
  grep -q 'did not end by itself' "$log" && fail "$c: the book did not end by itself"
  [ "$(grep -c 'lost the connection to the display' "$log")" = 1 ] ||
    fail "$c: not one line saying the display was lost"
  grep -q '^strIntItem=0' "$XDG_CONFIG_HOME/pippalee.INI" || fail "$c: the profile was not written"
  [ -z "$(find "$XDG_RUNTIME_DIR/pippalee" -type s)" ] || fail "$c: the book's title was left published"
done
echo "ok"
