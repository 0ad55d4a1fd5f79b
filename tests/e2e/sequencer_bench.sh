#!/usr/bin/env bash
# How closely the drum sequencer keeps time (a benchmark that prints figures,
# not a test): every step of every drum pattern on, pattern p at tempo p (a
# tick every p x 50 ms, 50 to 400 ms), played for CYCLES passes over the eight
# patterns; each step's onset is found in the captured sound and the spacing
# of neighbouring steps is set against its nominal tick period.
# A voice start is heard at the start of the next mixed block, so single
# spacings carry up to one block of rounding (BLOCK bytes at 44100 Hz, by
# default the block of the build's own ding.wav); a bar's eight steps span seven periods,
# so the bar's mean spacing carries a seventh of it, and a whole pass over the
# eight patterns (72 ticks, 16.2 s) a 72nd. Smaller blocks round less but
# under Wine the stream then breaks up (512 bytes: hundreds of drop-outs).
#   BED_BUILD=build/win64 BED_TOOLS=build/win64/tests/e2e bash tests/e2e/sequencer_bench.sh
# Measured on the sound server's buffering as Wine asks for it.
BED_SOUND_LATENCY_MS=
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
CYCLES=${CYCLES:-3} BLOCK=${BLOCK:-$(($(stat -c %s "$BED_BUILD/ding.wav") - 44))}
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
# 35 ms of tone, of which a voice sounds 12 ms: short beside the 50 ms ticks.
bed_wav tone "$wavs/click.wav" --hz 882 --ms 35 --amp 110
bed_wav format "$wavs/ding.wav" --rate 44100 --bytes "$BLOCK" >/dev/null
dir=$(bed_workdir player "$wavs/click.wav=SAMPLE2.WAV" "$wavs/ding.wav=ding.wav")
bed_launch "$dir"
drive wait-window 30000 >/dev/null
sleep 0.5

# Pattern p: all eight pads, the tempo arrows from 4 to p, then the next pattern.
clicks=()
for ((p = 1; p <= 8; p++)); do
  for ((s = 1; s <= 8; s++)); do clicks+=($(bed_pad $s)); done
  for ((t = p; t < 4; t++)); do clicks+=($(bed_middle DRUM_TEMPO_UP)); done
  for ((t = 4; t < p; t++)); do clicks+=($(bed_middle DRUM_TEMPO_DOWN)); done
  ((p < 8)) && clicks+=($(bed_middle DRUM_PATTERN_DOWN))
done
drive click "${clicks[@]}" >/dev/null
seconds=$(awk -v c="$CYCLES" 'BEGIN { print 2.7 + 16.2 * c - 0.45 + 1 }')
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min; 2 cores)"
capture=$BED_DIR/ticks.raw
bed_capture_start "$capture" || exit 1
drive click $(bed_middle PLAY) >/dev/null
sleep "$seconds"
drive click $(bed_middle STOP) >/dev/null
bed_capture_stop
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
analyze "$capture" --ref-hz 882 --min-silence-ms 8 >"$BED_DIR/onsets.txt"
python3 - "$BED_DIR/onsets.txt" "$BLOCK" <<'PY'
import statistics, sys
lines = [l.split() for l in open(sys.argv[1]) if l.startswith("onset")]
# A step sounds 12 ms at 882 Hz; anything else is a drop-out of the stream.
onsets = [float(l[1]) for l in lines if 0.97 < float(l[7]) < 1.03 and float(l[3]) - float(l[1]) > 6]
dropouts = len(lines) - len(onsets)
block = int(sys.argv[2]) / 44.1
# Bar b (0 is the first after PLAY, at the timer's start-up period of 300 ms)
# runs at period(b); its first step comes 8 periods and one tick of the next
# bar after the previous bar's first step (the ninth tick is silent).
period = lambda b: 300 if b == 0 else 50 * (b % 8 + 1)
horizon = onsets[-1] - onsets[0] if onsets else -1
starts = [0.0]
while starts[-1] <= horizon:
    b = len(starts) - 1
    starts.append(starts[-1] + 8 * period(b) + period(b + 1))
# Eight onsets make a bar when they start near a bar's nominal start and each
# spacing is within a block of its period. A drop-out can swallow or delay a
# step: such a bar is left out, and the bars after it are found again by time.
bars, i = {}, 0
while i + 8 <= len(onsets):
    rel = onsets[i] - onsets[0]
    b = min(range(len(starts)), key=lambda k: abs(starts[k] - rel))
    run = onsets[i:i + 8]
    if abs(starts[b] - rel) < 150 and all(abs(y - x - period(b)) <= block + 5 for x, y in zip(run, run[1:])):
        bars[b] = run
        i += 8
    else:
        i += 1
print(f"{len(onsets)} steps heard, {len(bars)} whole bars found of {len(starts) - 1} begun, {dropouts} other sounds "
      f"(drop-outs); block rounding up to {block:.1f} ms")
per_tempo = {}
for b, bar in sorted(bars.items()):
    nominal = period(b)
    steps = [y - x for x, y in zip(bar, bar[1:])]
    entry = per_tempo.setdefault(nominal, {"steps": [], "bars": []})
    entry["steps"] += [s - nominal for s in steps]
    entry["bars"].append((bar[-1] - bar[0]) / 7 - nominal)
print("period  steps  median step  median error  worst error  |  bars  mean of bar  worst bar error")
for nominal in sorted(per_tempo):
    e = per_tempo[nominal]
    s, m = e["steps"], e["bars"]
    print(f"{nominal:4d} ms  {len(s):5d}  {nominal + statistics.median(s):8.1f} ms  {statistics.median(s):+9.1f} ms"
          f"  {max(s, key=abs):+9.1f} ms  |  {len(m):4d}  {nominal + statistics.median(m):8.1f} ms"
          f"  {max(m, key=abs):+12.1f} ms")
# The same step one pass later: 72 ticks, 9 at each tempo, 16200 ms.
passes = [bars[b][0] - bars[b - 8][0] - 16200 for b in bars if b >= 9 and b - 8 in bars]
if passes:
    print(f"one pass over the 8 patterns (72 ticks, 16200 ms nominal), {len(passes)} measured: median error "
          f"{statistics.median(passes):+.1f} ms, worst {max(passes, key=abs):+.1f} ms "
          f"({statistics.median(passes) / 72:+.2f} ms a tick)")
every = [x for e in per_tempo.values() for x in e["steps"]]
bar_errors = [x for e in per_tempo.values() for x in e["bars"]]
if every:
    print(f"all steps: median error {statistics.median(every):+.1f} ms, median |error| "
          f"{statistics.median(map(abs, every)):.1f} ms, worst {max(every, key=abs):+.1f} ms; "
          f"bar means: median {statistics.median(bar_errors):+.2f} ms, worst {max(bar_errors, key=abs):+.2f} ms")
PY
drive send-close >/dev/null
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
bed_finish
