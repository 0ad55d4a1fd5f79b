#!/usr/bin/env bash
# Two players, A and B, each running the program in its own Wine with COM1 on
# one end of a virtual null-modem cable: what A plays goes down the line byte
# for byte, and B shows it and plays it. A's banks are silent, so the capture
# holds B's sound alone.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
bed_two_players 400 || exit 1

# The bytes that went from A to B so far, in hex, on one line.
a_to_b() { bed_line_bytes '>' | tr '\n' ' ' | sed 's/ *$//'; }

# ---- Keys typed while disconnected ----
drive post-char q >/dev/null
sleep 0.5
drive send-command $IDM_CONNECT >/dev/null
bed_as B drive send-command $IDM_CONNECT >/dev/null
expect "both are connected" "$(drive menu-state $IDM_DISCONNECT) $(bed_as B drive menu-state $IDM_DISCONNECT)" "enabled enabled"
sleep 1
expect "a key typed while disconnected is not sent, then or later" "$(a_to_b)" ""

# ---- A key and a MIDI note ----
key_then_note() {
  drive post-char r >/dev/null
  sleep 0.8
  drive post-note 60 100 >/dev/null
}
mapfile -t sounds < <(heard key_then_note)
expect "A's r goes down the line as R, then the note as # and <" "$(a_to_b)" "52 23 3c"
expect "B shows the R and only the # of the note" "$(bed_as B wait_screen_row 0 'R#' 5)" 'R#'

expect "B plays two sounds" "${#sounds[@]}" 2
expect_true "R plays bank 1 at 30/24 (within 1 %)" within "$(field ratio "${sounds[0]:-}")" 1.2375 1.2625
expect_true "the note plays 37/24 (within 1 %)" within "$(field ratio "${sounds[1]:-}")" 1.5262 1.5571

# ---- Send Data Block ----
drive post-command $IDM_SENDBLOCK >/dev/null
sleep 1
block=$(a_to_b | cut -d' ' -f4-)
expect "Send Data Block sends exactly 512 X" "$(wc -w <<<"$block") $(tr ' ' '\n' <<<"$block" | sort -u)" "512 58"
# B writes them after the R#: 78 on row 0, five full rows, 34 on row 6.
x() { printf "%$1s" '' | tr ' ' X; }
expect "B shows the 512th X where it belongs" "$(bed_as B wait_screen_row 6 "$(x 34)" 60)" "$(x 34)"
expect "B's screen holds the block in order" \
  "$(bed_as B screen_rows | sed -n '1,7p;$p' | tr '\n' ',')" \
  "R#$(x 78),$(x 80),$(x 80),$(x 80),$(x 80),$(x 80),$(x 34),cursor 6 34,"
expect "and draws every one of its top row (no byte lost between screen and window)" \
  "$(bed_as B drive cells-drawn 0)" "drawn 80 of 80"

# ---- Local echo, set in the Settings dialog ----
SETTINGS=$IDD_SETTINGS_CAPTION
drive post-command $IDM_SETTINGS >/dev/null
drive wait-dialog "$SETTINGS" 5000 >/dev/null
drive dialog-set "$SETTINGS" $IDC_LOCALECHO 1 >/dev/null
drive dialog-command "$SETTINGS" 1 >/dev/null
drive wait-dialog-gone "$SETTINGS" 5000 >/dev/null
drive post-char e >/dev/null
expect "with local echo on, A shows what it sends" "$(wait_screen_row 0 E 5)" E
expect "and the line carries it" "$(sleep 0.5; bed_line_bytes '>' | tail -n1)" 45
expect "B shows it too" "$(bed_as B wait_screen_row 6 "$(x 34)E" 5)" "$(x 34)E"

# ---- Closing both while connected ----
for player in A B; do
  bed_as $player bed_close "player $player closes while connected and exits with code 0"
done
bed_finish
