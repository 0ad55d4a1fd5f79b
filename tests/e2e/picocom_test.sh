#!/usr/bin/env bash
# A real Linux serial terminal program on the other end of the line: text
# typed in picocom appears in the program's terminal and its key-map letters
# play; keys typed in the program appear in picocom.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
bed_serial_pair || exit 1
bed_map_com_port COM1 "$BED_DIR/ttyA" || exit 1
dir=$(bed_tone_workdir player 400)
BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$dir"
drive wait-window 20000 >/dev/null
bed_picocom "$BED_DIR/ttyB" || exit 1
drive send-command $IDM_CONNECT >/dev/null

# From picocom: "hi Q" then, after a pause, "U": "Q" and "U" are key-map
# characters (voice 1 at 1.0 and 2.0); "h", "i" and the space play nothing.
typed_in_picocom() {
  picocom_type 'hi Q'
  sleep 0.8
  picocom_type 'U'
}
mapfile -t sounds < <(heard typed_in_picocom)
expect "what is typed in picocom appears in the terminal" "$(wait_screen_row 0 'hi QU' 5)" 'hi QU'

expect "its key-map characters play: two sounds" "${#sounds[@]}" 2
expect_true "Q at 1.0 (within 1 %)" within "$(field ratio "${sounds[0]:-}")" 0.99 1.01
expect_true "U at 2.0 (within 1 %)" within "$(field ratio "${sounds[1]:-}")" 1.98 2.02

# From the program: typed keys go out in upper case, others as they are.
drive post-char 'quaver 1' >/dev/null
shown() {
  local i
  for ((i = 0; i < 20; i++)); do picocom_screen | grep -q 'QUAVER 1' && break; sleep 0.25; done
  picocom_screen | grep -o 'QUAVER 1'
}
expect "keys typed in the program appear in picocom" "$(shown)" 'QUAVER 1'

bed_close "the program closes while connected and exits with code 0"
bed_finish
