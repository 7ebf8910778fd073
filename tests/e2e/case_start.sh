#!/usr/bin/env bash
# The book starts with the start dialog; going on shows the dark blue frame
# over the whole monitor with the stage where the program places it, enlarged
# by the whole factor.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
start_book

dialog=$(find_window Pippalee) || fail "no start dialog"
decorated "$dialog" && fail "the start dialog has a caption"
expect_centred "$dialog" "start dialog"
[ "$(active_window)" = "$dialog" ] || fail "the start dialog does not have the focus"
shot dialog
read -r dx dy dw dh < <(geometry "$dialog")
# The face shows in the margin left of the splash; the splash itself is drawn
# from (6, 6) in the dialog's own pixels.
expect_pixel dialog $((dx + 2)) $((dy + dh / 2)) 192,192,192 "the dialog's face"
[ "$(pixel dialog $((dx + dw / 2)) $((dy + dh / 3)))" != 192,192,192 ] ||
  fail "no splash above the buttons"
expect_pixel dialog $((dx - 1)) $((dy + 20)) 0,0,0 "the desktop beside it"

xdotool key Return
wait_gone "$dialog" || fail "Enter did not close the start dialog"
frame=""
wait_for '[ -n "$(active_window)" ] && [ "$(active_window)" != "$dialog" ]' 50 ||
  fail "nothing took the focus after the start dialog"
frame=$(active_window)
[ "$(xdotool getwindowname "$frame")" = Pippalee ] || fail "the active window is not the book"
[ "$(geometry "$frame")" = "0 0 $SCREEN_W $SCREEN_H" ] ||
  fail "the frame covers $(geometry "$frame"), not the whole screen"
decorated "$frame" && fail "the frame has a caption"
xprop -id "$frame" _NET_WM_ICON | grep -Eq 'Icon \(32 x 32\)' || fail "the frame has no icon"
# The stage is drawn once the pictures are loaded; a large screen under load
# may take a moment longer to show it.
read -r cx cy < <(to_screen $((STAGE_X + 320)) $((STAGE_Y + 240)))
for try in 1 2 3 4 5 6 7 8 9 10; do
  shot frame
  [ "$(pixel frame "$cx" "$cy")" != 0,0,100 ] && break
done

# The stage's edges: the screen pixels wholly outside it are dark blue, those
# wholly inside it are not (a pixel straddling its edge is a blend of both).
left=$((OFFSET_X + $(screen_floor "$STAGE_X")))
top=$((OFFSET_Y + $(screen_floor "$STAGE_Y")))
right=$((OFFSET_X + $(screen_ceil $((STAGE_X + 640)))))
bottom=$((OFFSET_Y + $(screen_ceil $((STAGE_Y + 480)))))
in_left=$((OFFSET_X + $(screen_ceil "$STAGE_X")))
in_top=$((OFFSET_Y + $(screen_ceil "$STAGE_Y")))
in_right=$((OFFSET_X + $(screen_floor $((STAGE_X + 640)))))
in_bottom=$((OFFSET_Y + $(screen_floor $((STAGE_Y + 480)))))
blue=0,0,100
expect_pixel frame 2 2 $blue "the top-left margin"
expect_pixel frame $((SCREEN_W - 3)) $((SCREEN_H - 3)) $blue "the bottom-right margin"
expect_pixel frame $((left - 1)) $((top + 4)) $blue "left of the stage"
expect_pixel frame $((left + 4)) $((top - 1)) $blue "above the stage"
# The stage may reach the screen's right or bottom edge.
[ "$right" -lt "$SCREEN_W" ] && expect_pixel frame $right $((bottom - 4)) $blue "right of the stage"
[ "$bottom" -lt "$SCREEN_H" ] && expect_pixel frame $((right - 4)) $bottom $blue "below the stage"
for p in "$in_left $in_top" "$((in_right - 1)) $((in_bottom - 1))" "$in_left $((in_bottom - 1))" \
  "$((in_right - 1)) $in_top"; do
  read -r px py <<<"$p"
  [ "$(pixel frame "$px" "$py")" != $blue ] || fail "the stage does not reach ($px, $py)"
done
# On a screen of at least 640 by 520 the stage and its drop fill the binding
# side: 480 of 520 logical rows, or 640 of 640 columns.
if [ "$SCREEN_W" -ge 640 ] && [ "$SCREEN_H" -ge 520 ]; then
  if [ $((SCREEN_W * 520)) -le $((SCREEN_H * 640)) ]; then
    [ $((right - left)) -ge $((SCREEN_W * 9 / 10)) ] ||
      fail "the stage is $((right - left)) wide on a screen $SCREEN_W wide"
  else
    [ $((bottom - top)) -ge $((SCREEN_H * 9 / 10)) ] ||
      fail "the stage is $((bottom - top)) high on a screen $SCREEN_H high"
  fi
fi
echo "ok: factor $FACTOR, logical ${LOGICAL_W}x${LOGICAL_H}, stage at ($STAGE_X, $STAGE_Y), on screen ${left},${top} to ${right},${bottom}"
