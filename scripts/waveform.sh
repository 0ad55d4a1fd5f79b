#!/usr/bin/env bash
# Draws the waveform of a WAV file (such as a recording of the launcher's
# --record-sound) as a PNG picture: sox reads the samples, each column of the
# picture shows the lowest and highest sample of its stretch of time, and a
# faint line marks every second.
#
#   scripts/waveform.sh RECORDING.wav PICTURE.png [WIDTH] [HEIGHT]   (1000 x 240)
set -euo pipefail
(($# >= 2)) || { echo "usage: scripts/waveform.sh RECORDING.wav PICTURE.png [WIDTH] [HEIGHT]" >&2; exit 2; }
wav=$1 png=$2 width=${3:-1000} height=${4:-240}
command -v sox >/dev/null && command -v convert >/dev/null ||
  { echo "waveform: needs sox and ImageMagick (scripts/setup.sh installs them)" >&2; exit 1; }
seconds=$(soxi -D "$wav")
ppm=$(mktemp --suffix=.ppm)
trap 'rm -f "$ppm"' EXIT
# sox's text output: one line per sample, its time in seconds and its value
# from -1 to 1 (the first lines are comments starting with ";").
sox "$wav" -c 1 -t dat - | awk -v w="$width" -v h="$height" -v len="$seconds" '
  /^;/ { next }
  {
    x = int($1 / len * w); if (x >= w) x = w - 1
    if (!(x in lo) || $2 < lo[x]) lo[x] = $2
    if (!(x in hi) || $2 > hi[x]) hi[x] = $2
  }
  END {
    mid = (h - 1) / 2
    for (x = 0; x < w; x++) mark[x] = 0
    for (s = 1; s < len; s++) mark[int(s / len * w)] = 1
    printf "P3\n%d %d\n255\n", w, h
    for (y = 0; y < h; y++) {
      line = ""
      for (x = 0; x < w; x++) {
        top = (x in hi) ? mid - hi[x] * mid : mid; bottom = (x in lo) ? mid - lo[x] * mid : mid
        if (y >= top - 0.5 && y <= bottom + 0.5) px = "31 78 121"
        else if (mark[x] || y == int(mid)) px = "214 219 224"
        else px = "255 255 255"
        line = line px " "
      }
      print line
    }
  }' >"$ppm"
convert "$ppm" "$png"
