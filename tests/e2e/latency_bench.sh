#!/usr/bin/env bash
# Key-to-sound latency and drop-outs of the real program, printed as figures
# (a benchmark, not a test): 20 keys posted 600 ms apart, each post's wall
# time against the wall time its sound was rendered at the sink; then a
# sustained sound captured for DROPOUT_SECONDS (60 by default) while the
# window is repainted over and over from one driver process, first without a
# pause, then 60 times a second, and the gaps in it counted.
#   BED_BUILD=build/win32 bash tests/e2e/latency_bench.sh
#   DING_BYTES=1024 ...   the same with another output block size
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
bed_wav tone "$wavs/tone.wav" --hz 441 --ms 300 --amp 110
seconds=${DROPOUT_SECONDS:-60}
bed_wav tone "$wavs/long.wav" --hz 441 --ms $(((2 * seconds + 10) * 1000)) --amp 110
dir=$(bed_workdir player "$wavs/tone.wav=SAMPLE2.WAV" "$wavs/long.wav=SAMPLE.WAV" $(bed_ding_override "$wavs"))
bed_launch "$dir"
drive wait-window 20000 >/dev/null
sleep 1
block_bytes=$(($(stat -c %s "$dir/ding.wav") - 44))
echo "output block: $block_bytes bytes, $(awk -v b="$block_bytes" 'BEGIN { printf "%.1f", b * 1000 / 44100 }') ms"

# Latency: each post against the first onset after it.
capture=$BED_DIR/latency.raw
bed_capture_start "$capture" || exit 1
sleep 0.5
drive post-char-timed qqqqqqqqqqqqqqqqqqqq 600 >"$BED_DIR/posts.txt"
sleep 0.8
bed_capture_stop
epoch=$(bed_capture_epoch "$capture")
analyze "$capture" --ref-hz 441 |
  awk -v epoch="$epoch" '
    FNR == NR { if ($1 == "posted") posts[++n] = $2; next }
    $1 == "onset" { onsets[++m] = epoch + $2 }
    END {
      for (i = 1; i <= n; i++) {
        best = ""
        for (j = 1; j <= m; j++) { d = onsets[j] - posts[i]; if (d >= -20 && d < 500 && (best == "" || d < best)) best = d }
        if (best != "") lat[++k] = best
      }
      if (k == 0) { print "key-to-sound latency: no onsets matched"; exit }
      for (i = 2; i <= k; i++) { v = lat[i]; for (j = i - 1; j >= 1 && lat[j] > v; j--) lat[j + 1] = lat[j]; lat[j + 1] = v }
      printf "key-to-sound latency over %d of %d keys: median %.0f ms, worst %.0f ms, best %.0f ms\n",
        k, n, (k % 2 ? lat[(k + 1) / 2] : (lat[k / 2] + lat[k / 2 + 1]) / 2), lat[k], lat[1]
    }' "$BED_DIR/posts.txt" -

# Drop-outs: voice 2 sustains the long tone while the window repaints.
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
bed_finish
