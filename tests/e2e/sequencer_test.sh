#!/usr/bin/env bash
# What the sequencers play, heard in the captured sound. Bank 1 holds a
# 441 Hz tone and bank 2 a 661.5 Hz tone, so each sound tells its voice and
# pitch. Drum pattern 1 with step 1 sounds once every eight bars, its first
# bar at the start-up period of 300 ms a tick and the rest at 200 ms; a piano
# column at row 13 plays voice 2 at 2.0; STOP silences the rest of a bar; a
# tempo arrow on the playing pattern is heard the next time it comes round.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
# 100 ms tones: a voice sounds 77 ms of them (it stops 1000 bytes early), so
# sounds 150 ms apart stay apart. Starts land on block boundaries: two steps
# a late timer message brings two blocks (93 ms) apart leave 16 ms between
# their sounds, so the analyser takes 10 ms of silence, not 20, to part them.
bed_wav tone "$wavs/bank1.wav" --hz 441 --ms 100 --amp 110
bed_wav tone "$wavs/bank2.wav" --hz 661.5 --ms 100 --amp 110
dir=$(bed_workdir player "$wavs/bank1.wav=SAMPLE2.WAV" "$wavs/bank2.wav=SAMPLE.WAV")
bed_launch "$dir"
drive wait-window 30000 >/dev/null
sleep 0.5

PLAY=$(bed_middle PLAY) STOP=$(bed_middle STOP) DRUM_TEMPO_UP=$(bed_middle DRUM_TEMPO_UP)
pad() { bed_pad "$1"; }
column_row() { bed_cell "$1" "$2"; }

# listen FILE SECONDS CLICKS...: captures while the clicks are made (one
# driver process, "+MS" between them) and for SECONDS after, then prints the
# sounds: onset ms and pitch relative to 441 Hz.
listen() {
  local capture=$BED_DIR/$1 seconds=$2
  shift 2
  bed_capture_start "$capture" || return 1
  drive click "$@" >/dev/null
  sleep "$seconds"
  bed_capture_stop
  analyze "$capture" --ref-hz 441 --min-silence-ms 10 | tee "$capture.txt"
}
# Onsets (ms) of the sounds at RATIO (within 0.5 %) in an analyser report.
onsets_at() { awk -v r="$2" '/^onset/ && $8 > r * 0.995 && $8 < r * 1.005 { print $2 }' <<<"$1"; }
# The median spacing of neighbouring onsets in a list.
median_spacing() {
  awk 'NR > 1 { print $1 - last } { last = $1 }' <<<"$1" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR) printf "%.1f", v[int((NR + 1) / 2)] }'
}
nth() { sed -n "$2p" <<<"$1"; }
count() { grep -c . <<<"$1"; }

# ---- Drum pattern 1 step 1, and piano column 20 at row 13, from start-up ----
drive click $(pad 1) $(column_row 20 13) >/dev/null
report=$(listen first.raw 16.5 $PLAY)
echo "$report"
voice1=$(onsets_at "$report" 1.0)
expect "step 1 of pattern 1 sounds twice in 16.5 s: bars 1 and 9" "$(count "$voice1")" 2
gap=$(awk 'NR == 1 { a = $1 } NR == 2 { printf "%.0f", $1 - a }' <<<"$voice1")
echo "bar 1 to bar 9: $gap ms (8 ticks of 300 ms, then 7 bars and a tick of 200 ms: 15200)"
expect_true "eight bars later: first bar at 300 ms a tick, the rest at 200 ms (15200 +- 300 ms)" \
  within "$gap" 14900 15500
voice2=$(onsets_at "$report" 3.0)
expect "the piano column at row 13 sounds once, on voice 2 at 2.0 (1323 Hz from a 661.5 Hz bank)" \
  "$(count "$voice2")" 1
ratio=$(awk '/^onset/ && $8 > 2.9 && $8 < 3.1 { printf "%.4f", $8 / 1.5 }' <<<"$report")
expect_true "voice 2's pitch is 2.0 within 0.1 % (measured $ratio)" within "$ratio" 1.998 2.002
late=$(awk -v a="$(nth "$voice1" 1)" -v p="$(nth "$voice2" 1)" 'BEGIN { printf "%.0f", p - a }')
expect_true "column 20 sounds about 2 s after step 1: the first piano pass at 100 ms a column ($late ms)" \
  within "$late" 1600 2200

# ---- STOP in the middle of a bar: pattern 1 with all eight steps ----
drive click $STOP $(printf "$(bed_middle DRUM_PATTERN_UP) %.0s" {1..7}) $(pad 2) $(pad 3) $(pad 4) $(pad 5) $(pad 6) $(pad 7) $(pad 8) \
  $(column_row 20 0) >/dev/null
report=$(listen stop.raw 2.5 $PLAY +900 $STOP)
echo "$report"
heard=$(count "$(onsets_at "$report" 1.0)")
expect_true "PLAY, then STOP 900 ms later: fewer steps than the bar's eight sound ($heard)" within "$heard" 1 7

# ---- A faster tempo for the playing pattern waits for its next entry ----
# Starts are heard at block boundaries, so a spacing shows as a whole number
# of blocks: with 46.4 ms blocks a spacing of 200 ms shows as 186 or 232 ms,
# and one of 150 ms mostly as 139 ms and sometimes 186 ms; the median of a
# bar's spacings tells them apart. Smaller blocks round less (20 ms blocks:
# 200 or 220, 140 or 160), so the windows below hold for any block up to
# 46.4 ms; the build's own block is checked against that first. On a loaded
# machine a late timer message can put two steps in one block, where the
# later start wins: one step may go unheard.
block_ms=$(awk -v b="$(($(stat -c %s "$BED_BUILD/ding.wav") - 44))" 'BEGIN { printf "%.1f", b * 1000 / 44100 }')
expect_true "the build's block, $block_ms ms, is no longer than the windows below allow (46.4 ms)" \
  within "$block_ms" 0 46.4
report=$(listen tempo.raw 16.5 $PLAY +400 $DRUM_TEMPO_UP)
echo "$report"
drive click $STOP >/dev/null
voice1=$(onsets_at "$report" 1.0)
bar1=$(awk -v a="$(nth "$voice1" 1)" '$1 < a + 5000' <<<"$voice1")
bar9=$(awk -v a="$(nth "$voice1" 1)" '$1 > a + 10000' <<<"$voice1")
expect_true "bar 1 sounds its eight steps, 7 allowed (heard $(count "$bar1"))" within "$(count "$bar1")" 7 8
expect_true "bar 9 sounds them again, 7 allowed (heard $(count "$bar9"))" within "$(count "$bar9")" 7 8
first=$(median_spacing "$bar1") again=$(median_spacing "$bar9")
gap=$(awk -v a="$(nth "$bar1" 1)" -v b="$(nth "$bar9" 1)" 'BEGIN { printf "%.0f", b - a }')
echo "bar 1: $first ms a step; bar 9: $again ms a step (medians); bar 1 to bar 9: $gap ms (14350)"
expect_true "bar 1 keeps the period in force, 200 ms, after the tempo arrow" within "$first" 175 240
expect_true "bar 9, pattern 1 entered again, runs at its new tempo: 150 ms" within "$again" 125 165
expect_true "bar 9 starts 8 ticks, 7 bars of 200 ms ticks and one 150 ms tick after bar 1" \
  within "$gap" 14050 14650

bed_close
bed_finish
