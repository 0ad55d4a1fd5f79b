#!/usr/bin/env bash
# The Windows package as a Windows user meets it: the zip holds the program,
# its three sound files and the text on linking two machines, nothing else;
# unpacked anywhere, the program starts from its folder and ends cleanly.
source "$(dirname "$0")/bed.sh"
zip=$(ls "$BED_BUILD"/quaverton-*.zip 2>/dev/null | head -n1)
expect_true "the build made a package" test -f "$zip"
expect "the package holds exactly the program, its sounds and the linking text" \
  "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" \
  "quaverton-1.0/ quaverton-1.0/LINKING.TXT quaverton-1.0/SAMPLE.WAV quaverton-1.0/SAMPLE2.WAV quaverton-1.0/ding.wav quaverton-1.0/quaverton.exe "
expect "the linking text has Windows line ends" \
  "$(unzip -p "$zip" quaverton-1.0/LINKING.TXT | head -n1 | od -An -c | grep -c '\\r')" 1

bed_start || exit 1
unzip -q "$zip" -d "$BED_DIR/unpacked"
bed_launch "$BED_DIR/unpacked/quaverton-1.0"
expect_match "the unpacked program shows its main window" "$(drive wait-window 30000)" '^0 0 800 600\|'
expect "it starts without a message" "$(drive no-msgbox 500)" none
bed_close "it ends with exit code 0"
bed_finish
