#!/usr/bin/env bash
# What one repaint of the window costs, and what that allows the receive
# path, which repaints after every byte (a benchmark that prints figures, not
# a test). Rounds alternate, side by side: with the pattern view shown, a
# repaint of the whole window (every bitmap loaded and copied) and of one
# character cell in the terminal's top row, over a pad and over the piano
# roll (the elements under it are drawn again); after STOP, one cell. Each is
# the cell made invalid and the window updated at once, as a received byte
# causes it; the empty round trip to the program's thread is shown apart.
#   BED_BUILD=build/win64 BED_TOOLS=build/win64/tests/e2e bash tests/e2e/paint_bench.sh
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
PAINTS=${PAINTS:-200} ROUNDS=${ROUNDS:-5}
dir=$(bed_workdir player)
bed_launch "$dir"
drive wait-window 30000 >/dev/null
sleep 1
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min; 2 cores)"

# median N...: the median of the numbers given.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# field N LINE: field N of a paint-timed line (3 the paints' median, 4 their
# worst, 8 the round trips' median).
field_of() { awk -F'[ |]' -v n="$1" '{ print $n }' <<<"$2"; }
declare -A RECTS=([whole]="0 0 800 600" [top]="300 0 8 16" [pad]="100 100 8 16" [roll]="292 300 8 16")
declare -A times
trips=() worst=()
for ((round = 1; round <= ROUNDS; round++)); do
  # PLAY shows the view; the patterns are empty, so the sequencers run
  # silently and repaint only at each bar's end.
  drive click 650 200 >/dev/null
  for kind in whole top pad roll; do
    line=$(drive paint-timed "$PAINTS" ${RECTS[$kind]})
    echo "round $round, view shown, $kind: $line"
    times[$kind]+=" $(field_of 3 "$line")"
    [[ $kind == top ]] && trips+=("$(field_of 8 "$line")")
    worst+=("$(field_of 4 "$line")")
  done
  drive click 650 250 >/dev/null
  line=$(drive paint-timed "$PAINTS" ${RECTS[top]})
  echo "round $round, after STOP, top: $line"
  times[stopped]+=" $(field_of 3 "$line")"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
ms_trip=$(median "${trips[@]}")
ms_worst=$(printf '%s\n' "${worst[@]}" | sort -g | tail -n1)
for kind in whole top pad roll stopped; do
  # shellcheck disable=SC2086
  ms=$(median ${times[$kind]})
  awk -v k="$kind" -v ms="$ms" 'BEGIN {
    name["whole"] = "whole window, view shown  "; name["top"] = "one cell, top row         "
    name["pad"] = "one cell over a pad       "; name["roll"] = "one cell over the roll    "
    name["stopped"] = "one cell, after STOP      "
    printf "%s median %7.3f ms: at most %5.0f bytes/s, %6.0f bit/s\n", name[k], ms, 1000 / ms, 10000 / ms }'
done
echo "empty round trip to the program: median $ms_trip ms; worst single repaint: $ms_worst ms"
echo "(a receiver repaints after every byte; bit/s at 10 bits a byte: 8 data bits, start and stop)"
drive send-close >/dev/null
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
bed_finish
