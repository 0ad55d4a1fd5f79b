#!/usr/bin/env bash
# The caret stays one true caret while both threads write the terminal: a far
# end streams at the line's full rate (the watch thread writes and asks for a
# repaint after every byte) while keys are typed with local echo on (the
# user-interface thread writes and moves the caret). A paint that drew over the
# cell the caret covers without hiding it leaves that cell inverted when the
# caret moves on. Through the run the window is read again and again: every
# time at most one cell of the terminal may show inverted, the caret's own.
source "$(dirname "$0")/bed.sh"
source "$(dirname "$0")/view.sh"
SECONDS_STREAMED=${SECONDS_STREAMED:-60}
export BED_DEADLINE=${BED_DEADLINE:-$((SECONDS_STREAMED + 150))}
bed_start || exit 1
bed_raw_player || exit 1
view_init || exit 1
# After STOP the view is no longer drawn, and the whole window's repaint that
# STOP asks for leaves every cell of the terminal showing.
drive click $(bed_middle STOP) >/dev/null
expect_true "Settings turns local echo on" bed_settings 1 $IDC_LOCALECHO=1
bed_connect || { bed_log "no connection"; bed_finish; exit 1; }
xc=$(drive record xChar) yc=$(drive record yChar)

# inverted_cells BMP: "ROW COLUMN" of every one of the 80 x 25 cells that is
# mostly dark (a glyph on the window's light background covers well under
# half of its cell).
inverted_cells() {
  convert "$1" -crop "$((80 * xc))x$((25 * yc))+0+0" +repage -colorspace gray -filter box -resize '80x25!' \
    -threshold 50% txt:- | awk -F'[,:]' '/#000000/ { print $2, $1 }'
}

peer stream 9600 $((SECONDS_STREAMED * 960))
# Keys typed through the run, each echoed where the cursor is.
typed=$(printf 'typed while streaming %.0s' $(seq $((SECONDS_STREAMED * 2))))
drive post-char "$typed" 25 >/dev/null &
typist=$!
reads=0 worst=0 at=
until_s=$((SECONDS + SECONDS_STREAMED))
while ((SECONDS < until_s)); do
  drive repaint-snap 0 0 0 0 0 "$BED_DIR/read.bmp" >/dev/null || continue
  n=$(inverted_cells "$BED_DIR/read.bmp" | wc -l)
  reads=$((reads + 1))
  if ((n > worst)); then
    worst=$n at=$reads
    cp "$BED_DIR/read.bmp" "$BED_DIR/worst.bmp"
  fi
done
wait "$typist"
expect_true "the window was read through the stream ($reads times)" within "$reads" 10 100000
expect_true "never more than the caret's one cell inverted (at most $worst, at read ${at:-none})" within "$worst" 0 1
peer_wait '^streamed' 30 || bed_log "the stream had not ended"

# Once both have stopped and the program has shown every byte (what the far
# end sent and every typed key's echo), the caret rests on the cursor's cell:
# read until the blinking caret shows.
sent=$(awk '$1 == "streamed" { print $4 }' "$BED_DIR/peer.log")
for ((i = 0; i < 120; i++)); do
  shown=$(drive tally | awk '{ print $2 }')
  ((shown >= ${sent:-0} + ${#typed})) && break
  sleep 0.5
done
expect_true "every byte sent and typed is shown ($shown of ${sent:-?} + ${#typed})" within "$shown" $((sent + ${#typed})) 1000000
cursor=$(screen_cursor) caret=
for ((i = 0; i < 10; i++)); do
  drive repaint-snap 0 0 0 0 0 "$BED_DIR/read.bmp" >/dev/null
  caret=$(inverted_cells "$BED_DIR/read.bmp")
  [[ -n $caret ]] && break
  sleep 0.2
done
expect "at rest the caret shows at the cursor (row column)" "$caret" "$cursor"
bed_close
bed_finish
