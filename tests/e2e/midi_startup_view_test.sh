#!/usr/bin/env bash
# The start-up view with a MIDI keyboard: "MIDI FOUND" comes before the
# pattern view's pictures are loaded, and the splash ends behind it after a
# second, so the main window is first painted while the box waits. Answered at
# once or after two seconds, the view then is pixel for pixel the one of a
# start without MIDI, and the one composed from the program's bitmaps.
source "$(dirname "$0")/bed.sh"
source "$(dirname "$0")/view.sh"
bed_start || exit 1
want=$BED_DIR/want.png
plain=$BED_DIR/plain.png

# close_program: as a person closes it; with a MIDI device in the system the
# exit status under Wine 8.0 is not the program's (midi_keyboard_test.sh).
close_program() {
  drive send-close >/dev/null
  drive press-msgbox 1 >/dev/null
  bed_wait_exit 20
}

bed_launch "$(bed_workdir plain)"
drive wait-window 30000 >/dev/null
view_init || exit 1
sleep 1.5
view_expected "$want"
view_expect "a start without MIDI shows the start-up view" "$want"
view_shot "$plain"
close_program

bed_midi_keyboard
for wait in 0 2; do
  bed_launch "$(bed_workdir "midi-$wait")"
  expect "MIDI FOUND is asked" "$(drive wait-msgbox 30000)" "SYSTEM INFO|MIDI FOUND"
  sleep "$wait"
  ((wait > 0)) && expect "after $wait s the main window shows behind the box" "$(drive wait-window 0 >/dev/null && echo shown)" shown
  drive press-msgbox 1 >/dev/null
  expect "then the channel opens" "$(drive wait-msgbox 10000)" "SYSTEM INFO|MIDI CHANNEL OPENENED"
  drive press-msgbox 1 >/dev/null
  drive wait-window 30000 >/dev/null
  sleep 1.5
  view_expect "MIDI FOUND answered after $wait s: the start-up view" "$want"
  view_shot "$BED_DIR/view-shot.png"
  view_compare "$plain"
  expect "MIDI FOUND answered after $wait s: the same pixels as a start without MIDI" "$VIEW_DIFFER" 0
  close_program
done
bed_finish
