#!/usr/bin/env bash
# A send that arrives while a write waits for the line. While Send Data Block
# waits (the far end holds the program's output with XOFF), the waiting
# thread still serves the messages it must: a MIDI note delivered then plays
# and sends its "#" and key. That second write does not start on the port
# while the block is still pending there: it waits for the block, then goes
# out whole after it. The far end sees the 512 bytes of the block, then "#"
# and the key, and nothing else; the program stays responsive throughout.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
bed_raw_player || exit 1
mark=$(peer_mark)
drive send-command $IDM_CONNECT >/dev/null
expect_true "Connect opens the port" quiet peer_wait '^open' 5 "$mark"

# Held: the block's write stays pending until XON, 700 ms after it began
# (within its time-out of 1024 ms, 2 ms a byte at 9600 bit/s).
peer write '\x13'
sleep 0.3
drive post-command $IDM_SENDBLOCK >/dev/null
peer pause 700
peer write '\x11'
# Key 60 (0x3C, "<"), note-on, sent (not posted) to the window: the write's
# wait delivers it at once, as any nested message loop would.
note=$((0x90 | 60 << 8 | 100 << 16))
sent=$(drive send-message 0x3C3 0 $note)
expect "the note sent during the held write is handled" "$sent" "returned 0"
sleep 1.2
block=$(printf 'X%.0s' {1..512})
expect "the block, then the note's \"#\" and key, each whole and in order" "$(peer_received)" "$block#<"
expect "the program still answers" "$(drive menu-state $IDM_DISCONNECT)" enabled
# And the port still writes afterwards.
drive post-char q >/dev/null
expect_true "a key typed afterwards goes out" quiet peer_wait '^rx .* Q$' 5
bed_close
bed_finish
