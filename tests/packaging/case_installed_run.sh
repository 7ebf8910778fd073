#!/usr/bin/env bash
# The Debian package as a user gets it: extracted into a folder that is then
# made read-only, its launcher started by a user other than root from another
# folder. The book starts, goes on to the stage, opens book 1 at its first
# page and ends on Esc and Yes with status 0; its profile lands in that user's
# configuration folder and nothing is written into the installed tree.
: "${PIPPALEE_DEB:?the Debian package}"
# The harness asks for a built program; here the package's launcher runs.
# shellcheck disable=SC2034
PIPPALEE=$PIPPALEE_DEB
source "$(dirname "$0")/../e2e/lib.sh"
[ -f "$PIPPALEE_DEB" ] || fail "no package $PIPPALEE_DEB"

TREE="$WORK/tree"
USER_HOME="$WORK/home"
# A user may enter the work folder to reach the tree and its home, no more.
chmod 711 "$WORK"
dpkg-deb -x "$PIPPALEE_DEB" "$TREE"
chmod -R a-w "$TREE"
# The tree is made writable again before it is removed.
trap 'chmod -R u+w "$TREE" 2>/dev/null || true; cleanup' EXIT
snapshot() { find "$TREE" -printf '%M %s %T@ %p\n' | sort; }
snapshot >"$OUT/tree-before.txt"

start_display
logical_layout

# As root the book runs under a user id nobody has: no name, no groups, a home
# of its own with no configuration folder yet.
mkdir -p "$USER_HOME/elsewhere" "$USER_HOME/run"
chmod 700 "$USER_HOME/run"
if [ "$(id -u)" -eq 0 ]; then
  uid=$((61000 + RANDOM % 3000))
  while getent passwd "$uid" >/dev/null || getent group "$uid" >/dev/null; do uid=$((uid + 1)); done
  chown -R "$uid:$uid" "$USER_HOME"
  as_user=(setpriv --reuid="$uid" --regid="$uid" --clear-groups)
else
  uid=$(id -u)
  as_user=()
fi
(cd "$USER_HOME/elsewhere" &&
  exec "${as_user[@]}" env -i HOME="$USER_HOME" DISPLAY="$DISPLAY" \
    XDG_RUNTIME_DIR="$USER_HOME/run" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    "$TREE/usr/bin/pippalee") >"$OUT/book.log" 2>&1 &
BOOK_PID=$!
PIDS+=("$BOOK_PID")

go_on_to_frame
[ "$(geometry "$frame")" = "0 0 $SCREEN_W $SCREEN_H" ] || fail "the frame does not cover the screen"
[ "$(awk '/^Uid:/{print $2}' "/proc/$BOOK_PID/status")" = "$uid" ] || fail "the book does not run as $uid"
sleep 2
shot stage
expect_pixel stage 2 2 0,0,100 "the frame's margin"
read -r sx sy < <(to_screen "$STAGE_X" "$STAGE_Y")
[ "$(pixel stage "$sx" "$sy")" != 0,0,100 ] || fail "no stage"

# The frame's icon is the drawing the menus show at 32 pixels.
frame_icon=$(xprop -id "$frame" -notype -f _NET_WM_ICON 32c '=$0+' _NET_WM_ICON | sed 's/^.*=//; s/ //g')
menu_icon=$(convert "$TREE/usr/share/icons/hicolor/32x32/apps/pippalee.png" -depth 8 rgba:- |
  od -An -v -tu1 -w4 | awk 'BEGIN{printf "32,32"} {printf ",%.0f", (($4*256+$1)*256+$2)*256+$3}')
[ "$frame_icon" = "$menu_icon" ] || fail "the 32-pixel menu icon is not the frame's icon"

# Book 1's first page, in the page view at (50, 40) on the stage, pixel for
# pixel as the installed content has it (the screen enlarges it by a whole
# factor). The book lets clicks go while its
# title animates, so a click that shows nothing within ten seconds is made
# again; one that shows another page fails.
page="$TREE/usr/share/pippalee/books/PL01_01b.png"
cover="$TREE/usr/share/pippalee/books/PL00_01b.png"
px=$((OFFSET_X + $(screen_floor $((STAGE_X + 50)))))
py=$((OFFSET_Y + $(screen_floor $((STAGE_Y + 40)))))
shown_page() {
  import -window root "$WORK/now.png"
  convert "$WORK/now.png" -crop "$(screen_floor 590)x$(screen_floor 440)+$px+$py" \
    +repage -sample 590x440 "$WORK/shown.png"
}
differs_from() { compare -metric AE "$WORK/shown.png" "$1" null: 2>&1 || true; }
opened=""
for try in 1 2 3; do
  read -r bx by < <(to_screen $((STAGE_X + 25)) $((STAGE_Y + 78)))
  xdotool mousemove "$bx" "$by" click 1
  for _ in $(seq 20); do
    sleep 0.5
    shown_page
    [ "$(differs_from "$page")" = 0 ] && { opened=$try; break 2; }
  done
  # Only a click that changed nothing is made again.
  [ "$(differs_from "$cover")" = 0 ] || break
done
cp "$WORK/now.png" "$OUT/book1.png"
[ -n "$opened" ] || fail "book 1's first page is not shown ($(differs_from "$page") pixels differ)"

xdotool key Escape
wait_for '[ "$(active_window)" != "$frame" ] && [ -n "$(active_window)" ]' 50 || fail "Esc asked nothing"
xdotool key Return
wait_exit "$BOOK_PID" 10 || fail "Yes did not end the book"
[ "$EXIT_STATUS" = 0 ] || fail "the book ended with status $EXIT_STATUS"

profile="$USER_HOME/.config/pippalee.INI"
[ -f "$profile" ] || fail "no profile in the user's configuration folder"
[ "$(stat -c %u "$profile")" = "$uid" ] || fail "the profile is not the user's"
grep -q '^\[strSection\]' "$profile" || fail "the profile holds no settings"
snapshot >"$OUT/tree-after.txt"
diff -u "$OUT/tree-before.txt" "$OUT/tree-after.txt" >&2 || fail "the book wrote into its installation"
echo "ok: run as uid $uid, book 1 opened on try $opened"
