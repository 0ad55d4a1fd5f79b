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

# held_send N: voice 2 sustains the tone (its key goes out at once); then the
# program's output is stopped and Send Data Block is given while the sound is
# captured. Prints how long the command took, then the capture's gap report.
# Queued behind the command: a byte to show while the write waits, and XON
# 900 ms from the pauses' start. The pauses count from there, and the command
# reaches the program only once the driver has started (100 to 300 ms), so
# the write is held for about 600 to 800 ms of its time-out of 1024 ms (2 ms
# a byte at 9600 bit/s, counted from when the write starts).
held_send() {
  local capture=$BED_DIR/held-$1.raw took mark
  mark=$(peer_mark)
  drive post-char z >/dev/null
  peer_wait '^rx .* Z$' 5 "$mark" >/dev/null || bed_log "the key did not go out"
  peer write '\x13'
  sleep 0.3
  bed_capture_start "$capture" || return 1
  sleep 0.3
  peer pause 300
  peer write '!'
  peer pause 600
  peer write '\x11'
  took=$(command_ms $IDM_SENDBLOCK)
  sleep 0.6
  bed_capture_stop
  echo "${took:-?}"
  analyze "$capture" --gaps --from 100 --to 2100
}

mapfile -t held < <(held_send 1)
took=${held[0]}
expect_true "the key went out" quiet peer_wait '^rx .* Z$' 5
expect_true "Send Data Block waited for the held line (took $took ms)" within "$took" 400 2000
sleep 0.5
expect "the whole block went out after XON" "$(peer_received)" "Z$(printf 'X%.0s' {1..512})"
expect "the byte that arrived while the write waited was shown" "$(screen_row 0)" '!'
printf '%s\n' "${held[@]:1}" | grep '^gap '  # where each gap fell and how long it was, for the log
gaps=${held[-1]}
# A write whose wait stops the stream silences it for most of the hold, every
# time. The host can also hold up the sound path for a few ms at any moment
# (seen here with nothing else running): when the first hold had gaps, the
# hold is made once more, and the tone must go on without a gap through that
# one.
if [[ $gaps != "gaps 0 "* ]]; then
  bed_log "the first held write had gaps ($gaps); holding the line once more"
  mapfile -t held < <(held_send 2)
  printf '%s\n' "${held[@]:1}" | grep '^gap '
  gaps=${held[-1]}
fi
expect_match "the tone went on without a gap while the write waited" "$gaps" '^gaps 0 '
bed_close
bed_finish
