#!/usr/bin/env bash
# The test bed and its driver, checked against the stand-in window: each
# command does what its name says to another process's window, each reading
# reports what it shows; two players' Wines stay apart; the serial pair works.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
standin=$BED_BUILD/tests/e2e/tty_standin.exe
title="$(printf '%76s' '')TTY STAND-IN"

# events: the stand-in's input log, one line per input, joined with ','.
events() { tr '\n' ',' <"$1/events.log"; }

# ---- Finding the window ----
dir=$(bed_workdir standin "$standin")
bed_launch "$dir" tty_standin.exe --show-after 3000 --exit-code 7
# Waits until the stand-in's window exists but is not shown yet.
window_created_hidden() {
  local i
  for ((i = 0; i < 100; i++)); do drive list-windows | grep -qF "|hidden|$TTY_CLASS_NAME|" && return 0; sleep 0.05; done
  return 1
}
expect_true "the stand-in's window is created hidden" window_created_hidden
expect "wait-window does not take a created but hidden window" "$(drive wait-window 100)" \
  "fail: no visible main window"
window=$(drive wait-window 20000)
expect "wait-window gives the shown window's rect and title" "${window%|*}" "0 0 640 480|$title"
expect_match "wait-window ends with the window handle" "${window##*|}" '^0x[0-9a-f]+$'
expect "window-rect gives the outer rect and the client size" "$(drive window-rect)" "0 0 640 480|client 632 434"
expect "title keeps the leading spaces" "$(drive title)" "$title"

# ---- Reading what the window shows ----
expect "pixel reads the painted background" "$(drive pixel 300 200)" "32 96 192"
expect "pixel reads a painted mark" "$(drive pixel 20 20)" "255 0 0"
drive click 100 120 >/dev/null
sleep 0.3
expect "a click reaches the window at its client point" "$(drive pixel 100 120)" "255 255 0"

# ---- The menu, read inside the program ----
expect "menu-state: a grayed item" "$(drive menu-state $IDM_DISCONNECT)" grayed
expect "menu-state: an enabled item" "$(drive menu-state $IDM_CONNECT)" enabled
expect "menu-state fails for a command the menu lacks" "$(drive menu-state 999)" "fail: no menu command 999"
drive post-command $IDM_CONNECT >/dev/null
sleep 0.3
expect "a posted command acts as the menu choice (Connect grays itself)" "$(drive menu-state $IDM_CONNECT)" grayed
expect "a posted command acts as the menu choice (and enables Disconnect)" "$(drive menu-state $IDM_DISCONNECT)" enabled
expect "menu-list lists every item with its state" "$(drive menu-list | tr '\n' ',')" \
  "&Action|popup|enabled,&Action/&Connect|$IDM_CONNECT|grayed,&Action/&Disconnect|$IDM_DISCONNECT|enabled,&Action/-|separator,&Action/E&xit|$IDM_EXIT|enabled,"

# ---- Input ----
drive post-char 'rR\r\x41' >/dev/null
drive post-key 0x21 >/dev/null
drive post-midi 0x00643C90 >/dev/null
drive post-note 36 127 >/dev/null
sleep 0.3
expect "each input arrives once, in order, as the message its command names" "$(events "$dir")" \
  "started,click 100 120,command $IDM_CONNECT,char 114,char 82,char 13,char 65,keydown 33,midi 0x00643c90,midi 0x007f2490,"

# ---- Message boxes ----
expect "no-msgbox succeeds while none is up" "$(drive no-msgbox 300)" none
drive send-close >/dev/null
expect "wait-msgbox reads the caption and the text" "$(drive wait-msgbox 5000)" "TTY Sample|OK to close window?"
expect "no-msgbox fails while one is up" "$(drive no-msgbox 300)" "fail: message box TTY Sample|OK to close window?"
expect "press-msgbox 2 presses Cancel and waits for the box to go" "$(drive press-msgbox 2)" \
  "pressed 2|TTY Sample|OK to close window?"
sleep 0.3
expect_true "after Cancel the program runs on" bed_running
drive send-close >/dev/null
expect "press-msgbox 1 presses OK" "$(drive press-msgbox 1)" "pressed 1|TTY Sample|OK to close window?"
bed_wait_exit 20
expect "bed_wait_exit gives the program's exit code" "$BED_EXIT" 7
expect "the stand-in saw Cancel, then OK" "$(events "$dir" | grep -o 'close.*')" \
  "close asked,close cancelled,close asked,destroyed,"
expect "wait-gone: the window is gone" "$(drive wait-gone 2000)" gone

# ---- A start-up message box over a hidden window ----
dir=$(bed_workdir no-bank "$standin")
rm "$dir/SAMPLE2.WAV"
bed_launch "$dir" tty_standin.exe
expect "a start-up box is found while the window is hidden" "$(drive wait-msgbox 20000)" \
  "ERROR|ERROR OPENING WAVE FILE SAMPLE2.WAV"
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
expect "the start-up box's OK ends the program with 0" "$BED_EXIT" 0

# ---- Two players, each with a Wine of its own ----
bed_add_player B || exit 1
dir=$(bed_workdir standin-b "$standin")
bed_as B bed_launch "$dir" tty_standin.exe --show-after 0
expect "player B's driver finds B's window" "$(bed_as B drive wait-window 20000 | cut -d'|' -f1)" "0 0 640 480"
expect "player A's driver does not see B's window" "$(drive wait-window 300)" "fail: no visible main window"
bed_as B drive send-close >/dev/null
bed_as B drive press-msgbox 1 >/dev/null
bed_as B bed_wait_exit 20
expect "player B's program ends on its own OK" "$BED_EXIT" 0

# ---- The serial pair ----
bed_serial_pair || exit 1
exec 6<>"$BED_DIR/ttyA" 7<>"$BED_DIR/ttyB"
printf 'A->B' >&6
read -r -t 5 -N 4 received <&7
expect "bytes written to ttyA are read from ttyB" "${received:-}" "A->B"
printf 'B->A' >&7
read -r -t 5 -N 4 received <&6
expect "bytes written to ttyB are read from ttyA" "${received:-}" "B->A"
bed_map_com_port COM1 "$BED_DIR/ttyA" || exit 1
bed_wine cmd /c "echo COM1 says hello>COM1" >/dev/null 2>&1
read -r -t 5 received <&7
expect "a Wine COM port mapped onto ttyA reaches ttyB" "${received%$'\r'}" "COM1 says hello"
exec 6<&- 7<&-

bed_finish
