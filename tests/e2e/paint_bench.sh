#!/usr/bin/env bash
# What one repaint of the window costs while the pattern view is shown, and
# what that allows the receive path, which repaints after every byte (a
# benchmark that prints figures, not a test). Rounds alternate, side by side:
# the pattern view shown (every bitmap loaded and copied at each paint) and
# after STOP (only PLAY and STOP). Each figure is one character cell made
# invalid and the window updated at once, as a received byte causes it; the
# empty round trip to the program's thread is shown apart.
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
shown=() stopped=() trips=() worst=()
for ((round = 1; round <= ROUNDS; round++)); do
  # PLAY shows the view; the patterns are empty, so the sequencers run
  # silently and repaint only at each bar's end.
  drive click 650 200 >/dev/null
  line=$(drive paint-timed "$PAINTS")
  echo "round $round, view shown: $line"
  shown+=("$(field_of 3 "$line")") worst+=("$(field_of 4 "$line")") trips+=("$(field_of 8 "$line")")
  drive click 650 250 >/dev/null
  line=$(drive paint-timed "$PAINTS")
  echo "round $round, after STOP: $line"
  stopped+=("$(field_of 3 "$line")")
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
ms_shown=$(median "${shown[@]}") ms_stopped=$(median "${stopped[@]}") ms_trip=$(median "${trips[@]}")
ms_worst=$(printf '%s\n' "${worst[@]}" | sort -g | tail -n1)
awk -v s="$ms_shown" -v o="$ms_stopped" -v t="$ms_trip" -v w="$ms_worst" 'BEGIN {
  printf "one-cell repaint, pattern view shown: median %.3f ms (median of %d rounds)\n", s, '"$ROUNDS"'
  printf "one-cell repaint, after STOP:         median %.3f ms\n", o
  printf "empty round trip to the program:      median %.3f ms\n", t
  printf "the pattern view costs %.1f times the repaint without it; painting alone %.3f ms\n", s / o, s - t
  printf "worst single repaint with the view shown: %.3f ms\n", w
  printf "a receiver that repaints after every byte keeps up with at most %.0f bytes/s,\n", 1000 / s
  printf "  %.0f bit/s at 10 bits a byte (8 data bits, start and stop); after STOP %.0f bytes/s\n", 10000 / s, 1000 / o
}'
drive send-close >/dev/null
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
bed_finish
