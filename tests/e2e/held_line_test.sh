#!/usr/bin/env bash
# A write that the line holds back keeps its caller waiting, but not the
# sound. The far end (line_peer) stops the program's output with XOFF; a
# sustained tone plays while Send Data Block waits for the line, and goes on
# without a gap; the received bytes are still shown meanwhile; once the far
# end sends XON the whole block goes out.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
bed_raw_peer "$BED_DIR/ttyA" || exit 1
bed_map_com_port COM1 "$BED_DIR/ttyA" || exit 1
dir=$(bed_tone_workdir player 8000)
BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$dir"
drive wait-window 20000 >/dev/null
mark=$(peer_mark)
drive send-command $IDM_CONNECT >/dev/null
expect_true "Connect opens the port" quiet peer_wait '^open' 5 "$mark"

# Voice 2 sustains the tone (its key goes out at once); then the program's
# output is stopped.
drive post-char z >/dev/null
expect_true "the key went out" quiet peer_wait '^rx .* Z$' 5
peer write '\x13'
sleep 0.3
capture=$BED_DIR/held.raw
bed_capture_start "$capture" || exit 1
sleep 0.3
# Queued behind the command below: a byte to show while the write waits, and
# XON 900 ms from now. The pauses count from here, and the command reaches
# the program only once the driver has started (100 to 300 ms), so the write
# is held for about 600 to 800 ms of its time-out of 1024 ms (2 ms a byte at
# 9600 bit/s, counted from when the write starts).
peer pause 300
peer write '!'
peer pause 600
peer write '\x11'
took=$(command_ms $IDM_SENDBLOCK)

sleep 0.6
bed_capture_stop
expect_true "Send Data Block waited for the held line (took ${took:-?} ms)" within "${took:-}" 400 2000
sleep 0.5
expect "the whole block went out after XON" "$(peer_received)" "Z$(printf 'X%.0s' {1..512})"
expect "the byte that arrived while the write waited was shown" "$(screen_row 0)" '!'
report=$(analyze "$capture" --gaps --from 100 --to 2100)
grep '^gap ' <<<"$report"  # where each gap fell and how long it was, for the log
gaps=$(tail -n1 <<<"$report")
expect_match "the tone went on without a gap while the write waited" "$gaps" '^gaps 0 '
bed_close
bed_finish
