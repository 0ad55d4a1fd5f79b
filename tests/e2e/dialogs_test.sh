#!/usr/bin/env bash
# The Settings dialog and the About box as a person meets them, disconnected:
# the dialog opens with the built-in settings; Ok stores what was chosen and
# Cancel nothing; a font confirmed in the font chooser applies to the terminal
# at once and survives Cancel; the About box paints its logo at (10, 10) and
# again after being wiped, ignores Escape and its menu bar, and closes on Enter.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
# The scripts find the dialog by the caption the build read from the resource
# script; this is the one check of that text itself.
SETTINGS=$IDD_SETTINGS_CAPTION
expect "the Settings dialog's caption" "$SETTINGS" "TTY Settings..."
dir=$(bed_workdir player)
bed_launch "$dir"
drive wait-window 30000 >/dev/null

open_settings() {
  drive post-command $IDM_SETTINGS >/dev/null
  drive wait-dialog "$SETTINGS" 5000 >/dev/null
}
close_settings() {
  drive dialog-command "$SETTINGS" "$1" >/dev/null
  drive wait-dialog-gone "$SETTINGS" 5000 >/dev/null
}
# control ID: "text|enabled|visible|checked|selection|items" of one control.
control() { drive dialog "$SETTINGS" "$1" | cut -d'|' -f3-; }
selection() { control "$1" | cut -d'|' -f5; }
checked() { control "$1" | cut -d'|' -f4; }
enabled() { control "$1" | cut -d'|' -f2; }

# ---- The built-in settings ----
open_settings
expect "the port list shows COM1 of COM1 to COM4" "$(control $IDC_PORTCB | cut -d'|' -f5-)" "COM1|COM1;COM2;COM3;COM4"
expect "the rate list shows 9600 of the 13 rates" "$(control $IDC_BAUDCB | cut -d'|' -f5-)" \
  "9600|110;300;600;1200;2400;4800;9600;14.4k;19.2k;38.4k;56k;128k;256k"
expect "the data bits show 8 of 5 to 8" "$(control $IDC_DATABITSCB | cut -d'|' -f5-)" "8|5;6;7;8"
expect "the parity shows None" "$(control $IDC_PARITYCB | cut -d'|' -f5-)" "None|None;Even;Odd;Mark;Space"
expect "the stop bits offer only 1" "$(control $IDC_STOPBITSCB | cut -d'|' -f5-)" "1|1"
expect "flow control: XON/XOFF only" "$(checked $IDC_DTRDSR) $(checked $IDC_RTSCTS) $(checked $IDC_XONXOFF)" "unchecked unchecked checked"
expect "Autowrap on, New Line and Local Echo off" "$(checked $IDC_AUTOWRAP) $(checked $IDC_NEWLINE) $(checked $IDC_LOCALECHO)" \
  "checked unchecked unchecked"
expect "Use CN_RECEIVE Notifications is greyed and unchecked" "$(enabled $IDC_USECNRECEIVE) $(checked $IDC_USECNRECEIVE)" "disabled unchecked"
expect "Display Errors is checked" "$(checked $IDC_DISPLAYERRORS)" checked
expect "the port list can be changed while disconnected" "$(enabled $IDC_PORTCB)" enabled
bed_screenshot "$BED_DIR/settings.png"

# ---- Ok stores, Cancel does not ----
drive dialog-set "$SETTINGS" $IDC_BAUDCB 14.4k >/dev/null
drive dialog-set "$SETTINGS" $IDC_PARITYCB Odd >/dev/null
drive dialog-set "$SETTINGS" $IDC_NEWLINE 1 >/dev/null
close_settings 1
expect "Ok stores 14400 bits per second" "$(drive record dwBaudRate)" 14400
expect "Ok stores parity code 1 for Odd" "$(drive record bParity)" 1
expect "Ok stores New Line" "$(drive record fNewLine)" 1
expect "Ok stores Use CN_RECEIVE unchecked" "$(drive record fUseCNReceive)" 0
open_settings
expect "opened again it shows 14.4k" "$(selection $IDC_BAUDCB)" 14.4k
expect "opened again it shows Odd" "$(selection $IDC_PARITYCB)" Odd
drive dialog-set "$SETTINGS" $IDC_BAUDCB 2400 >/dev/null
drive dialog-set "$SETTINGS" $IDC_PORTCB COM3 >/dev/null
drive dialog-set "$SETTINGS" $IDC_XONXOFF 0 >/dev/null
drive dialog-set "$SETTINGS" $IDC_LOCALECHO 1 >/dev/null
close_settings 2
expect "Cancel keeps the rate, port, flow control and echo" \
  "$(drive record dwBaudRate) $(drive record bPort) $(drive record bFlowCtrl) $(drive record fLocalEcho)" \
  "14400 1 4 0"
expect "Settings while disconnected shows no message" "$(drive no-msgbox 500)" none

# ---- The font chooser ----
cell_before="$(drive record xChar) $(drive record yChar)"
open_settings
drive dialog-command "$SETTINGS" $IDC_FONTBTN >/dev/null
expect_match "the font chooser opens" "$(drive wait-dialog Font 5000)" '^[0-9-]+ [0-9-]+ [0-9]+ [0-9]+$'
drive dialog-set Font 1138 20 >/dev/null   # the size box
drive dialog-command Font 1 >/dev/null
drive wait-dialog-gone Font 5000 >/dev/null
cell_chosen="$(drive record xChar) $(drive record yChar)"
expect_true "a confirmed font changes the cell size at once ($cell_before -> $cell_chosen)" \
  test "$cell_chosen" != "$cell_before"
close_settings 2
expect "the font survives Cancel of the Settings dialog" "$(drive record xChar) $(drive record yChar)" \
  "$cell_chosen"

# ---- The About box ----
logo=$BED_BUILD/bitmap$IDB_LOGO.bmp
drive post-command $IDM_ABOUT >/dev/null
drive wait-dialog "" 5000 >/dev/null
sleep 0.3
expect "the About box shows the logo at (10, 10)" "$(drive compare-bitmap "" "$logo" 10 10)" "match 4096 of 4096"
drive dialog-repaint "" >/dev/null
sleep 0.3
expect "the logo is painted again after the box is wiped" "$(drive compare-bitmap "" "$logo" 10 10)" \
  "match 4096 of 4096"
bed_screenshot "$BED_DIR/about.png"
drive dialog-key "" 27 >/dev/null      # Escape
drive dialog-command "" $IDM_SETTINGS >/dev/null # Settings, from the box's own menu bar
sleep 0.5
expect_match "Escape and the menu bar leave the box open" "$(drive wait-dialog "" 100)" '^[0-9-]+ '
expect "the menu bar opened no Settings dialog" "$(drive wait-dialog "$SETTINGS" 100)" \
  "fail: no dialog '$SETTINGS'"
drive dialog-key "" 13 >/dev/null      # Enter
expect "Enter closes the box" "$(drive wait-dialog-gone "" 3000)" gone

bed_close
bed_finish
