#!/usr/bin/env bash
# Every paint leaves the whole window true, whatever part of it was made
# invalid. The pattern view can change with no repaint asked for: the piano
# moves on to its next pattern 4.2 s after PLAY. With drum pattern 2 at tempo
# 3 and pattern 3 at tempo 8, the drum's bar ends (each with a repaint of the
# whole window) come at 2.7 s, 4.05 s and then only at 7.65 s. A repaint of
# one cell in between, as a received byte causes, must show the whole view in
# its state of that moment: piano digit 2 and the empty roll. And a strip
# outside the terminal's cells and the view, made invalid with erasing (a
# window moved across it), comes back erased.
source "$(dirname "$0")/bed.sh"
source "$(dirname "$0")/view.sh"
bed_start || exit 1
want=$BED_DIR/want.png
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# moved_on NAME top|roll: a note in piano pattern 1, the drum patterns' tempos
# as above, PLAY; 4.6 s later one terminal cell is repainted and the window
# read at once. The cell: "top", row 0 column 40, above the pads; "roll", the
# cell over the roll's column 20 in the first row below the roll's top.
# Returns 2 when the window was read after the drum's bar end at 7.65 s (the
# check then proves nothing and is made again).
moved_on() {
  local name=$1 where=$2 t0 snapped xc yc cell
  bed_launch "$(bed_workdir "moved-$where")"
  drive wait-window 30000 >/dev/null
  sleep 0.5
  view_init || return 1
  # The view of that moment: drum pattern 3 at tempo 8, piano pattern 2.
  [[ -s $want ]] || view_expected "$want" digits="3 8 2 4"
  xc=$(drive record xChar) yc=$(drive record yChar)
  if [[ $where == top ]]; then
    cell="$((40 * xc)) 0 $xc $yc"
  else
    cell="$(((ROLL_LEFT + 20 * ROLL_COLUMN_WIDTH + 2) / xc * xc)) $(((ROLL_TOP + yc - 1) / yc * yc)) $xc $yc"
  fi
  drive click $(bed_cell 5 3) $(bed_middle DRUM_PATTERN_DOWN) $(bed_middle DRUM_TEMPO_UP) \
    $(bed_middle DRUM_PATTERN_DOWN) $(printf "$(bed_middle DRUM_TEMPO_DOWN) %.0s" 1 2 3 4) >/dev/null
  sleep 0.3
  drive click $(bed_middle PLAY) >/dev/null
  t0=$(now_ms)
  snapped=$(drive repaint-snap $((t0 + 4600)) $cell "$BED_DIR/moment.bmp" | sed -n 's/^snapped at //p')
  drive click $(bed_middle STOP) >/dev/null
  bed_close "$name: ends with exit code 0"
  if [[ -z $snapped ]] || ((snapped - t0 > 7500)); then
    bed_log "$name: the window was read ${snapped:+$((snapped - t0)) ms }after PLAY, too late: again"
    return 2
  fi
  convert "$BED_DIR/moment.bmp" "$BED_DIR/view-shot.png"
  if view_compare "$want"; then
    echo "ok: $name ($((snapped - t0)) ms after PLAY)"
  else
    echo "FAIL: $name: $VIEW_DIFFER pixels differ from the whole view of that moment ($((snapped - t0)) ms after PLAY)"
    BED_FAILURES=$((BED_FAILURES + 1))
  fi
}

for case in "top:the cell at row 0, column 40" "roll:the cell over the roll's column 20"; do
  for try in 1 2 3; do
    moved_on "a repaint of ${case#*:} shows the piano's next pattern, whole" "${case%%:*}"
    (($? == 2)) || break
  done
done

# The strip right of the cells between the drum controls and PLAY holds
# neither cells nor view: only the background's erasing paints it. It is one
# row of cells high, as the paint of a received byte is.
bed_launch "$(bed_workdir erase)"
drive wait-window 30000 >/dev/null
sleep 0.5
view_init || exit 1
view_expected "$want"
yc=$(drive record yChar)
STRIP="$DRUM_PATTERN_UP_X $((DRUM_PATTERN_DOWN_Y + CONTROL_HEIGHT + 4)) 100 $yc"
drive uncover $STRIP >/dev/null
view_expect "a strip made invalid with erasing comes back erased" "$want" $STRIP
view_expect "the rest of the window is untouched" "$want"
bed_close
bed_finish
