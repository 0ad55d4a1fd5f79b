#!/usr/bin/env bash
# What one repaint of the window costs, and what that allows the receive
# path, which repaints after every byte (a benchmark that prints figures, not
# a test). Rounds alternate, side by side: with the pattern view shown, a
# repaint of the whole window and of one character cell in the terminal's top
# row, over a pad and over the piano roll (the elements under it are drawn
# again); after STOP, one cell. Each is the cell made invalid and the window
# updated at once, as a received byte causes it; the empty round trip to the
# program's thread is shown apart.
#   BED_BUILD=build/win32 bash tests/e2e/paint_bench.sh
#   BEFORE=DIR    also measure the program in DIR (quaverton.exe and its three
#                 sound files, say an earlier build), its rounds alternating
#                 with this build's, and print the ratios
source "$(dirname "$0")/bed.sh"
export BED_DEADLINE=${BED_DEADLINE:-1200}
bed_start || exit 1
PAINTS=${PAINTS:-200} ROUNDS=${ROUNDS:-5}
programs=(now)
dirs[0]=$(bed_workdir now)
if [[ -n ${BEFORE:-} ]]; then
  programs+=(before)
  dirs[1]=$(bed_workdir before "$BEFORE"/{quaverton.exe,SAMPLE.WAV,SAMPLE2.WAV,ding.wav})
fi
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min; 2 cores)"

# median N...: the median of the numbers given.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# field_of N LINE: field N of a paint-timed line (3 the paints' median, 4 their
# worst, 8 the round trips' median).
field_of() { awk -F'[ |]' -v n="$1" '{ print $n }' <<<"$2"; }
declare -A RECTS=([whole]="0 0 800 600" [top]="300 0 8 16" [pad]="$((PAD_LEFT + PAD_PITCH + 16)) 100 8 16"
  [roll]="$((ROLL_LEFT + 20 * ROLL_COLUMN_WIDTH + 2)) 300 8 16")
KINDS=(whole top pad roll stopped)
declare -A times trips worst
for ((round = 1; round <= ROUNDS; round++)); do
  for p in "${!programs[@]}"; do
    who=${programs[p]}
    bed_launch "${dirs[p]}"
    drive wait-window 30000 >/dev/null
    sleep 1
    # PLAY shows the view; the patterns are empty, so the sequencers run
    # silently and repaint only at each bar's end.
    drive click $(bed_middle PLAY) >/dev/null
    for kind in whole top pad roll; do
      line=$(drive paint-timed "$PAINTS" ${RECTS[$kind]})
      echo "round $round, $who, view shown, $kind: $line"
      times[$who.$kind]+=" $(field_of 3 "$line")"
      [[ $kind == top ]] && trips[$who]+=" $(field_of 8 "$line")"
      worst[$who]+=" $(field_of 4 "$line")"
    done
    drive click $(bed_middle STOP) >/dev/null
    line=$(drive paint-timed "$PAINTS" ${RECTS[top]})
    echo "round $round, $who, after STOP, top: $line"
    times[$who.stopped]+=" $(field_of 3 "$line")"
    drive send-close >/dev/null
    drive press-msgbox 1 >/dev/null
    bed_wait_exit 20
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A NAMES=([whole]="whole window, view shown" [top]="one cell, top row" [pad]="one cell over a pad"
                  [roll]="one cell over the roll" [stopped]="one cell, after STOP")
for who in "${programs[@]}"; do
  echo "-- $who (median of $ROUNDS rounds of $PAINTS repaints)"
  for kind in "${KINDS[@]}"; do
    # shellcheck disable=SC2086
    ms=$(median ${times[$who.$kind]})
    awk -v k="${NAMES[$kind]}" -v ms="$ms" 'BEGIN {
      printf "%-26s median %7.3f ms: at most %5.0f bytes/s, %6.0f bit/s\n", k, ms, 1000 / ms, 10000 / ms }'
  done
  # shellcheck disable=SC2086
  echo "empty round trip to the program: median $(median ${trips[$who]}) ms;" \
    "worst single repaint: $(printf '%s\n' ${worst[$who]} | sort -g | tail -n1) ms"
done
if [[ -n ${BEFORE:-} ]]; then
  echo "-- now / before (medians of the same rounds)"
  for kind in "${KINDS[@]}"; do
    # shellcheck disable=SC2086
    awk -v k="${NAMES[$kind]}" -v a="$(median ${times[now.$kind]})" -v b="$(median ${times[before.$kind]})" \
      'BEGIN { printf "%-26s %7.3f / %7.3f ms = %.3f\n", k, a, b, a / b }'
  done
fi
echo "(a receiver repaints after every byte; bit/s at 10 bits a byte: 8 data bits, start and stop)"
bed_finish
