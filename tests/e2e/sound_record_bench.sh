#!/usr/bin/env bash
# What the launcher's sound recording costs (a benchmark, not a test): duets
# started by the launcher, alternately with --record-sound and without, each
# with player A's drum sequencer playing every step for MEASURE_SECONDS (20);
# over that stretch the processor time of the recording processes (the sound
# server's recording client and quaverton-sound-record), of the sound server,
# and of everything the launcher started (the players under Wine included).
# Prints each run and the medians side by side over ROUNDS (3) of each.
#   BED_BUILD=build/win64 BED_TOOLS=build/native/tests/e2e bash tests/e2e/sound_record_bench.sh
source "$(dirname "$0")/bed.sh"
export BED_DEADLINE=${BED_DEADLINE:-1500}
bed_start || exit 1
rounds=${ROUNDS:-3}
measure=${MEASURE_SECONDS:-20}
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
server=$(for pid in $(bed__marked_pids); do [[ $(cat "/proc/$pid/comm" 2>/dev/null) == pulseaudio ]] && echo "$pid"; done)

# Everything a launcher started: its kept ids and the processes of its prefixes.
launched() { cat "$BED_DIR/launch-$1/launcher.pids"; bed_launcher_leftovers "$1"; }
# The recording processes among them.
recording() {
  local pid
  for pid in $(cat "$BED_DIR/launch-$1/launcher.pids"); do
    case $(cat "/proc/$pid/comm" 2>/dev/null) in parec | quaverton-sound) echo "$pid" ;; esac
  done
}

# run NAME [ARGS...]: one duet; prints "recording SERVER ALL" in ticks (1/100 s).
run() {
  local name=$1 rec0 srv0 all0 rec1 srv1 all1
  shift
  bed_launcher "$name" duet "$@" >/dev/null
  bed_launcher_wait "$name" 'close the windows' 120 >/dev/null || return 1
  [[ $# -eq 0 ]] || bed_launcher_wait "$name" 'recording the sound of' 60 >/dev/null || return 1
  bed_as "$name-A" drive wait-window 30000 >/dev/null
  bed_as "$name-B" drive wait-window 30000 >/dev/null
  bed_as "$name-A" drive click $(for s in 1 2 3 4 5 6 7 8; do bed_pad "$s"; done) $(bed_middle PLAY) >/dev/null
  sleep 2
  rec0=$(cpu_ticks $(recording "$name")) srv0=$(cpu_ticks $server) all0=$(cpu_ticks $(launched "$name" | sort -u))
  sleep "$measure"
  rec1=$(cpu_ticks $(recording "$name")) srv1=$(cpu_ticks $server) all1=$(cpu_ticks $(launched "$name" | sort -u))
  bed_launcher_stop "$name" >/dev/null
  echo "$((rec1 - rec0)) $((srv1 - srv0)) $((all1 - all0))"
}

percent() { awk -v t="$1" -v s="$measure" 'BEGIN { printf "%.2f", t / s }'; }  # ticks over s seconds, % of a core
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
: >"$BED_DIR/with" && : >"$BED_DIR/without"
for ((r = 1; r <= rounds; r++)); do
  read -r rec srv all <<<"$(run "plain$r")"
  echo "round $r without recording: recording 0 %, sound server $(percent "$srv") %, all the launcher started $(percent "$all") % of a core"
  echo "$rec $srv $all" >>"$BED_DIR/without"
  read -r rec srv all <<<"$(run "rec$r" --record-sound "$BED_DIR/rec$r.wav")"
  echo "round $r with recording:    recording $(percent "$rec") %, sound server $(percent "$srv") %, all the launcher started $(percent "$all") % of a core"
  echo "$rec $srv $all" >>"$BED_DIR/with"
done
for kind in without with; do
  echo "median $kind recording over $rounds runs of ${measure} s:" \
    "recording $(percent "$(cut -d' ' -f1 "$BED_DIR/$kind" | median)") %," \
    "sound server $(percent "$(cut -d' ' -f2 "$BED_DIR/$kind" | median)") %," \
    "all the launcher started $(percent "$(cut -d' ' -f3 "$BED_DIR/$kind" | median)") % of a core"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
bed_finish
