#!/usr/bin/env bash
# Ctrl+C puts the page area on the clipboard, where another program pastes it
# as a PNG equal to the screen; Ctrl+P with OK sends a PDF of the page to a
# CUPS printer (a server of this case's own, whose printer writes files).
source "$(dirname "$0")/lib.sh"
command -v xclip >/dev/null || fail "xclip is not installed"

# --- a CUPS server in $WORK/cups with one printer, "e2e", whose jobs land in
# $WORK/cups/out as job-N.pdf
start_cups() {
  CUPS="$WORK/cups"
  mkdir -p "$CUPS"/{spool,cache,state,log,out,bin/backend}
  chmod 777 "$CUPS/out"
  for d in filter daemon cgi-bin notifier monitor driver; do ln -s "/usr/lib/cups/$d" "$CUPS/bin/$d"; done
  cat >"$CUPS/bin/backend/tofile" <<'SH'
#!/bin/sh
if [ $# -eq 0 ]; then echo 'direct tofile "Unknown" "Test output"'; exit 0; fi
dir="${DEVICE_URI#tofile:}"
if [ -n "$6" ]; then cat "$6" >"$dir/job-$1.part"; else cat >"$dir/job-$1.part"; fi
printf '%s' "$3" >"$dir/job-$1.title"
mv "$dir/job-$1.part" "$dir/job-$1.pdf"
SH
  chmod 0700 "$CUPS/bin/backend/tofile"
  cat >"$CUPS/cupsd.conf" <<CONF
Listen $CUPS/cups.sock
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$CUPS/cups-files.conf" <<CONF
ServerRoot $CUPS
RequestRoot $CUPS/spool
CacheDir $CUPS/cache
StateDir $CUPS/state
TempDir $CUPS/spool
ErrorLog $CUPS/log/error_log
AccessLog $CUPS/log/access_log
PageLog $CUPS/log/page_log
ServerBin $CUPS/bin
DataDir /usr/share/cups
CONF
  cupsd -f -c "$CUPS/cupsd.conf" -s "$CUPS/cups-files.conf" >"$OUT/cupsd.log" 2>&1 &
  PIDS+=($!)
  export CUPS_SERVER="$CUPS/cups.sock"
  wait_for "lpstat -r | grep -q 'is running'" 100 || return 1
  lpadmin -p e2e -E -v "tofile:$CUPS/out" -m raw -D "End-to-end printer" >/dev/null 2>&1 &&
    lpadmin -d e2e >/dev/null 2>&1
}

start_display
logical_layout
prepare_content
if ! command -v cupsd >/dev/null || ! start_cups; then
  echo "SKIP: cupsd cannot be started here: $(cat "$OUT/cupsd.log" 2>/dev/null)"
  CUPS=""
fi
start_book

go_on_to_frame
sleep 2

# The page area on the screen, one screen pixel from the middle of each
# logical pixel's block (the blend at a block's edge is left out).
shot page
columns=() rows=()
for ((x = 0; x < 590; x++)); do
  columns+=("(" -clone 0 -crop "1x${SCREEN_H}+$((OFFSET_X + $(block_middle $((STAGE_X + 50 + x)))))+0" +repage ")")
done
for ((y = 0; y < 440; y++)); do
  rows+=("(" -clone 0 -crop "590x1+0+$((OFFSET_Y + $(block_middle $((STAGE_Y + 40 + y)))))" +repage ")")
done
convert "$OUT/page.png" "${columns[@]}" -delete 0 +repage +append "$OUT/page_columns.png"
convert "$OUT/page_columns.png" "${rows[@]}" -delete 0 +repage -append "$OUT/page_area.png"

xdotool key ctrl+c
wait_for "xclip -selection clipboard -t TARGETS -o | grep -q image/png" 50 ||
  fail "nothing offers image/png after Ctrl+C"
xclip -selection clipboard -t image/png -o >"$OUT/clip.png" || fail "the PNG could not be pasted"
[ "$(identify -format '%wx%h' "$OUT/clip.png")" = 590x440 ] ||
  fail "the pasted picture is $(identify -format '%wx%h' "$OUT/clip.png"), not 590x440"
diff=$(compare -metric AE "$OUT/clip.png" "$OUT/page_area.png" null: 2>&1 || true)
[ "$diff" = 0 ] || fail "the pasted picture differs from the screen in $diff pixels"
xclip -selection clipboard -t image/bmp -o >"$OUT/clip.bmp" || fail "the BMP could not be pasted"
[ "$(head -c 2 "$OUT/clip.bmp")" = BM ] || fail "no BMP is offered"

if [ -n "$CUPS" ]; then
  xdotool key ctrl+p
  wait_for '[ "$(active_window)" != "$frame" ] && [ -n "$(active_window)" ]' 50 ||
    fail "Ctrl+P showed no print dialog"
  print_dialog=$(active_window)
  [ "$(xdotool getwindowname "$print_dialog")" = Print ] || fail "the active window is not the print dialog"
  shot print_dialog
  xdotool key Return
  wait_gone "$print_dialog" || fail "Enter did not close the print dialog"
  wait_for "ls '$CUPS/out'/*.pdf" 200 || fail "no job reached the printer"
  job=$(ls "$CUPS"/out/*.pdf | head -n1)
  [ "$(head -c 5 "$job")" = "%PDF-" ] || fail "the job is not a PDF"
  [ "$(cat "${job%.pdf}.title")" = IMAGE ] || fail "the job is called $(cat "${job%.pdf}.title")"
  [ -f "$CONTENT/image.wmf" ] || fail "no image.wmf beside the book"
  # A4 with 18 points of margin: at this resolution the printable width is
  # 590 pixels, so the page comes out at its own size from the margin on.
  pdftoppm -f 1 -l 1 -singlefile -png -r 75.954 "$job" "$OUT/printed"
  margin=19
  # Both softened a little: the printer's copy is smoothed where it is scaled.
  convert "$OUT/printed.png" -crop "590x440+${margin}+${margin}" +repage -blur 0x2 "$OUT/printed_page.png"
  convert "$OUT/page_area.png" -blur 0x2 "$WORK/screen_page.png"
  rmse=$(compare -metric RMSE "$OUT/printed_page.png" "$WORK/screen_page.png" null: 2>&1 |
    sed -n 's/.*(\(.*\)).*/\1/p' || true)
  awk -v e="${rmse:-1}" 'BEGIN { exit !(e < 0.1) }' ||
    fail "the printed page differs from the screen (RMSE $rmse)"
  echo "ok: copied and printed at factor $FACTOR (print RMSE $rmse)"
else
  echo "ok: copied at factor $FACTOR; printing skipped without cupsd"
fi
