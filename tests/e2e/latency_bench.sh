#!/usr/bin/env bash
# Key-to-sound latency of the real program beside its floor, printed as
# figures (a benchmark, not a test). Each configuration is started ROUNDS
# times (4), the configurations alternating, and each start plays KEYS / ROUNDS
# keys (100 in all) posted 600 ms apart; each post's wall time is set against
# the wall time its sound left the sink. The sound system's buffering under
# Wine is settled anew at every start, so the figures are over all starts.
#   shipped   the program with its own ding.wav
#   3072      the program with 3072-byte blocks, as it shipped before
#   floor     stream_floor: two blocks of the shipped size refilled on their
#             window messages, nothing else (the least a program can do)
#   midi      the shipped program played from the bed's stand-in MIDI keyboard
#             through Wine's MIDI driver: key 60 pressed, from the write of
#             its bytes to the sound (CONFIGS="shipped midi" sets it beside
#             the PC key's)
# Then, unless DROPOUT_SECONDS is 0, a sustained sound of the shipped program
# is captured for DROPOUT_SECONDS (20) while the window is repainted over and
# over from one driver process, and the gaps in it are counted.
#   BED_BUILD=build/win32 bash tests/e2e/latency_bench.sh
#   CONFIGS="shipped floor"  the configurations measured; N (or bytes:N) is
#                            the program with N-byte blocks, floor:N the
#                            floor with N-byte blocks
#   BEFORE=DIR               adds the configuration "before": the program
#                            DIR/quaverton.exe (another build) with the
#                            shipped blocks, measured in the same run
#   BREAKUPS=3               each start plays half its keys, then has its
#                            stream break up that many times (the process
#                            stopped for BREAK_MS, 200, then 1 s to settle),
#                            then the other half: the figures are given for
#                            the keys before and after the break-ups
# Measured on the sound server's buffering as Wine asks for it.
BED_SOUND_LATENCY_MS=
source "$(dirname "$0")/bed.sh"
export BED_DEADLINE=${BED_DEADLINE:-1800}
bed_start || exit 1
rounds=${ROUNDS:-4}
keys=$((${KEYS:-100} / rounds))
configs=(${CONFIGS:-shipped 3072 floor})
[[ -n ${BEFORE:-} ]] && configs+=(before)
seconds=${DROPOUT_SECONDS:-20}
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
bed_wav tone "$wavs/tone.wav" --hz 441 --ms 300 --amp 110
shipped_bytes=$(($(stat -c %s "$BED_BUILD/ding.wav") - 44))
echo "shipped block: $shipped_bytes bytes, $(awk -v b="$shipped_bytes" 'BEGIN { printf "%.1f", b * 1000 / 44100 }') ms;" \
  "PULSE_LATENCY_MSEC=${PULSE_LATENCY_MSEC:-unset}; load $(cut -d' ' -f1-3 /proc/loadavg)"

# config_dir NAME: the working folder of one configuration, made once.
config_dir() {
  local name=$1 dir=$BED_DIR/work/${1/:/-} banks=("$wavs/tone.wav=SAMPLE2.WAV" "$wavs/tone.wav=SAMPLE.WAV") bytes
  [[ -d $dir ]] && { echo "$dir"; return; }
  case $name in
    shipped | midi) bed_workdir "$name" "${banks[@]}" ;;
    before) bed_workdir "$name" "${banks[@]}" "$BEFORE/quaverton.exe" ;;
    floor | floor:*) bed_workdir "${name/:/-}" "${banks[@]}" "$BED_BUILD/tests/e2e/stream_floor.exe" ;;
    *)
      bytes=${name#bytes:}
      bed_wav format "$wavs/ding-$bytes.wav" --rate 44100 --bytes "$bytes" >/dev/null
      bed_workdir "$name" "${banks[@]}" "$wavs/ding-$bytes.wav=ding.wav"
      ;;
  esac
}

breakups=${BREAKUPS:-0}
floor_bytes() { [[ $1 == floor:* ]] && echo "${1#floor:}" || echo "$shipped_bytes"; }
# list_name NAME PART: the figures' name for the keys of PART (posts: all).
list_name() { [[ $2 == posts ]] && echo "$1" || echo "$1-$2"; }
# post_keys N FILE [NAME]: N keys 600 ms apart, each post's time in FILE; for
# the configuration midi, key 60 pressed on the MIDI keyboard.
post_keys() {
  if [[ ${3:-} == midi ]]; then midi_keys_timed "$1" 600 "$2" 90 3C 64; else
    drive post-char-timed "$(printf 'q%.0s' $(seq "$1"))" 600 >"$2"; fi
}

# break_up NAME: the running program's process stopped BREAK_MS (200) and
# let go, BREAKUPS times, 1 s apart: its stream runs dry each time.
break_up() {
  local pid i exe=quaverton.exe
  [[ $1 == floor* ]] && exe=stream_floor.exe
  pid=$(bed_program_process "$exe") || { bed_log "no process of $exe to stop"; return 1; }
  for ((i = 0; i < breakups; i++)); do
    kill -STOP "$pid"
    sleep "$(awk -v ms="${BREAK_MS:-200}" 'BEGIN { print ms / 1000 }')"
    kill -CONT "$pid"
    sleep 1
  done
}

# One start of a configuration: its keys' posts and the onsets they made.
measure_start() {
  local name=$1 round=$2 dir capture
  dir=$(config_dir "$name")
  if [[ $name == floor* ]]; then
    bed_launch "$dir" stream_floor.exe --bytes "$(floor_bytes "$name")"
  elif [[ $name == midi ]]; then
    bed_midi_keyboard
    bed_launch "$dir"
    BED_MIDI_KEYBOARD=
    drive press-msgbox 1 30000 >/dev/null  # MIDI FOUND
    drive press-msgbox 1 10000 >/dev/null  # MIDI CHANNEL OPENENED
  else
    bed_launch "$dir"
  fi
  drive wait-window 30000 >/dev/null
  sleep 1.5
  capture=$BED_DIR/latency-$name-$round.raw
  bed_capture_start "$capture" || return 1
  sleep 0.5
  if ((breakups > 0)); then
    post_keys $((keys / 2)) "$capture.before" "$name"
    break_up "$name"
    post_keys $((keys - keys / 2)) "$capture.after" "$name"
  else
    post_keys "$keys" "$capture.posts" "$name"
  fi
  sleep 0.8
  bed_capture_stop
  # What the sound server holds of the program's stream, beside its figures.
  server=$(pactl list sink-inputs | awk '/Buffer Latency/ { b = $3 } /Sink Latency/ { s = $3 }
    END { printf "server buffer %.0f ms + sink %.0f ms", b / 1000, s / 1000 }')
  local report epoch part
  report=$(analyze "$capture" --ref-hz 441)
  epoch=$(bed_capture_epoch "$capture")
  for part in posts before after; do
    [[ -f $capture.$part ]] || continue
    latency_figures "$capture.$part" "$epoch" "$(list_name "$name" "$part"), start $round ($server)" --list \
      <<<"$report" >>"$BED_DIR/latency-$(list_name "$name" "$part").list"
  done
  if [[ $name == floor* ]]; then drive send-close >/dev/null; else drive send-close >/dev/null; drive press-msgbox 1 >/dev/null; fi
  bed_wait_exit 20 >/dev/null
}

# The first stream after the sound server starts is placed about 170 ms
# later than every one after it (seen with every configuration, whichever
# came first), so one start is made and left out before the measured ones.
measure_start "${configs[0]}" warm-up
rm -f "$BED_DIR"/latency-*.list
for ((round = 1; round <= rounds; round++)); do
  for name in "${configs[@]}"; do measure_start "$name" "$round"; done
done
lists=()
for name in "${configs[@]}"; do
  if ((breakups > 0)); then lists+=("$name-before" "$name-after"); else lists+=("$name"); fi
done
for name in "${lists[@]}"; do
  grep -hv '^ms ' "$BED_DIR/latency-$name.list" | sed "s/^/  /"
  grep -h '^ms ' "$BED_DIR/latency-$name.list" | awk -v name="$name" '
    { v[++n] = $2 }
    END {
      if (n == 0) { print name ": no onsets matched"; exit }
      for (i = 2; i <= n; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
      printf "%-10s key-to-sound latency over %d keys: median %.0f ms, worst %.0f ms, best %.0f ms\n", name, n,
        (n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2), v[n], v[1] }'
done

# Drop-outs: voice 2 sustains a long tone while the window repaints.
if ((seconds > 0)); then
  bed_wav tone "$wavs/long.wav" --hz 441 --ms $(((2 * seconds + 10) * 1000)) --amp 110
  dir=$(bed_workdir dropouts "$wavs/tone.wav=SAMPLE2.WAV" "$wavs/long.wav=SAMPLE.WAV")
  bed_launch "$dir"
  drive wait-window 30000 >/dev/null
  sleep 1
  dropouts() {
    local name=$1 pause=$2 capture=$BED_DIR/dropout-$1.raw loop
    bed_capture_start "$capture" || return 1
    loop=$(drive repaint-loop "$seconds" "$pause")
    bed_capture_stop
    echo "drop-outs, $name (repaints|median ms|worst ms: $loop): $(analyze "$capture" --gaps --from 100 --to $((seconds * 1000)) | tail -n1)"
  }
  drive post-char Z >/dev/null
  sleep 0.3
  dropouts "repainting without a pause" 0
  dropouts "repainting 60 times a second" 16
  drive send-close >/dev/null
  drive press-msgbox 1 >/dev/null
  bed_wait_exit 20
fi
bed_finish
