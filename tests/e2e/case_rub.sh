#!/usr/bin/env bash
# A child's first minute: open book 1, rub across its page with the button
# held, and see the colours appear along the stroke only.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
[ -f "$CONTENT/books/PL01_01c.png" ] || skip "no generated content"
start_book

go_on_to_frame

# Screen pixel of a point of the stage (the main screen's own coordinates).
stage_point() { to_screen $((STAGE_X + $1)) $((STAGE_Y + $2)); }
# The largest chroma (0 to 100) in a band of the screenshot,
# given in stage coordinates: an outline page is only greys.
band_saturation() {
  local x0 y0 x1 y1
  read -r x0 y0 < <(stage_point "$2" "$3")
  read -r x1 y1 < <(stage_point "$4" "$5")
  convert "$OUT/$1.png" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" -colorspace HCL \
    -channel G -separate -format "%[fx:int(100*maxima)]" info:
}

sleep 1
read -r bx by < <(stage_point 25 80)
xdotool mousemove "$bx" "$by" click 1
sleep 3  # the slide and the narration's start
shot outline
[ "$(band_saturation outline 60 50 630 470)" -le 10 ] ||
  fail "the page shows colour before any rubbing"

read -r sx sy < <(stage_point 150 260)
xdotool mousemove "$sx" "$sy" mousedown 1
for x in $(seq 160 10 550); do
  read -r px py < <(stage_point "$x" 260)
  xdotool mousemove "$px" "$py"
  sleep 0.02
done
xdotool mouseup 1
shot rubbed
[ "$(band_saturation rubbed 200 250 500 270)" -ge 30 ] ||
  fail "no colour along the stroke"
[ "$(band_saturation rubbed 60 360 630 470)" -le 10 ] ||
  fail "colour away from the stroke"
kill -0 "$BOOK_PID" 2>/dev/null || fail "the book ended"
echo "ok: factor $FACTOR"
