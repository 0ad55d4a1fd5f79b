#!/usr/bin/env bash
# The sound under stress (a benchmark that prints figures, not a test). For
# STRESS_SECONDS (600) the program sustains a tone while
#  - the window is repainted over and over from one driver process,
#  - both sequencers play (every step of drum pattern 1 on, notes in the roll
#    of piano pattern 1),
#  - the far end (line_peer) streams numbered records into it at 9600 bit/s,
#  - Send Data Block goes out every 5 s, every other time while the far end
#    holds the line with XOFF for half a second;
# then the gaps in the captured sound are counted, and what crossed the line
# is set against what was sent. Beside it, in the same Wine and under the same
# load, the floor (stream_floor: two blocks of the same size refilled on their
# window messages, nothing else) plays a tone of its own into a sink of its
# own, and its gaps are counted too: what the sound path under Wine loses on
# this machine whatever the program does.
#   BED_BUILD=build/win32 bash tests/e2e/stress_bench.sh
#   DING_BYTES=N  the same with N-byte output blocks
# Measured on the sound server's buffering as Wine asks for it.
BED_SOUND_LATENCY_MS=
source "$(dirname "$0")/bed.sh"
seconds=${STRESS_SECONDS:-600}
export BED_DEADLINE=${BED_DEADLINE:-$((seconds + 300))}
bed_start || exit 1
bed_raw_peer "$BED_DIR/ttyA" || exit 1
bed_map_com_port COM1 "$BED_DIR/ttyA" || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
# Both banks hold a long tone (the longest a bank may be is about 190 s at the
# slowest step); the keys below start them again well before they end.
bed_wav tone "$wavs/bank1.wav" --hz 441 --ms 120000 --amp 100
bed_wav tone "$wavs/bank2.wav" --hz 330 --ms 120000 --amp 100
dir=$(bed_workdir player "$wavs/bank1.wav=SAMPLE2.WAV" "$wavs/bank2.wav=SAMPLE.WAV" $(bed_ding_override "$wavs"))
block_bytes=$(($(stat -c %s "$dir/ding.wav") - 44))
# The floor: the same Wine prefix and server as the program, its own sink.
pactl load-module module-null-sink sink_name=floor rate=44100 >/dev/null
floor_dir=$(bed_workdir floor "$BED_BUILD/tests/e2e/stream_floor.exe")
BED_PREFIX[floor]=${BED_PREFIX[A]}
mkdir -p "$BED_DIR/players/floor"
# It starts first, so its stream is the only one; then it is moved to its sink.
bed_as floor bed_launch "$floor_dir" stream_floor.exe --bytes "$block_bytes" --tone --class StreamFloor
for ((i = 0; i < 100; i++)); do
  floor_input=$(pactl list short sink-inputs | awk 'NR == 1 { print $1 }')
  [[ -n $floor_input ]] && break
  sleep 0.1
done
pactl move-sink-input "$floor_input" floor
BED_PRELOAD=$BED_MODEM_PRELOAD WINEDEBUG=${STRESS_WINEDEBUG:--all} bed_launch "$dir"
drive wait-window 30000 >/dev/null
mark=$(peer_mark)
drive send-command $IDM_CONNECT >/dev/null
peer_wait '^open' 5 "$mark" >/dev/null || { bed_log "the program did not open its port"; bed_finish; exit 1; }
echo "sink inputs: $(pactl list short sink-inputs | awk '{ print $1 "->" $2 }' | tr '\n' ' ')($(pactl list short sinks | awk '{ print $1 "=" $2 }' | tr '\n' ' '))"
echo "output block: $block_bytes bytes; PULSE_LATENCY_MSEC=${PULSE_LATENCY_MSEC:-unset}; $seconds s;" \
  "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Wine saves the prefix's registry 30 s after a start-up has changed it (the
# sound devices are written anew at every start), and the save holds up every
# program of the prefix for tens of milliseconds, the floor as much as the
# program; the measurement starts once that save is over, as a player's would
# half a minute after starting.
registry=${BED_PREFIX[A]}/system.reg
saved=$(stat -c %Y "$registry")
for ((i = 0; i < 450; i++)); do [[ $(stat -c %Y "$registry") != "$saved" ]] && break; sleep 0.1; done
echo "the registry was saved $((i / 10)) s after the programs started"
sleep 1

# The sequencers: all eight pads of drum pattern 1, a note in every third
# column of piano pattern 1 climbing the 13 rows, then PLAY.
clicks=()
for ((s = 1; s <= 8; s++)); do clicks+=($(bed_pad $s)); done
for ((c = 0; c < 42; c += 3)); do clicks+=($(bed_cell $c $((c % 13 + 1)))); done
drive click "${clicks[@]}" >/dev/null
drive click $(bed_middle PLAY) >/dev/null

# note WHAT: an event of the run with its Unix time in ms, to set the gaps
# against.
note() { echo "$(date +%s%3N) $*" >>"$BED_DIR/events"; }

# count_after REGEX MARK: how many lines of the peer's log after MARK match.
count_after() { tail -n +$(($2 + 1)) "$BED_DIR/peer.log" | grep -cE "$1"; }

# steal_ticks: processor time the machine's host gave to others while this
# machine wanted it (all cores, 1/100 s), from /proc/stat.
steal_ticks() { awk '$1 == "cpu" { print $9 }' /proc/stat; }
steal0=$(steal_ticks)
capture=$BED_DIR/stress.raw
bed_capture_start "$capture" || exit 1
bed__spawn floor-capture "$BED_DIR/floor-capture.log" "$BED_TOOLS/capture_record" floor.monitor "$BED_DIR/floor.raw"
floor_capture=$BED_LAST_PID
sleep 0.5
drive post-char zq >/dev/null
keys=2
drive repaint-loop "$seconds" 0 >"$BED_DIR/repaints" &
repainter=$!
# Every later registry save is an event of the run too.
(
  last=$(stat -c %Y "$registry")
  while sleep 0.05; do
    now=$(stat -c %Y "$registry" 2>/dev/null) || exit 0
    [[ $now != "$last" ]] && { note "registry saved"; last=$now; }
  done
) &
watcher=$!
start=$SECONDS cycle=0 blocks=0 holds=0
while ((SECONDS - start < seconds - 5)); do
  cycle=$((cycle + 1))
  mark=$(peer_mark)
  if ((cycle % 2 == ${HOLD_PARITY:-0})); then
    peer write '\x13'
    peer_wait '^tx ' 5 "$mark" >/dev/null
    note "held data block $cycle"
    drive post-command $IDM_SENDBLOCK >/dev/null
    peer stream ${STREAM_BPS:-9600} $((${STREAM_BPS:-9600} / 20)) records
    peer write '\x11'
    holds=$((holds + 1))
  else
    note "data block $cycle"
    drive post-command $IDM_SENDBLOCK >/dev/null
    peer stream ${STREAM_BPS:-9600} $((${STREAM_BPS:-9600} / 20)) records
  fi
  blocks=$((blocks + 1))
  peer stream ${STREAM_BPS:-9600} $((${STREAM_BPS:-9600} * 9 / 20)) records
  # The tones are started again now and then, before their banks run out.
  if ((cycle % ${KEYS_EVERY:-4} == 0)); then note "keys"; drive post-char zq >/dev/null; keys=$((keys + 2)); fi
  for ((i = 0; i < 200; i++)); do
    (($(count_after '^streamed' "$mark") >= 2)) && break
    sleep 0.05
  done
done
wait "$repainter"
kill "$watcher" 2>/dev/null
wait "$watcher" 2>/dev/null
sleep 1
bed_capture_stop
kill -INT "$floor_capture" 2>/dev/null
bed__end_pid "$floor_capture"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg); processor time stolen by the host: $(($(steal_ticks) - steal0)) ticks of 1/100 s"
sent=$(awk '$1 == "streamed" { s += $4; r += $6 } END { printf "%d sent, %d refused by a full line", s, r }' "$BED_DIR/peer.log")
received=$(awk '$1 == "rx" { n += $3 } END { print n + 0 }' "$BED_DIR/peer.log")
echo "repaints|median ms|worst ms: $(<"$BED_DIR/repaints")"
echo "stream into the program: $sent"
echo "registry saves while measuring: $(grep -c 'registry saved' "$BED_DIR/events")"
echo "data blocks: $blocks ($holds of them held by XOFF for 0.5 s), keys $keys: the far end received" \
  "$received of $((blocks * 512 + keys)) bytes"
analyze "$capture" --gaps --from 1000 --to $(((seconds - 2) * 1000)) >"$BED_DIR/gaps"
# Each gap with the last event of the run before it.
epoch=$(bed_capture_epoch "$capture")
grep '^gap ' "$BED_DIR/gaps" | sort -k4 -g -r | head -10 | awk -v epoch="$epoch" -v events="$BED_DIR/events" '
  BEGIN { while ((getline line < events) > 0) { split(line, f, " "); t[++n] = f[1]; sub(/^[0-9]+ /, "", line); what[n] = line } }
  { at = epoch + $2; last = ""
    for (i = 1; i <= n; i++) if (t[i] <= at) last = sprintf("%.0f ms after %s", at - t[i], what[i])
    printf "gap of %s ms at %.1f s (%s)\n", $4, $2 / 1000, last }' 
echo "drop-outs: $(tail -n1 "$BED_DIR/gaps")"
# gaps_per_minute FILE: how many gaps fell in each minute of the run.
gaps_per_minute() {
  awk -v minutes=$(((seconds + 59) / 60)) '$1 == "gap" { n[int($2 / 60000)]++ }
    END { for (m = 0; m < minutes; m++) printf "%d%s", n[m], (m + 1 < minutes ? " " : "") }' "$1"
}
echo "gaps in each minute: $(gaps_per_minute "$BED_DIR/gaps")"
analyze "$BED_DIR/floor.raw" --gaps --from 1000 --to $(((seconds - 2) * 1000)) >"$BED_DIR/floor-gaps"
echo "floor gaps in each minute: $(gaps_per_minute "$BED_DIR/floor-gaps")"
echo "floor drop-outs: $(tail -n1 "$BED_DIR/floor-gaps");" \
  "longest $(grep '^gap ' "$BED_DIR/floor-gaps" | sort -k4 -g -r | head -5 | awk '{ printf "%s ms at %.1f s; ", $4, $2 / 1000 }')"
# A gap of the program that a gap of the floor meets within a second (in
# wall time) is the host's; one that none meets is the program's own.
awk -v program="$epoch" -v floor="$(bed_capture_epoch "$BED_DIR/floor.raw")" '
  FNR == NR { if ($1 == "gap") f[++n] = floor + $2; next }
  $1 == "gap" {
    t = program + $2; met = 0
    for (i = 1; i <= n; i++) if (t - f[i] <= 1000 && f[i] - t <= 1000) met = 1
    if (!met) { own++; at = at sprintf(" %.1f s", $2 / 1000) }
  }
  END { printf "program gaps with no floor gap within 1 s: %d%s\n", own, (own ? " (at" at ")" : "") }' \
  "$BED_DIR/floor-gaps" "$BED_DIR/gaps"
drive send-close >/dev/null
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
bed_finish
