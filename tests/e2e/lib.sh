# The end-to-end harness: a virtual X server with a window manager, the real
# program in a content folder, input through xdotool and screenshots through
# ImageMagick. Sourced by each case; everything it starts ends with the case.
set -euo pipefail

: "${PIPPALEE:?the path of the built program}"
: "${E2E_OUT:?a folder for the screenshots and logs of this case}"
SCREEN_W=${SCREEN_W:-1920}
SCREEN_H=${SCREEN_H:-1080}

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
OUT="$E2E_OUT"
mkdir -p "$OUT"
rm -f "$OUT"/*.png "$OUT"/*.log
WORK=$(mktemp -d /tmp/pippalee-e2e-XXXXXX)
PIDS=()

cleanup() {
  local p
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    p=${PIDS[i]}
    kill "$p" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
  done
  rm -rf "$WORK"
}
trap cleanup EXIT

# Ends the case as not run: CTest counts exit status 77 as a skip
# (SKIP_RETURN_CODE), never as a pass.
skip() {
  echo "SKIP: $*"
  exit 77
}

fail() {
  echo "FAIL: $*" >&2
  [ -f "$OUT/book.log" ] && { echo "--- program output" >&2; cat "$OUT/book.log" >&2; }
  exit 1
}

# Waits up to $2 tenths of a second for the command in $1 to succeed.
wait_for() {
  local cmd=$1 tries=${2:-100}
  for _ in $(seq "$tries"); do
    if eval "$cmd" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

start_display() {
  # The server picks a free display number itself and tells it on fd 3.
  Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp -noreset \
    3>"$WORK/display" 2>"$OUT/xvfb.log" &
  XVFB_PID=$!
  PIDS+=($XVFB_PID)
  wait_for "[ -s '$WORK/display' ]" 100 || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$WORK/display")"
  openbox --sm-disable >"$OUT/openbox.log" 2>&1 &
  PIDS+=($!)
  wait_for "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" 100 ||
    fail "openbox did not start"
  export XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
}

# The folder the program runs in: the generated content when it was built,
# else the small fixture beside these tests.
prepare_content() {
  CONTENT="$WORK/content"
  if [ -n "${E2E_CONTENT:-}" ] && [ -d "$E2E_CONTENT/books" ]; then
    cp -r "$E2E_CONTENT" "$CONTENT"
    # What earlier runs left there is not content.
    rm -f "$CONTENT/test.dat" "$CONTENT/image.wmf"
  else
    cp -r "$E2E_DIR/fixture" "$CONTENT"
  fi
}

# Starts the program in the content folder; BOOK_PID is its process.
start_book() {
  local log=${1:-$OUT/book.log}
  (cd "$CONTENT" && exec "$PIPPALEE") >"$log" 2>&1 &
  BOOK_PID=$!
  PIDS+=("$BOOK_PID")
}

# Waits up to $2 seconds for the program $1 (started here) to end, and sets
# EXIT_STATUS to its exit status; fails when it is still running.
wait_exit() {
  local pid=$1 secs=${2:-10}
  EXIT_STATUS=""
  for _ in $(seq $((secs * 10))); do
    # An ended child stays a zombie until it is waited for.
    if [ ! -e "/proc/$pid" ] || [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" = Z ]; then
      EXIT_STATUS=0
      wait "$pid" || EXIT_STATUS=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# The id of the first visible window named exactly $1, waiting for it.
find_window() {
  local name=$1 id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Client-area geometry of window $1 on the screen: "x y width height".
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

map_state() { xwininfo -id "$1" | awk '/Map State:/{print $3}'; }

active_window() { xdotool getactivewindow 2>/dev/null || true; }

shot() {
  sleep "${SETTLE:-0.5}"
  import -window root "$OUT/$1.png"
}

# The colour of one screen pixel of screenshot $1 as "r,g,b".
pixel() {
  convert "$OUT/$1.png" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

expect_pixel() {
  local got
  got=$(pixel "$1" "$2" "$3")
  [ "$got" = "$4" ] || fail "$1: pixel ($2, $3) is $got, expected $4${5:+ ($5)}"
}

# The logical screen and the stage as the program computes them: the factor
# NUM/DEN = min(width / 640, height / 520), 1 on a screen smaller than that.
logical_layout() {
  if [ "$SCREEN_W" -lt 640 ] || [ "$SCREEN_H" -lt 520 ]; then
    NUM=1 DEN=1
  elif [ $((SCREEN_W * 520)) -le $((SCREEN_H * 640)) ]; then
    NUM=$SCREEN_W DEN=640
  else
    NUM=$SCREEN_H DEN=520
  fi
  FACTOR="$NUM/$DEN"
  LOGICAL_W=$((SCREEN_W * DEN / NUM))
  LOGICAL_H=$((SCREEN_H * DEN / NUM))
  OFFSET_X=$(((SCREEN_W * DEN - LOGICAL_W * NUM) / (2 * DEN)))
  OFFSET_Y=$(((SCREEN_H * DEN - LOGICAL_H * NUM) / (2 * DEN)))
  STAGE_X=$(((LOGICAL_W - 640) / 2))
  STAGE_Y=$(((LOGICAL_H - 480) / 2 + 20))
}

# Screen pixels of $1 logical pixels (not negative), rounded down and up.
screen_floor() { echo $(($1 * NUM / DEN)); }
screen_ceil() { echo $((($1 * NUM + DEN - 1) / DEN)); }
# Logical length of $1 screen pixels, rounded down.
to_logical() { echo $(($1 * DEN / NUM)); }

# The middle one of the screen pixels that the program maps to logical
# coordinate $1 (those whose left or top edge lies in its block).
block_middle() {
  local first last
  first=$(screen_ceil "$1")
  last=$(($(screen_ceil $(($1 + 1))) - 1))
  echo $(((first + last) / 2))
}

# Screen pixel of logical point ($1, $2): the middle of its enlarged pixel.
to_screen() {
  echo "$((OFFSET_X + $(block_middle "$1"))) $((OFFSET_Y + $(block_middle "$2")))"
}

# Fails unless window $1 is placed as the framework centres its pop-ups: in
# the middle of the logical screen, as many screen pixels as its logical
# size enlarged, rounded up.
expect_centred() {
  local x y w h lw lh
  read -r x y w h < <(geometry "$1")
  lw=$(to_logical "$w")
  lh=$(to_logical "$h")
  [ "$w" -eq "$(screen_ceil "$lw")" ] && [ "$h" -eq "$(screen_ceil "$lh")" ] ||
    fail "$2: ${w}x${h} is not a logical size enlarged by $FACTOR"
  local ex=$((OFFSET_X + $(screen_floor $(((LOGICAL_W - lw) / 2)))))
  local ey=$((OFFSET_Y + $(screen_floor $(((LOGICAL_H - lh) / 2)))))
  [ "$x" -eq "$ex" ] && [ "$y" -eq "$ey" ] ||
    fail "$2: client area at ($x, $y), expected ($ex, $ey) for ${lw}x${lh} logical pixels"
}

# Waits for window $1 to be unmapped or destroyed.
wait_gone() {
  wait_for "! xwininfo -id $1 2>/dev/null | grep -q IsViewable" "${2:-50}"
}

# Has the window manager framed window $1 with a caption?
decorated() {
  local top
  top=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | cut -d, -f3 | tr -d ' ')
  [ -n "$top" ] && [ "$top" -gt 0 ]
}

# Screen rectangle of window $1 with the window manager's frame: "x0 y0 x1 y1".
outer_rect() {
  local x y w h l r t b
  read -r x y w h < <(geometry "$1")
  IFS=', ' read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p')
  echo "$((x - ${l:-0})) $((y - ${t:-0})) $((x + w - 1 + ${r:-0})) $((y + h - 1 + ${b:-0}))"
}

# Number of pixels that differ between screenshots $1 and $2, leaving out the
# screen rectangles "x0 y0 x1 y1" given after them.
differing_pixels() {
  local a="$OUT/$1.png" b="$OUT/$2.png" draw=()
  shift 2
  for r in "$@"; do
    read -r x0 y0 x1 y1 <<<"$r"
    draw+=(-draw "rectangle $x0,$y0 $x1,$y1")
  done
  convert "$a" -fill black "${draw[@]}" "$WORK/a.png"
  convert "$b" -fill black "${draw[@]}" "$WORK/b.png"
  compare -metric AE "$WORK/a.png" "$WORK/b.png" null: 2>&1 || true
}

# The same for the client area of window $3 alone.
differing_in_window() {
  local x y w h
  read -r x y w h < <(geometry "$3")
  convert "$OUT/$1.png" -crop "${w}x${h}+${x}+${y}" +repage "$WORK/a.png"
  convert "$OUT/$2.png" -crop "${w}x${h}+${x}+${y}" +repage "$WORK/b.png"
  compare -metric AE "$WORK/a.png" "$WORK/b.png" null: 2>&1 || true
}

# Answers the start dialog with Enter and waits for the frame to take the
# focus; sets dialog (the start dialog's id) and frame.
go_on_to_frame() {
  dialog=$(find_window Pippalee) || fail "no start dialog"
  xdotool key Return
  wait_gone "$dialog" || fail "Enter did not close the start dialog"
  wait_for '[ -n "$(active_window)" ] && [ "$(active_window)" != "$dialog" ]' 50 || fail "no frame"
  frame=$(active_window)
}
