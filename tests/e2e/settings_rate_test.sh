#!/usr/bin/env bash
# A rate chosen in the Settings dialog while connected is on the port as soon
# as the dialog has closed, with the line quiet and the watch thread waiting
# for received characters: on a plain pair of pseudo-terminals (raw, no echo,
# both ends) and on the bed's own cable. Linux's view of the program's end of
# the line (stty) is read at once after the dialog goes, and again after Cancel
# back at 9600, which writes the kept settings to the port again.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
SETTINGS=$IDD_SETTINGS_CAPTION
rate() { stty -F "$1" speed; }

# rate_after_ok TTY LINE: one connection on TTY, whose far end is LINE.
rate_after_ok() {
  local tty=$1 line=$2 dir
  bed_map_com_port COM1 "$tty"
  dir=$(bed_workdir "player-$line")
  BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$dir"
  expect_true "$line: the player connects" bed_connect
  sleep 1  # the watch thread is waiting on the quiet line
  expect "$line: the port opened at 9600 bits per second" "$(rate "$tty")" 9600
  bed_settings 1 $IDC_BAUDCB=19.2k
  expect "$line: 19200 is on the port as the dialog closes" "$(rate "$tty")" 19200
  sleep 0.3
  expect "$line: and stays" "$(rate "$tty")" 19200
  stty -F "$tty" 9600  # changed behind the program's back
  bed_settings 2
  expect "$line: Cancel writes the kept 19200 to the port again at once" "$(rate "$tty")" 19200
  bed_close "$line: the program ends with exit code 0"
}

bed__spawn socat "$BED_DIR/plain-socat.log" socat "pty,raw,echo=0,link=$BED_DIR/plainA" \
  "pty,raw,echo=0,link=$BED_DIR/plainB"
for ((i = 0; i < 100; i++)); do [[ -e $BED_DIR/plainA && -e $BED_DIR/plainB ]] && break; sleep 0.05; done
rate_after_ok "$BED_DIR/plainA" "a plain pseudo-terminal pair"

bed_serial_pair || exit 1
rate_after_ok "$BED_DIR/ttyA" "the bed's cable"
bed_finish
