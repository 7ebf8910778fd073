#!/usr/bin/env bash
# Pointer positions are logical: a click lands on the control drawn under it
# whatever the factor, and one logical pixel beside it misses.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
start_book

dialog=$(find_window Pippalee) || fail "no start dialog"
read -r dx dy dw dh < <(geometry "$dialog")
lw=$(to_logical "$dw")
lh=$(to_logical "$dh")
# The start dialog is 220 by 185 dialog units; its Cancel button starts at
# 167 units from the left, 164 from the top, 17 high, with a gap before it.
cw=$(((lw * 4 + 110) / 220))
ch=$(((lh * 8 + 92) / 185))
cancel_left=$(((167 * cw + 2) / 4))
cancel_mid_y=$(((172 * ch + 4) / 8))
click_logical() {
  xdotool mousemove $((dx + $(block_middle "$1"))) $((dy + $(block_middle "$2"))) click 1
}
shot before
# The button's left edge is drawn where it is computed, so the clicks below
# aim at known pixels.
row=$((dy + $(block_middle "$cancel_mid_y")))
expect_pixel before $((dx + $(screen_floor "$cancel_left") - 1)) $row 192,192,192 "left of Cancel"
[ "$(pixel before $((dx + $(screen_ceil "$cancel_left"))) $row)" != 192,192,192 ] ||
  fail "Cancel's edge is not at logical x = $cancel_left"

click_logical $((cancel_left - 2)) "$cancel_mid_y"
sleep 1
kill -0 "$BOOK_PID" 2>/dev/null || fail "a click beside Cancel ended the book"
[ "$(map_state "$dialog")" = IsViewable ] || fail "a click beside Cancel closed the dialog"

click_logical $((cancel_left + 2)) "$cancel_mid_y"
wait_exit "$BOOK_PID" 10 || fail "a click on Cancel did not end the book"
[ "$EXIT_STATUS" = 0 ] || fail "Cancel ended the book with status $EXIT_STATUS"
echo "ok: factor $FACTOR"
