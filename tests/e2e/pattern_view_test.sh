#!/usr/bin/env bash
# The pattern view as a person sees it, read from the screen and compared
# pixel for pixel with the view composed from the program's bitmaps: the
# start-up view, pad and roll clicks, a click on no area, the arrows at their
# limits, and STOP leaving only PLAY and STOP painted until PLAY.
source "$(dirname "$0")/bed.sh"
source "$(dirname "$0")/view.sh"
bed_start || exit 1
dir=$(bed_workdir player)
bed_launch "$dir"
drive wait-window 30000 >/dev/null
view_init || exit 1
sleep 0.5
want=$BED_DIR/want.png
rest=$(printf '0 %.0s' {1..42})

view_expected "$want"
view_expect "start-up: eight grey pads at x 10, 84, ... 528" "$want" 10 10 582 128
view_expect "start-up: 42 roll columns, each with a blue cell in its top row" "$want" 10 150 590 391
view_expect "start-up: digits 1 and 4 at the drum controls" "$want" 650 0 118 150
view_expect "start-up: digits 1 and 4 at the piano controls" "$want" 650 400 118 150
view_expect "start-up: PLAY and STOP" "$want" 650 200 100 100
view_expect "start-up: nothing else is drawn" "$want"
# A repaint of a few cells, as a received byte causes, leaves no hole where
# the terminal painted its cells: the pad, the roll column with its note cell,
# the grid's closing line and PLAY under them are drawn again.
for rect in "100 100 8 16" "292 300 8 16" "596 300 8 16" "660 210 8 16"; do
  drive paint-timed 1 $rect >/dev/null
done
view_expect "repainting a few cells over the pads, the roll and PLAY leaves the view whole" "$want"

drive click 158 10 >/dev/null
sleep 0.3
view_expected "$want" pads=00100000
view_expect "a click on pad 3 shows the pink disc at x 158" "$want" 10 10 582 128
drive click 221 137 >/dev/null
sleep 0.3
view_expected "$want"
view_expect "a second click (its last pixel) takes it away" "$want" 10 10 582 128

drive click 24 161 >/dev/null
sleep 0.3
rows="0 1 ${rest#0 0 }"
view_expected "$want" rows="$rows"
view_expect "a click at (24, 161) moves column 1's cell to row 1" "$want" 10 150 590 391

drive click 74 10 >/dev/null
sleep 0.3
view_expect "a click at (74, 10), right of pad 1, changes nothing" "$want"

# The arrows: up at pattern 1 and tempo 1, down at pattern 8 and tempo 8.
drive click 650 0 697 49 650 400 697 449 >/dev/null   # both pattern up arrows at 1
drive click 720 149 720 149 720 149 720 149 769 149 >/dev/null   # drum tempo 4 to 8, then once more
drive click 720 400 720 400 720 400 767 449 >/dev/null   # piano tempo 4 to 1, then once more
sleep 0.3
view_expected "$want" rows="$rows" digits="1 8 1 1"
view_expect "arrows at their limits: pattern up at 1, tempo down at 8, tempo up at 1" "$want"
drive click $(printf '650 100 %.0s' {1..8}) $(printf '650 500 %.0s' {1..8}) >/dev/null   # both patterns to 8, then once more
drive click 720 0 720 0 720 0 720 0 720 0 720 549 720 549 720 549 720 549 720 549 >/dev/null
sleep 0.3
view_expected "$want" digits="8 1 8 8"
view_expect "pattern down at 8 shows pattern 8's empty steps and its tempo, raised to its limit" \
  "$want"
# Back to tempo 4 everywhere, patterns 1, and column 1 at rest: from here on
# every pattern looks the same but for its number.
drive click 720 100 720 100 720 100 720 400 720 400 720 400 720 400 \
  $(printf '650 0 %.0s' {1..7}) $(printf '650 400 %.0s' {1..7}) \
  720 0 720 0 720 0 720 0 720 500 720 500 720 500 24 150 >/dev/null

# STOP: from then on only PLAY and STOP are painted, even on a full repaint.
drive click 650 250 >/dev/null
view_expected "$want" chat=0
for ((i = 0; i < 10; i++)); do drive repaint >/dev/null; view_matches "$want" && break; sleep 0.3; done
view_expect "after STOP a full repaint paints only PLAY and STOP" "$want"
drive click 650 200 >/dev/null
sleep 0.3
# While playing the patterns move on (the drum pattern at every bar end, with
# a repaint), so the two pattern numbers are left out of the comparison.
view_expected "$want"
view_expect "PLAY brings the whole view back: pads and roll" "$want" 10 0 640 554
view_expect "PLAY brings the whole view back: PLAY and STOP" "$want" 650 200 100 100
view_expect "PLAY brings the whole view back: tempo controls" "$want" 698 0 94 554
drive click 650 250 >/dev/null

bed_close
bed_finish
