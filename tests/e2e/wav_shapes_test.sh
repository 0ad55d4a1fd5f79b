#!/usr/bin/env bash
# WAV files shaped as sound programs write them (tests/e2e/wav_shapes.cpp),
# each given to the program in one role: "format" puts it in place of
# ding.wav, "bank" in place of SAMPLE2.WAV (bank 1, which the key Q plays).
# Every file either starts the program, and then the key is heard, or shows
# the text of the step that refuses it; every run ends with exit code 0.
#   wav_shapes_test.sh format|bank [K/N] [NAME...]
# K/N takes every Nth shape from the Kth on (so that N runs side by side
# share the table); names take only those shapes.
source "$(dirname "$0")/bed.sh"
role=${1:-}
[[ $role == format || $role == bank ]] || { echo "usage: $0 format|bank [K/N] [NAME...]" >&2; exit 2; }
shift
part=1 parts=1
[[ ${1:-} =~ ^([1-9][0-9]*)/([1-9][0-9]*)$ ]] && { part=${BASH_REMATCH[1]} parts=${BASH_REMATCH[2]}; shift; }
bed_start || exit 1
shapes=$BED_DIR/shapes
mkdir -p "$shapes"
table=$(bed_wav --shapes "$shapes") || exit 1
# And files another sound program wrote, as a user would make them: sox
# writes the canonical header for 8 and 16 bits, WAVE_FORMAT_EXTENSIBLE with a
# fact chunk for 24 bits, and format tag 3 with a fact chunk for floats.
sox_file() { sox -n -r "$2" "${@:3}" "$shapes/$1.wav" synth 0.2 sine 441 || exit 1; }
sox_file sox-pcm8-22050 22050 -b 8 -c 1
sox_file sox-pcm16-stereo-44100 44100 -b 16 -c 2
sox_file sox-pcm24-48000 48000 -b 24 -c 1
sox_file sox-float-44100 44100 -e floating-point -b 32 -c 1
table+=$'\nsox-pcm8-22050\tstarts\tloads\nsox-pcm16-stereo-44100\tstarts\tloads'
table+=$'\nsox-pcm24-48000\tNOT a pcm file\tloads\nsox-float-44100\tNOT a pcm file\tloads'
tone=$BED_DIR/tone.wav
bed_wav tone "$tone" --hz 441 --ms 400 --amp 110

# heard_after_key NAME: Q is posted 500 ms into a capture; the output must
# hold still until then and move after it. The file may set any output
# format and rate, so "move" is any change from one sample to the next, not a
# pitch (at 8000 Hz the banks' tone comes out at 80 Hz, whose steps at the
# capture's 44100 Hz are about one level). Before the key a few changes are
# allowed: a drop-out of the stream under load moves a steady level that is
# not the server's silence. The capture ends as soon as the output has moved
# after the key (3 s into it at the latest): what came after that first move
# is never looked at. A stream that plays before its key does so at every
# try; a drop-out of the host comes at random and, resampled from a lower
# rate, can move the level more than those few times: when the output moved
# more before the key, the key is given once more in a new capture, and that
# one must hold still until its key.
heard_after_key() {
  local moved
  capture_around_key "$1" 1
  moved=$(field changes "$before")
  if ((${moved:-0} > 20)); then
    bed_log "$1: the output moved before the key ($before); once more"
    sleep 3  # the first key's tone is over (2.2 s at the slowest rate, 8000 Hz)
    capture_around_key "$1" 2
  fi
  expect_true "$1: still before the key ($before)" within "$(field changes "$before")" 0 20
  expect_true "$1: the key is heard within 2.5 s ($after)" within "$(field first "$after")" 450 3000
}

# capture_around_key NAME TRY: one capture with Q posted 500 ms into it; sets
# before and after, the changes of the output before and after the key.
capture_around_key() {
  local capture=$BED_DIR/$1-$2.raw
  bed_capture_start "$capture" || return 1
  sleep 0.5
  drive post-char q >/dev/null
  local until=$(($(date +%s%N) / 1000000 + 2500))
  while (($(date +%s%N) / 1000000 < until)); do
    sleep 0.1
    [[ $(field first "$(analyze "$capture" --changes --tolerance 0 --from 450)") == none ]] || break
  done
  bed_capture_stop
  before=$(analyze "$capture" --changes --tolerance 0 --from 50 --to 450)
  after=$(analyze "$capture" --changes --tolerance 0 --from 450)
}

# one_of NAME ACTUAL CAPTION TEXTS: ACTUAL is "CAPTION|TEXT" for one of the
# texts of TEXTS, separated by '|'.
one_of() {
  local text
  IFS='|' read -ra texts <<<"$4"
  for text in "${texts[@]}"; do [[ $2 == "$3|$text" ]] && { expect "$1" "$2" "$2"; return; }; done
  expect "$1" "$2" "$3|$4"
}

index=0
while IFS=$'\t' read -r name as_format as_bank; do
  ((index++ % parts == part - 1)) || continue
  (($# == 0)) || [[ " $* " == *" $name "* ]] || continue
  if [[ $role == format ]]; then
    want=$as_format ok=starts caption=Error place=ding.wav banks=("$tone=SAMPLE2.WAV" "$tone=SAMPLE.WAV")
  else
    want=$as_bank ok=loads caption=ERROR place=SAMPLE2.WAV banks=("$tone=SAMPLE.WAV")
  fi
  [[ $want == - ]] && continue
  dir=$(bed_workdir "$name" "${banks[@]}" "$shapes/$name.wav=$place")
  bed_launch "$dir"
  if [[ $want == "$ok" ]]; then
    expect_match "$name: the window opens" "$(drive wait-window 20000)" '^[0-9]+ [0-9]+ '
    # The splash timer shows the window even while a start-up message is up.
    expect "$name: no message" "$(drive no-msgbox 300)" none
    heard_after_key "$name"
    bed_close "$name: ends with exit code 0"
  else
    # One text, or several (a|b) where a later step's text depends on memory.
    one_of "$name: message" "$(drive wait-msgbox 20000)" "$caption" "$want"
    drive press-msgbox 1 >/dev/null
    bed_wait_exit 20
    expect "$name: ends with exit code 0" "$BED_EXIT" 0
  fi
done <<<"$table"
bed_finish
