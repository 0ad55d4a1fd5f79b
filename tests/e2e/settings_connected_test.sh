#!/usr/bin/env bash
# The Settings dialog while a connection is open: the port cannot be changed;
# the line settings are written to the open port when the dialog closes, Ok
# or Cancel, and what the port was given is seen from the Linux side of the
# line; a port that refuses them (its line gone) brings "Settings failed!" and
# the connection stays open until the player disconnects.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
SETTINGS=$IDD_SETTINGS_CAPTION
TITLE="$(printf '%76s' '')QUAVERTON v1.0"
bed_serial_pair
cable=$BED_LAST_PID
bed_map_com_port COM1 "$BED_DIR/ttyA"
dir=$(bed_workdir player)
BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$dir"
expect_true "the player connects" bed_connect

settings() { bed_settings "$@"; }
# The line settings the port was given, as Linux sees them: the rate and the
# flow control, "19200 -crtscts ixon" (a pseudo-terminal keeps neither parity
# nor data bits: Linux always makes it 8 bits without parity).
line() {
  local all
  all=$(stty -F "$BED_DIR/ttyA" -a)
  echo "$(sed -n 's/.*speed \([0-9]*\) baud.*/\1/p' <<<"$all") $(tr ' ' '\n' <<<"$all" | grep -xE -- '-?crtscts|-?ixon' | tr '\n' ' ')"
}

expect "the port opened at 9600 bits per second with XON/XOFF" "$(line)" "9600 -crtscts ixon "
drive post-command $IDM_SETTINGS >/dev/null
drive wait-dialog "$SETTINGS" 5000 >/dev/null
expect "the port list is greyed while connected" "$(drive dialog "$SETTINGS" $IDC_PORTCB | cut -d'|' -f4)" disabled
drive dialog-command "$SETTINGS" 2 >/dev/null
drive wait-dialog-gone "$SETTINGS" 5000 >/dev/null

settings 1 $IDC_BAUDCB=19.2k $IDC_RTSCTS=1 $IDC_XONXOFF=0
expect "Ok applies the new rate and flow control to the open port at once" "$(line)" "19200 crtscts -ixon "
expect "no message when the port takes them" "$(drive no-msgbox 1000)" none
expect "Ok keeps the port while connected" "$(drive record bPort)" 1
stty -F "$BED_DIR/ttyA" 4800 -crtscts ixon  # changed behind the program's back
settings 2 $IDC_BAUDCB=2400 $IDC_XONXOFF=1
expect "Cancel stores nothing, and the kept settings are written to the port again" "$(line)" "19200 crtscts -ixon "
expect "the connection stays open" "$(drive menu-state $IDM_DISCONNECT)" enabled

# The far end of the line goes away: the port refuses any settings.
bed__end_pid "$cable"
sleep 0.5
settings 1 $IDC_BAUDCB=9600
expect "a refused setting says so, with the window title as caption" "$(drive wait-msgbox 5000)" \
  "$TITLE|Settings failed!"
drive press-msgbox 1 >/dev/null
expect "the connection stays open after the refusal" "$(drive menu-state $IDM_DISCONNECT)" enabled
drive post-command $IDM_DISCONNECT >/dev/null
sleep 1
expect "Disconnect still works" "$(drive menu-state $IDM_CONNECT)" enabled

bed_close
bed_finish
