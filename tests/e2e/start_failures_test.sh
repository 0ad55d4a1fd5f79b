#!/usr/bin/env bash
# Every start-up failure shows its own text and caption, and the program then
# ends with exit code 0.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
for kind in riff-lowercase riff-size-1000 format-tag2 data-empty no-fmt format-cut data-cut data-short; do bed_wav $kind "$wavs/$kind.wav"; done

# check NAME EXPECTED-BOX SETUP...: SETUP runs in the working folder.
check() {
  local name=$1 box=$2
  shift 2
  local dir
  dir=$(bed_workdir "$name")
  (cd "$dir" && eval "$*")
  bed_launch "$dir"
  expect "$name: message" "$(drive wait-msgbox 20000)" "$box"
  drive press-msgbox 1 >/dev/null
  bed_wait_exit 20
  expect "$name: exit code" "$BED_EXIT" 0
}

check no_bank1 "ERROR|ERROR OPENING WAVE FILE SAMPLE2.WAV" rm SAMPLE2.WAV
check no_bank2 "ERROR|ERROR OPENING WAVE FILE SAMPLE.WAV" rm SAMPLE.WAV
check riff_bank "ERROR|ERROR OPENING WAVE FILE" cp "$wavs/riff-lowercase.wav" SAMPLE2.WAV
check tiny_bank "ERROR|WAVE FILE SAMPLE2.WAV HOLDS TOO FEW SAMPLES (RIFF SIZE MUST EXCEED 1000)" \
  cp "$wavs/riff-size-1000.wav" SAMPLE2.WAV
check no_ding "Error|Failed To Open FilE" rm ding.wav
check ding_tag2 "Error|NOT a pcm file" cp "$wavs/format-tag2.wav" ding.wav
check ding_empty "Error|Data Size Zero" cp "$wavs/data-empty.wav" ding.wav
check ding_corrupt "Error|Corrupt Wave File" cp "$wavs/no-fmt.wav" ding.wav
# Files cut short inside the chunk the RIFF reader reads: its own texts.
check ding_format_cut "Error|Cannot Read Format Chunk" cp "$wavs/format-cut.wav" ding.wav
check ding_data_cut "Error|Cannot Read Wave subchunk" cp "$wavs/data-cut.wav" ding.wav
check ding_data_short "Error|Cannot Read Wave subchunk" cp "$wavs/data-short.wav" ding.wav
bed_finish
