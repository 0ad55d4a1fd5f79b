#!/usr/bin/env bash
# The bed's sound path, checked with known tones: what a Windows program plays
# reaches the sound server, the capture keeps it without losing time, and the
# analyser finds each tone's start and pitch, as the program's sound tests need.
# The tones' lengths are measured to 30 ms, so the sound server runs as Wine
# asks for it: with more buffering a stream that runs dry waits to refill it,
# which stretches a tone by that wait.
BED_SOUND_LATENCY_MS=
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
bed_wav tone "$wavs/441.wav" --hz 441 --ms 400 --amp 100
bed_wav tone "$wavs/882.wav" --hz 882 --ms 300 --amp 60


capture=$BED_DIR/capture.raw
bed_capture_start "$capture" || exit 1
started=$(date +%s%N)
sleep 0.3
drive play-wav "$wavs/441.wav" >/dev/null
sleep 0.3
drive play-wav "$wavs/882.wav" >/dev/null
sleep 0.3
bed_capture_stop
wall_ms=$((($(date +%s%N) - started) / 1000000))

captured_ms=$(($(stat -c %s "$capture") * 1000 / 44100))
expect_true "the capture covers the time it ran (${captured_ms} of ${wall_ms} ms)" \
  within "$captured_ms" "$((wall_ms * 9 / 10))" "$((wall_ms + 100))"

report=$(analyze "$capture" --ref-hz 441)
echo "$report"
mapfile -t sounds < <(grep '^onset' <<<"$report")
expect "each tone is one sound after silence" "$(tail -n1 <<<"$report")" "sounds 2"
expect_true "the first tone measures 441 Hz within 0.1 %" within "$(field ratio "${sounds[0]:-}")" 0.999 1.001
expect_true "the second tone measures 882 Hz within 0.1 %" within "$(field ratio "${sounds[1]:-}")" 1.998 2.002
length_ms=$(awk -v a="$(field onset "${sounds[0]:-}")" -v b="$(field end "${sounds[0]:-}")" 'BEGIN { print b - a }')
expect_true "the first tone lasts its 400 ms (${length_ms} ms)" within "$length_ms" 380 430
apart_ms=$(awk -v a="$(field end "${sounds[0]:-}")" -v b="$(field onset "${sounds[1]:-}")" 'BEGIN { print b - a }')
expect_true "the silence between them is kept (${apart_ms} ms)" within "$apart_ms" 150 1500

bed_finish
