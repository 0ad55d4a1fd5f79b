#!/usr/bin/env bash
# The launcher's one-player modes: solo (any serial program on the printed
# other end), solo with a MIDI keyboard played from a FIFO, a serial device as
# the line, and two players on two launchers
# linked over TCP on this machine's loopback. Each starts, carries bytes both
# ways, and ends everything it started when stopped.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1

# row0 PLAYER TEXT: the start of the player's row 0, as long as TEXT, once it
# shows TEXT (bytes reach a loaded machine's screen late) or after 10 s.
row0() {
  local i row
  for ((i = 0; i < 40; i++)); do
    row=$(bed_as "$1" drive screen 0 | cut -c1-${#2})
    [[ $row == "$2" ]] && break
    sleep 0.25
  done
  echo "$row"
}
# peer_line TTY: the test's own end of a line, raw, on file descriptor PEER.
peer_line() {
  stty -F "$1" raw -echo 2>/dev/null
  exec {PEER}<>"$1"
}
# One byte from the test's end of the line, or nothing after 5 s.
peer_read() {
  local c=
  IFS= read -r -t 5 -N 1 -u "$PEER" c
  printf '%s' "$c"
}

# ---- Solo: the other end of the cable is printed ----
bed_launcher solo solo
other=$(bed_launcher_wait solo 'other end of the line is' 120 | sed -n 's/.*other end of the line is \([^;]*\);.*/\1/p')
expect_true "solo prints the other end of the line" test -e "$other"
expect_true "the solo player connects" bed_as solo-A bed_connect
peer_line "$other"
printf 'hi' >&"$PEER"
sleep 1
expect "what a serial program writes on the other end reaches the player" "$(row0 solo-A hi)" hi
bed_as solo-A drive post-char r >/dev/null
expect "what the player types comes out of the other end" "$(peer_read)" R
exec {PEER}>&-
bed_launcher_stop solo
expect "nothing of solo is left running" "$(bed_launcher_leftovers solo)" ""

# ---- Solo with the stand-in MIDI keyboard on a FIFO ----
fifo=$BED_DIR/keys.midi
bed_launcher midi solo --midi-fifo "$fifo"
other=$(bed_launcher_wait midi 'other end of the line is' 120 | sed -n 's/.*other end of the line is \([^;]*\);.*/\1/p')
expect_true "--midi-fifo makes the FIFO" test -p "$fifo"
expect "the player finds the MIDI keyboard" "$(bed_as midi-A drive wait-msgbox 30000)" "SYSTEM INFO|MIDI FOUND"
bed_as midi-A drive press-msgbox 1 >/dev/null
expect "and opens it" "$(bed_as midi-A drive wait-msgbox 10000)" "SYSTEM INFO|MIDI CHANNEL OPENENED"
bed_as midi-A drive press-msgbox 1 >/dev/null
bed_as midi-A drive wait-window 20000 >/dev/null
expect_true "the player with a MIDI keyboard connects" bed_as midi-A bed_connect
peer_line "$other"
timeout 5 bash -c 'printf "\x90\x3c\x64" >"$1"' _ "$fifo"
expect "key 60 written to the FIFO goes down the line as a note" "$(peer_read)$(peer_read)" "#<"
exec {PEER}>&-
bed_launcher_stop midi
expect "nothing of the MIDI solo is left running" "$(bed_launcher_leftovers midi)" ""

# ---- A serial device as the line ----
bed_serial_pair
bed_launcher port port "$BED_DIR/ttyA"
bed_launcher_wait port 'close the windows' 120 >/dev/null
expect_true "the player on the device connects" bed_as port-A bed_connect
peer_line "$BED_DIR/ttyB"
printf 'ok' >&"$PEER"
sleep 1
expect "bytes from the far end of the device reach the player" "$(row0 port-A ok)" ok
bed_as port-A drive post-char w >/dev/null
expect "what the player types goes out on the device" "$(peer_read)" W
exec {PEER}>&-
bed_launcher_stop port
expect "nothing of the port mode is left running" "$(bed_launcher_leftovers port)" ""
expect_match "a missing device is refused with a clear message" \
  "$("$BED_SOURCE/scripts/run.sh" port "$BED_DIR/no-such-tty" --no-build --build "$BED_BUILD" 2>&1)" \
  "no serial device $BED_DIR/no-such-tty"

# ---- Two launchers over TCP on the loopback ----
# A port nothing listens on: a connection to it is refused.
for ((i = 0; i < 20; i++)); do
  port=$((20000 + RANDOM % 40000))
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || break
done
bed_launcher far listen "$port"
bed_launcher_wait far 'waiting for the other machine' 120 >/dev/null
bed_launcher near connect "127.0.0.1:$port"
bed_launcher_wait near 'close the windows' 120 >/dev/null
expect_true "the listening player connects" bed_as far-A bed_connect
expect_true "the connecting player connects" bed_as near-A bed_connect
sleep 1
bed_as far-A drive post-char e >/dev/null
sleep 1
bed_as near-A drive post-char t >/dev/null
sleep 1
expect "a key crosses the network one way" "$(row0 near-A E)" E
expect "and the other way" "$(row0 far-A T)" T
bed_launcher_stop near
bed_launcher_stop far
expect "nothing of the network modes is left running" "$(bed_launcher_leftovers near)$(bed_launcher_leftovers far)" ""
bed_finish
