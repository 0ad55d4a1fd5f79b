#!/usr/bin/env bash
# What a player hears: with both banks holding a pure 441 Hz tone, keys and
# MIDI notes start the voices at their pitches, measured from the captured
# output; a note with velocity 0 and a key outside the map play nothing.
# (The key-to-sound latency is measured by tests/e2e/latency_bench.sh.)
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
bed_wav tone "$wavs/tone.wav" --hz 441 --ms 400 --amp 110
dir=$(bed_workdir player "$wavs/tone.wav=SAMPLE2.WAV" "$wavs/tone.wav=SAMPLE.WAV" $(bed_ding_override "$wavs"))
bed_launch "$dir"
drive wait-window 20000 >/dev/null
sleep 1


capture=$BED_DIR/capture.raw
bed_capture_start "$capture" || exit 1
sleep 0.5
drive post-char q >/dev/null; sleep 0.8
drive post-char U >/dev/null; sleep 0.8
drive post-midi 0x643C90 >/dev/null; sleep 0.8   # note on, key 60, velocity 100
drive post-midi 0x003C90 >/dev/null; sleep 0.8   # velocity 0: a release
drive post-char 8 >/dev/null; sleep 0.8
drive post-char Z >/dev/null; sleep 0.8          # voice 2 at 1.0
bed_capture_stop

report=$(analyze "$capture" --ref-hz 441)
echo "$report"
# Drop-outs are counted by the latency and drop-out benchmark.
mapfile -t sounds < <(tones "$report")
glitches=$(($(grep -c '^onset' <<<"$report") - ${#sounds[@]}))
echo "drop-outs in this capture: $glitches"
expect "four sounds: q, U, the note, Z; nothing for velocity 0 or 8" "${#sounds[@]}" 4
expect_true "q plays voice 1 at 1.0 (within 1 %)" within "$(field ratio "${sounds[0]:-}")" 0.99 1.01
expect_true "U plays voice 1 at 2.0 (within 1 %)" within "$(field ratio "${sounds[1]:-}")" 1.98 2.02
expect_true "MIDI key 60 plays 37/24 (within 1 %)" within "$(field ratio "${sounds[2]:-}")" 1.5262 1.5571
expect_true "Z plays voice 2 at 1.0 (within 1 %)" within "$(field ratio "${sounds[3]:-}")" 0.99 1.01
bed_finish
