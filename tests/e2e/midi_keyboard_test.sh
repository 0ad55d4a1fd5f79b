#!/usr/bin/env bash
# A MIDI keyboard through the system's own MIDI driver (Wine's, on the bed's
# stand-in keyboard): the notices at start-up, key presses heard at the note
# table's pitches and sent down the line as "#" and the key, releases that
# play nothing, the device closed at exit; and a device that cannot be
# opened: its notice, then the program plays on without MIDI.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
bed_midi_keyboard
bed_raw_peer "$BED_DIR/ttyA" || exit 1
bed_map_com_port COM1 "$BED_DIR/ttyA" || exit 1
BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$(bed_tone_workdir player 400)"

# ---- Start-up: the two notices, the first before the sound starts ----
expect "a MIDI device is found at start-up" "$(drive wait-msgbox 30000)" "SYSTEM INFO|MIDI FOUND"
expect "MIDI FOUND has no icon" "$(drive msgbox-icon)" none
program_streams() { pactl list short sink-inputs | wc -l; }
expect "no sound stream yet while MIDI FOUND waits (banks and output come after it)" "$(program_streams)" 0
expect "the driver has not subscribed before OK" "$(midi_log | grep -c '^subscribe')" 0
drive press-msgbox 1 >/dev/null
expect "after OK the channel opens" "$(drive wait-msgbox 10000)" "SYSTEM INFO|MIDI CHANNEL OPENENED"
expect "MIDI CHANNEL OPENENED has no icon" "$(drive msgbox-icon)" none
drive press-msgbox 1 >/dev/null
expect "one device, subscribed once" "$(midi_log | grep -c '^subscribe 24:0')" 1
drive wait-window 20000 >/dev/null
bed_connect || bed_log "no connection"
sleep 1

# ---- Keys: pitches heard, bytes on the line ----
capture=$BED_DIR/capture.raw
bed_capture_start "$capture" || exit 1
sleep 0.5
# Releases as keyboards send them (a note-on at velocity 0, a note-off with or
# without a release velocity) and a pedal pressed play nothing.
for keys in "90 24 64" "90 3C 64" "90 54 64" "90 3C 00" "80 3C 00" "80 3C 40" "B0 40 7F" "90 23 64" "90 55 64" \
  "90 30 64" "48 64"; do
  # shellcheck disable=SC2086 # one byte a word
  midi_keys $keys
  sleep 0.8
done
bed_capture_stop
report=$(analyze "$capture" --ref-hz 441)
echo "$report"
mapfile -t sounds < <(tones "$report")
expect "five sounds: keys 36, 60, 84, 48 and 72 (running status); nothing for releases, the pedal or keys 35 and 85" \
  "${#sounds[@]}" 5
expect_true "key 36 plays 12/24 (within 1 %)" within "$(field ratio "${sounds[0]:-}")" 0.495 0.505
expect_true "key 60 plays 37/24 (within 1 %)" within "$(field ratio "${sounds[1]:-}")" 1.5262 1.5571
expect_true "key 84 plays 62/24 (within 1 %)" within "$(field ratio "${sounds[2]:-}")" 2.5575 2.6092
expect_true "key 48 plays 25/24 (within 1 %)" within "$(field ratio "${sounds[3]:-}")" 1.0312 1.0521
expect_true "key 72 in running status plays 49/24 (within 1 %)" within "$(field ratio "${sounds[4]:-}")" 2.0212 2.0621
peer_wait 'rx .*H' 5
expect "each press goes down the line as # and its key; releases and the pedal send nothing" "$(peer_received)" '#$#<#T###U#0#H'

# ---- Exit: the device is closed ----
# Closed as a person closes it. Wine 8.0's MIDI driver keeps a thread that
# waits for the device's notifications for the whole run; when the process
# ends, that thread is ended inside its wait and the process is reported as
# killed by a fault (status 139), after everything of the program's own has
# been closed. The status is printed, not checked.
close_program() {
  drive send-close >/dev/null
  drive press-msgbox 1 >/dev/null
  bed_wait_exit 20
  echo "exit status with a MIDI input device in the system: $BED_EXIT"
  expect "$1" "$(bed_running && echo running || echo ended)" ended
}
close_program "the program ends"
expect "at exit the driver unsubscribes, then closes the sequencer" \
  "$(midi_log | grep -E '^(subscribe|unsubscribe|close)' | tail -n 3 | cut -d' ' -f1 | paste -sd' ')" \
  "subscribe unsubscribe close"

# ---- A device that cannot be opened ----
bed_midi_keyboard refusing
BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$(bed_tone_workdir refused 400)"
expect "the device is found" "$(drive wait-msgbox 30000)" "SYSTEM INFO|MIDI FOUND"
drive press-msgbox 1 >/dev/null
expect "opening it fails" "$(drive wait-msgbox 10000)" "SYSTEM INFO|MIDI ERROR NO MIDI"
expect "MIDI ERROR NO MIDI shows the exclamation icon" "$(drive msgbox-icon)" exclamation
drive press-msgbox 1 >/dev/null
expect "no further notice" "$(drive no-msgbox 1500)" none
drive wait-window 20000 >/dev/null
sleep 1
play_q() { drive post-char q >/dev/null; }
expect "the program plays on without MIDI: q sounds" "$(heard play_q | wc -l)" 1
close_program "the program without MIDI ends"
expect "the refused subscription was asked for once" "$(midi_log | grep -c '^refuse subscribe')" 1
bed_finish
