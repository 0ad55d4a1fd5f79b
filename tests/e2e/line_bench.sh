#!/usr/bin/env bash
# Figures of the serial link on the real program (a benchmark, not a test):
#  1. processor time of an idle program over IDLE_SECONDS (30): disconnected,
#     connected with modem lines (the preload) and without (the 10 ms look),
#     beside the floor (stream_floor, which only keeps the stream going);
#  2. receiver throughput: the raw peer streams 80-byte numbered records at
#     each line rate from 9600 bits per second up, for STREAM_SECONDS (4);
#     what the program has shown is read from its screen, so bytes shown per
#     second, bytes lost and the ratio to the line rate come out, with the
#     processor time of each thread while it receives at 9600;
#  3. peer latency: 20 keys typed on A, each against the onset of B's sound,
#     and beside it B's own key-to-sound latency.
#   BED_BUILD=build/win32 bash tests/e2e/line_bench.sh
#   PARTS="idle throughput latency" (the default) chooses what is measured;
#   RATES the line rates the throughput is measured at.
source "$(dirname "$0")/bed.sh"
export BED_DEADLINE=${BED_DEADLINE:-1500}
bed_start || exit 1
idle_seconds=${IDLE_SECONDS:-30}
stream_seconds=${STREAM_SECONDS:-4}
drain_seconds=${DRAIN_SECONDS:-20}
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
bed_raw_peer "$BED_DIR/ttyA" || exit 1
bed_map_com_port COM1 "$BED_DIR/ttyA" || exit 1
dir=$(bed_workdir player)
server=${BED_SERVER_PID[A]}

parts=${PARTS:-idle throughput latency}
part() { [[ " $parts " == *" $1 "* ]]; }

# ---- 1. Idle processor time ----
idle() {
  local what=$1 program p0 s0
  program=$(bed_program_process "${2:-}")
  p0=$(cpu_ticks "$program")
  s0=$(cpu_ticks "$server")
  sleep "$idle_seconds"
  local p=$(($(cpu_ticks "$program") - p0)) s=$(($(cpu_ticks "$server") - s0))
  awk -v w="$what" -v p="$p" -v s="$s" -v t="$idle_seconds" 'BEGIN {
    printf "idle %s: program %.2f s, wineserver %.2f s of processor time in %d s (%.1f %% of one core together)\n",
      w, p / 100, s / 100, t, (p + s) / t }'
}
close_program() {
  drive send-close >/dev/null
  drive press-msgbox 1 >/dev/null
  bed_wait_exit 20
}
if part idle; then
  # The floor: the least program that streams as the program does, with the
  # program's own block size.
  floor_dir=$(bed_workdir floor "$BED_BUILD/tests/e2e/stream_floor.exe")
  bed_launch "$floor_dir" stream_floor.exe --bytes $(($(stat -c %s "$dir/ding.wav") - 44))
  drive wait-window 20000 >/dev/null
  sleep 2
  idle "floor (stream_floor: two blocks streaming, nothing else)" stream_floor.exe
  drive send-close >/dev/null
  bed_wait_exit 20
  bed_launch "$dir"
  drive wait-window 20000 >/dev/null
  sleep 2
  idle "disconnected (the sound stream alone)"
  drive send-command $IDM_CONNECT >/dev/null
  idle "connected, no modem lines (the watch thread looks every 10 ms)"
  close_program
fi
BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$dir"
drive wait-window 20000 >/dev/null
sleep 2
drive send-command $IDM_CONNECT >/dev/null
part idle && idle "connected, modem lines from the preload (the comm-event wait)"

# ---- 2. Receiver throughput ----
# How far the program has got in the current stream: the record number on
# the cursor's row (or the row above while the number is incomplete) and the
# cursor column. Records start at a fresh row and fill one row each.
shown_position() {
  local screen row col line prev
  screen=$(drive screen)
  read -r row col < <(sed -n 's/^cursor //p' <<<"$screen")
  line=$(sed -n "$((row + 1))p" <<<"$screen")
  prev=$( ((row > 0)) && sed -n "${row}p" <<<"$screen")
  if ((col >= 8)) && [[ ${line:0:8} =~ ^[0-9]{8}$ ]]; then
    echo $((10#${line:0:8} * 80 + col))
  elif [[ ${prev:0:8} =~ ^[0-9]{8}$ ]]; then
    echo $(((10#${prev:0:8} + 1) * 80 + col))
  else
    echo "$col"
  fi
}
threads() { for t in /proc/"$1"/task/*; do echo "${t##*/} $(cut -d' ' -f14,15 "$t/stat" | awk '{ print $1 + $2 }')"; done; }
profile_line() {
  awk -v secs="$3" 'FNR == NR { before[$1] = $2; next }
    { d = $2 - before[$1]; if (d > 0) out = out sprintf(" %s%s %.0f%%", $1, ($1 == main ? " (UI)" : ""), d / secs) }
    END { print "  threads (tid, share of one core):" out }' main="$4" "$1" "$2"
}
program=$(bed_program_process)
xvfb=$(awk '$2 == "xvfb" { print $1 }' "$BED_DIR/pids")
part throughput || RATES=" "
for rate in ${RATES:-9600 14400 19200 38400 56000 128000 256000}; do
  peer write '\r\n'
  sleep 0.5
  count=$((rate / 10 * stream_seconds))
  mark=$(peer_mark)
  threads "$program" >"$BED_DIR/threads0"
  s0=$(cpu_ticks "$server")
  x0=$(cpu_ticks "$xvfb")
  start=$(date +%s%N)
  peer stream "$rate" "$count" records
  peer_wait '^streamed' $((stream_seconds + 30)) "$mark"
  during=$(shown_position)
  t_during=$((($(date +%s%N) - start) / 1000000))
  threads "$program" >"$BED_DIR/threads1"
  s1=$(cpu_ticks "$server")
  x1=$(cpu_ticks "$xvfb")
  read -r sent refused < <(tail -n +$((mark + 1)) "$BED_DIR/peer.log" | awk '$1 == "streamed" { print $4, $6 }')
  final=$during
  t_final=$t_during
  while ((final < sent && ($(date +%s%N) - start) / 1000000 < (stream_seconds + drain_seconds) * 1000)); do
    sleep 1
    final=$(shown_position)
    t_final=$((($(date +%s%N) - start) / 1000000))
  done
  awk -v r="$rate" -v c="$count" -v s="$sent" -v f="$refused" -v d="$during" -v td="$t_during" \
    -v n="$final" -v tn="$t_final" -v drain="$drain_seconds" 'BEGIN {
    line = r / 10; handled = n * 1000 / tn
    printf "%6d bit/s (%5d B/s): sent %d, refused by the full line %d; shown %d by the end of the stream (%.3f of what was sent, %.0f B/s), %d after %.1f s (%.0f B/s, %.3f of the line rate); lost %d%s\n",
      r, line, s, f, d, (s ? d / s : 0), d * 1000 / td, n, tn / 1000, handled, handled / line, c - n,
      (n < s ? sprintf(" (%d still queued after %d s)", s - n, drain) : "") }'
  if ((rate == 9600)); then
    profile_line "$BED_DIR/threads0" "$BED_DIR/threads1" "$(awk -v t="$t_during" 'BEGIN { print t / 1000 }')" "$program"
    awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v t="$t_during" \
      'BEGIN { printf "  wineserver %.0f%%, Xvfb %.0f%% of one core\n", s * 1000 / t, x * 1000 / t }'
  fi
  # A fresh connection empties whatever is still queued.
  drive send-command $IDM_DISCONNECT >/dev/null
  drive send-command $IDM_CONNECT >/dev/null
done
close_program

# ---- 3. Peer latency: A's key to the onset of B's sound ----
part latency || { bed_finish; exit; }
peer quit
bed__end_pid "$BED_PEER_PID"
rm -f "$BED_DIR/ttyA"
bed_two_players 300 || exit 1
drive send-command $IDM_CONNECT >/dev/null
bed_as B drive send-command $IDM_CONNECT >/dev/null
sleep 1
# key_latency NAME PLAYER: 20 keys typed on PLAYER against B's capture.
key_latency() {
  local capture=$BED_DIR/latency-$2.raw
  bed_capture_start "$capture" || return 1
  sleep 0.5
  bed_as "$2" drive post-char-timed qqqqqqqqqqqqqqqqqqqq 600 >"$BED_DIR/posts-$2.txt"
  sleep 0.8
  bed_capture_stop
  analyze "$capture" --ref-hz 441 | latency_figures "$BED_DIR/posts-$2.txt" "$(bed_capture_epoch "$capture")" "$1"
}
key_latency "peer (A's key to B's sound)" A
key_latency "local (B's own key, for comparison)" B
close_program
bed_as B close_program
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
bed_finish
