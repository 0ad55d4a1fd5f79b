#!/usr/bin/env bash
# The pattern view as a person sees it, read from the screen and compared
# pixel for pixel with the view composed from the program's bitmaps: the
# start-up view, pad and roll clicks, a click on no area, the arrows at their
# limits, and STOP leaving only PLAY and STOP painted until PLAY.
source "$(dirname "$0")/bed.sh"
source "$(dirname "$0")/view.sh"
view_player || exit 1
view_init || exit 1
sleep 0.5
want=$BED_DIR/want.png
rest=$(printf '0 %.0s' {1..42})
# The regions compared: the pads, the roll, the two pairs of controls, PLAY
# and STOP; a pad's corner and last pixel; the last pixel of an arrow's click
# area.
PADS="$PAD_LEFT $PAD_TOP $((7 * PAD_PITCH + PAD_WIDTH)) $PAD_HEIGHT"
ROLL="$ROLL_LEFT $ROLL_TOP $ROLL_CLICKS_W $ROLL_HEIGHT"
CONTROLS_W=$((DRUM_TEMPO_UP_X + CONTROL_WIDTH - DRUM_PATTERN_UP_X))
DRUM_CONTROLS="$DRUM_PATTERN_UP_X $DRUM_PATTERN_UP_Y $CONTROLS_W $((3 * CONTROL_HEIGHT))"
PIANO_CONTROLS="$PIANO_PATTERN_UP_X $PIANO_PATTERN_UP_Y $CONTROLS_W $((3 * CONTROL_HEIGHT))"
TRANSPORT="$PLAY_X $PLAY_Y $PLAY_W $((PLAY_H + STOP_H))"
pad_corner() { echo "$((PAD_LEFT + PAD_PITCH * ($1 - 1))) $PAD_TOP"; }
pad_last() { echo "$((PAD_LEFT + PAD_PITCH * ($1 - 1) + PAD_WIDTH - 1)) $((PAD_TOP + PAD_HEIGHT - 1))"; }
cell() { echo "$((ROLL_LEFT + ROLL_COLUMN_WIDTH * $1)) $((ROLL_TOP + ROLL_ROW_PITCH * $2))"; }
last() { local -n x=${1}_X y=${1}_Y w=${1}_W h=${1}_H; echo "$((x + w - 1)) $((y + h - 1))"; }
at() { local -n x=${1}_X y=${1}_Y; echo "$x $y"; }

view_expected "$want"
view_expect "start-up: eight grey pads at x 10, 84, ... 528" "$want" $PADS
view_expect "start-up: 42 roll columns, each with a blue cell in its top row" "$want" $ROLL
view_expect "start-up: digits 1 and 4 at the drum controls" "$want" $DRUM_CONTROLS
view_expect "start-up: digits 1 and 4 at the piano controls" "$want" $PIANO_CONTROLS
view_expect "start-up: PLAY and STOP" "$want" $TRANSPORT
view_expect "start-up: nothing else is drawn" "$want"
# A repaint of a few cells, as a received byte causes, leaves no hole where
# the terminal painted its cells: the pad, the roll column with its note cell,
# the grid's closing line and PLAY under them are drawn again.
for rect in "$((PAD_LEFT + PAD_PITCH + 16)) 100 8 16" "$((ROLL_LEFT + 20 * ROLL_COLUMN_WIDTH + 2)) 300 8 16" \
  "$((ROLL_LEFT + 42 * ROLL_COLUMN_WIDTH - 2)) 300 8 16" "$((PLAY_X + 10)) $((PLAY_Y + 10)) 8 16"; do
  drive paint-timed 1 $rect >/dev/null
done
view_expect "repainting a few cells over the pads, the roll and PLAY leaves the view whole" "$want"

drive click $(pad_corner 3) >/dev/null
sleep 0.3
view_expected "$want" pads=00100000
view_expect "a click on pad 3 shows the pink disc at x 158" "$want" $PADS
drive click $(pad_last 3) >/dev/null
sleep 0.3
view_expected "$want"
view_expect "a second click (its last pixel) takes it away" "$want" $PADS

drive click $(cell 1 1) >/dev/null
sleep 0.3
rows="0 1 ${rest#0 0 }"
view_expected "$want" rows="$rows"
view_expect "a click at (24, 161) moves column 1's cell to row 1" "$want" $ROLL

drive click $((PAD_LEFT + PAD_WIDTH)) $PAD_TOP >/dev/null
sleep 0.3
view_expect "a click at (74, 10), right of pad 1, changes nothing" "$want"

# The arrows: up at pattern 1 and tempo 1, down at pattern 8 and tempo 8.
drive click $(at DRUM_PATTERN_UP) $(last DRUM_PATTERN_UP) $(at PIANO_PATTERN_UP) $(last PIANO_PATTERN_UP) >/dev/null   # both pattern up arrows at 1
t=$(last DRUM_TEMPO_DOWN)
drive click $(printf "$DRUM_TEMPO_DOWN_X ${t#* } %.0s" {1..4}) $t >/dev/null   # drum tempo 4 to 8, then once more
drive click $(printf "$(at PIANO_TEMPO_UP) %.0s" {1..3}) $(last PIANO_TEMPO_UP) >/dev/null   # piano tempo 4 to 1, then once more
sleep 0.3
view_expected "$want" rows="$rows" digits="1 8 1 1"
view_expect "arrows at their limits: pattern up at 1, tempo down at 8, tempo up at 1" "$want"
drive click $(printf "$(at DRUM_PATTERN_DOWN) %.0s" {1..8}) $(printf "$(at PIANO_PATTERN_DOWN) %.0s" {1..8}) >/dev/null   # both patterns to 8, then once more
t=$(last PIANO_TEMPO_DOWN)
drive click $(printf "$(at DRUM_TEMPO_UP) %.0s" {1..5}) $(printf "$PIANO_TEMPO_DOWN_X ${t#* } %.0s" {1..5}) >/dev/null
sleep 0.3
view_expected "$want" digits="8 1 8 8"
view_expect "pattern down at 8 shows pattern 8's empty steps and its tempo, raised to its limit" \
  "$want"
# Back to tempo 4 everywhere, patterns 1, and column 1 at rest: from here on
# every pattern looks the same but for its number.
drive click $(printf "$(at DRUM_TEMPO_DOWN) %.0s" {1..3}) $(printf "$(at PIANO_TEMPO_UP) %.0s" {1..4}) \
  $(printf "$(at DRUM_PATTERN_UP) %.0s" {1..7}) $(printf "$(at PIANO_PATTERN_UP) %.0s" {1..7}) \
  $(printf "$(at DRUM_TEMPO_UP) %.0s" {1..4}) $(printf "$(at PIANO_TEMPO_DOWN) %.0s" {1..3}) $(cell 1 0) >/dev/null

# STOP: from then on only PLAY and STOP are painted, even on a full repaint.
drive click $(at STOP) >/dev/null
view_expected "$want" chat=0
for ((i = 0; i < 10; i++)); do drive repaint >/dev/null; view_matches "$want" && break; sleep 0.3; done
view_expect "after STOP a full repaint paints only PLAY and STOP" "$want"
drive click $(at PLAY) >/dev/null
sleep 0.3
# While playing the patterns move on (the drum pattern at every bar end, with
# a repaint), so the two pattern numbers are left out of the comparison.
view_expected "$want"
view_expect "PLAY brings the whole view back: pads and roll" "$want" $PAD_LEFT 0 $((DRUM_PATTERN_UP_X - PAD_LEFT)) 554
view_expect "PLAY brings the whole view back: PLAY and STOP" "$want" $TRANSPORT
view_expect "PLAY brings the whole view back: tempo controls" "$want" $((DRUM_PATTERN_UP_X + CONTROL_WIDTH)) 0 94 554
drive click $(at STOP) >/dev/null

bed_close
bed_finish
