#!/usr/bin/env bash
# The program on a serial line whose far end is the test itself (line_peer):
# a port that does not exist, a note message split across two arrivals, a
# peer that stops the program's output, Disconnect while the peer streams, the
# peer going away, closing the window while connected, and the same line
# without modem lines, where the watch thread looks at the line at intervals.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
bed_raw_peer "$BED_DIR/ttyA" || exit 1
bed_map_com_port COM1 "$BED_DIR/ttyA" || exit 1
bed_map_com_port COM2 "$BED_DIR/no-such-terminal" || exit 1
wavs=$BED_DIR/wavs
mkdir -p "$wavs"
bed_wav tone "$wavs/tone.wav" --hz 441 --ms 400 --amp 110
dir=$(bed_workdir player "$wavs/tone.wav=SAMPLE2.WAV" "$wavs/tone.wav=SAMPLE.WAV")
# The debugger output channel goes to the program's log.
BED_PRELOAD=$BED_MODEM_PRELOAD WINEDEBUG=-all,+debugstr bed_launch "$dir"
drive wait-window 20000 >/dev/null
title=$(drive title)
program=$(bed_program_process)

# choose_port COMn: chosen in the Settings dialog, then OK.
SETTINGS=$IDD_SETTINGS_CAPTION
choose_port() {
  drive post-command $IDM_SETTINGS >/dev/null
  drive wait-dialog "$SETTINGS" 5000 >/dev/null
  drive dialog-set "$SETTINGS" $IDC_PORTCB "$1" >/dev/null
  drive dialog-command "$SETTINGS" 1 >/dev/null
  drive wait-dialog-gone "$SETTINGS" 5000 >/dev/null
}
# Ticks of processor time the program used over SECONDS (100 ticks a second).
ticks_over() {
  local before
  before=$(cpu_ticks "$program")
  sleep "$1"
  echo $(($(cpu_ticks "$program") - before))
}
error_texts() { screen_rows | grep -o '<CE-[^>]*>' | tr '\n' ' '; }

# ---- A port that does not exist ----
choose_port COM2
drive post-command $IDM_CONNECT >/dev/null
expect "Connect on a missing port: the message and its caption" "$(drive wait-msgbox 5000)" \
  "$title|Connection failed."
expect "the cursor is the normal one again" "$(drive cursor)" arrow
expect "Connect stays enabled" "$(drive menu-state $IDM_CONNECT)" enabled
expect "Disconnect stays grayed" "$(drive menu-state $IDM_DISCONNECT)" grayed
drive press-msgbox 1 >/dev/null
choose_port COM1

# ---- Connected: a note message whose two bytes arrive 200 ms apart ----
mark=$(peer_mark)
drive send-command $IDM_CONNECT >/dev/null
expect_true "Connect opens the port" quiet peer_wait '^open' 5 "$mark"
expect "Connect grays itself" "$(drive menu-state $IDM_CONNECT)" grayed
expect "and enables Disconnect" "$(drive menu-state $IDM_DISCONNECT)" enabled
split_note() {
  peer write '#'
  peer pause 200
  peer write '<'
}
mapfile -t sounds < <(heard split_note 1.2)
expect "a split note message plays once" "${#sounds[@]}" 1
expect_true "at 37/24 (within 1 %)" within "$(field ratio "${sounds[0]:-}")" 1.5262 1.5571
expect "only the '#' is shown" "$(wait_screen_row 0 '#' 5)" '#'

# ---- The peer stops the program's output (XOFF), then lets it go on ----
peer write '\r\n\x13'
sleep 0.3
drive post-char w >/dev/null
sleep 0.8
peer write '\x11'
sleep 0.3
drive post-char e >/dev/null
expect_true "after XON the next key goes out" quiet peer_wait '^rx .* E$' 5
expect "the key typed while stopped is dropped, not sent later" "$(peer_received)" E
expect_true "its write time-out is reported on the debugger output" \
  grep -q 'Probable Write Timeout: Total of 0 bytes sent' "${BED_PROGRAM_LOG[A]}"
expect_match "the terminal shows at most the write's error code" "$(screen_row 1)" '^(<CE-[0-9]+>)?$'

# ---- Disconnect while the peer streams at the line rate ----
peer write '\r\n'
peer stream 9600 3000 records
sleep 1
mark=$(peer_mark)
took=$(command_ms $IDM_DISCONNECT)
expect_true "Disconnect returns within 1 s while bytes stream in (took ${took:-?} ms)" within "${took:-}" 0 1000
expect_true "the port is closed: the peer sees the line hang up" quiet peer_wait '^hangup' 5 "$mark"
expect "Connect is enabled again" "$(drive menu-state $IDM_CONNECT)" enabled
peer_wait '^streamed' 10 >/dev/null
mark=$(peer_mark)
drive send-command $IDM_CONNECT >/dev/null
expect_true "Connect works again" quiet peer_wait '^open' 5 "$mark"
peer write '\r\nQ'
expect_match "bytes arrive on the new connection" "$(wait_screen '^Q$' 5)" 'Q$'
expect "no line error was shown" "$(error_texts | sed 's/<CE-[0-9]*> //')" ""

# ---- The peer goes away while connected, then comes back ----
peer vanish
sleep 1
idle=$(ticks_over 3)
expect_true "a line that hung up does not make the program spin ($idle ticks in 3 s)" within "$idle" 0 150
took=$(command_ms $IDM_DISCONNECT)
expect_true "Disconnect from a line that hung up returns within 1 s (took ${took:-?} ms)" within "${took:-}" 0 1000
mark=$(peer_mark)
peer return
peer_wait '^ready' 5 "$mark" >/dev/null
drive send-command $IDM_CONNECT >/dev/null
expect_true "Connect to the peer that came back" quiet peer_wait '^open' 5 "$mark"
peer write 'Z'
drive post-char t >/dev/null
expect_true "the line works both ways again" quiet peer_wait '^rx .* T$' 5 "$mark"
expect_match "and what the peer sent is shown" "$(wait_screen '^QZ$' 5)" 'QZ$'

# ---- Closing the window while connected ----
mark=$(peer_mark)
bed_close "closing while connected exits with code 0"
expect_true "and the port was closed" quiet peer_wait '^hangup' 5 "$mark"

# ---- Without modem lines: the comm-event wait fails at once ----
# Wine then starts a thread for every wait; the driver's probe, which is
# loaded into the program, is not used here, and what arrives is heard.
WINEDEBUG=-all bed_launch "$dir"
drive wait-window 20000 >/dev/null
program=$(bed_program_process)
drive send-command $IDM_CONNECT >/dev/null
mapfile -t sounds < <(heard "peer write U")
expect "bytes still arrive: U plays once" "${#sounds[@]}" 1
expect_true "at 2.0 (within 1 %)" within "$(field ratio "${sounds[0]:-}")" 1.98 2.02
idle=$(ticks_over 3)
expect_true "an idle connection does not spin ($idle ticks in 3 s)" within "$idle" 0 150
bed_close "closing while connected exits with code 0"
bed_finish
