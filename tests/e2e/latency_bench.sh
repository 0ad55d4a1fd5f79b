#!/usr/bin/env bash
# Key-to-sound latency and drop-outs of the real program, printed as figures
# (a benchmark, not a test): 20 keys posted 600 ms apart, each post's wall
# time against the onset of its sound in the capture; then a sustained sound
# captured for DROPOUT_SECONDS (60 by default) while the window is repainted
# over and over, and the gaps in it counted.
#   BED_BUILD=build/win64 BED_TOOLS=build/win64/tests/e2e bash tests/e2e/latency_bench.sh
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
bed_wav tone "$wavs/tone.wav" --hz 441 --ms 300 --amp 110
seconds=${DROPOUT_SECONDS:-60}
bed_wav tone "$wavs/long.wav" --hz 441 --ms $(((seconds + 5) * 1000)) --amp 110
dir=$(bed_workdir player "$wavs/tone.wav=SAMPLE2.WAV" "$wavs/long.wav=SAMPLE.WAV" $(bed_ding_override "$wavs"))
bed_launch "$dir"
drive wait-window 20000 >/dev/null
sleep 1

# Where the capture's first byte lies in wall time: the file's size sampled
# against the clock; a sample can only lag, so the smallest difference wins.
sample_growth() {
  while :; do
    echo "$(($(date +%s%N) / 1000000)) $(stat -c %s "$1" 2>/dev/null || echo 0)"
    sleep 0.02
  done
}
capture=$BED_DIR/latency.raw
bed_capture_start "$capture" || exit 1
sample_growth "$capture" >"$BED_DIR/growth.txt" &
sampler=$!
sleep 0.5
drive post-char-timed qqqqqqqqqqqqqqqqqqqq 600 >"$BED_DIR/posts.txt"
sleep 0.8
kill "$sampler"
bed_capture_stop
analyze "$capture" --ref-hz 441 >"$BED_DIR/onsets.txt"
python3 - "$BED_DIR" <<'PY'
import statistics, sys
d = sys.argv[1]
growth = [tuple(map(int, l.split())) for l in open(f"{d}/growth.txt") if l.split()[1:] and int(l.split()[1]) > 0]
zero = min(t - s * 1000 / 44100 for t, s in growth)
posts = [int(l.split()[1]) for l in open(f"{d}/posts.txt") if l.startswith("posted")]
onsets = [zero + float(l.split()[1]) for l in open(f"{d}/onsets.txt") if l.startswith("onset")]
lat = []
for p in posts:
    later = [o - p for o in onsets if 0 <= o - p < 500]
    if later: lat.append(min(later))
print(f"key-to-sound latency over {len(lat)} of {len(posts)} keys: median {statistics.median(lat):.0f} ms, "
      f"worst {max(lat):.0f} ms, best {min(lat):.0f} ms" if lat else "no onsets matched")
PY

# Drop-outs: voice 2 sustains the long tone while the window repaints.
capture=$BED_DIR/dropout.raw
drive post-char Z >/dev/null
sleep 0.3
bed_capture_start "$capture" || exit 1
end=$((SECONDS + seconds))
repaints=0
while ((SECONDS < end)); do drive repaint >/dev/null; repaints=$((repaints + 1)); done
bed_capture_stop
echo "drop-outs while repainting $repaints times in ${seconds} s: $(analyze "$capture" --gaps | tail -n1)"
drive send-close >/dev/null
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
bed_finish
