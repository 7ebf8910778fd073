#!/usr/bin/env bash
# On the enlarged frame a click reaches the stage at its logical point: one
# beside book 1's button, in the frame's margin, leaves the page as it is; one
# on the button opens the book's first page.
source "$(dirname "$0")/lib.sh"
start_display
logical_layout
prepare_content
[ -d "$CONTENT/books" ] || skip "no generated content"
start_book

go_on_to_frame

# The page area: the stage right of the buttons and below the top bar.
read -r px0 py0 < <(to_screen $((STAGE_X + 50)) $((STAGE_Y + 60)))
read -r px1 py1 < <(to_screen $((STAGE_X + 639)) $((STAGE_Y + 479)))
page_differs() {
  convert "$OUT/$1.png" -crop "$((px1 - px0))x$((py1 - py0))+$px0+$py0" +repage "$WORK/p1.png"
  convert "$OUT/$2.png" -crop "$((px1 - px0))x$((py1 - py0))+$px0+$py0" +repage "$WORK/p2.png"
  compare -metric AE "$WORK/p1.png" "$WORK/p2.png" null: 2>&1 || true
}
click_logical() {
  read -r sx sy < <(to_screen "$1" "$2")
  xdotool mousemove "$sx" "$sy" click 1
}
# The book handles a click when it is free, later on a loaded machine:
# screenshots are taken until the page is still (screenshot $1) or until it
# differs from screenshot $2, for up to a minute. A click is never repeated.
still_shot() {
  SETTLE=1 shot "$1"
  for _ in $(seq 60); do
    SETTLE=1 shot next
    [ "$(page_differs "$1" next)" = 0 ] && return 0
    mv "$OUT/next.png" "$OUT/$1.png"
  done
  fail "the page did not come to rest"
}
changed_shot() {
  for i in $(seq 60); do
    SETTLE=1 shot "$1"
    if [ "$(page_differs "$2" "$1")" != 0 ]; then
      echo "changed in about ${i} s"
      return 0
    fi
  done
  return 1
}

still_shot title
click_logical $((STAGE_X - 3)) $((STAGE_Y + 78))
still_shot margin
[ "$(page_differs title margin)" = 0 ] || fail "a click in the margin changed the page"
# One click on the button opens the book.
click_logical $((STAGE_X + 25)) $((STAGE_Y + 78))
changed_shot book1 title || fail "a click on book 1 did not open it"
echo "ok"
