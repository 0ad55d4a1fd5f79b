#!/usr/bin/env bash
# The launcher's sound recording (--record-sound): a duet in which player A
# types three keys and plays the drum sequencer for a bar keeps, in its WAV
# file, every sound the sound server's own capture heard, at the same pitches
# and times; the file is a WAV file whose header counts its samples when the
# launcher is stopped, while it runs, and after the launcher is killed
# outright; the launcher sums the recording up; a path it cannot write is said
# at once while the player goes on; and nothing the launcher started is left.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1

# A build folder whose banks are tones, bank 1 441 Hz and bank 2 661.5 Hz, so
# that each sound tells its pitch; the rest is this build's.
tones_build=$BED_DIR/tones-build
mkdir -p "$tones_build/launcher"
cp "$BED_BUILD"/{quaverton.exe,quaverton-cable,quaverton-sound-record,ding.wav} "$tones_build"/
cp "$BED_BUILD/launcher/modem_lines_preload.so" "$tones_build/launcher/"
ln -s "$BED_BUILD/wineprefix" "$tones_build/wineprefix"
# 200 ms tones: a voice sounds 177 ms of them, so drum steps 300 ms apart and
# keys 600 ms apart stay apart.
bed_wav tone "$tones_build/SAMPLE2.WAV" --hz 441 --ms 200 --amp 110
bed_wav tone "$tones_build/SAMPLE.WAV" --hz 661.5 --ms 200 --amp 110
block_ms=$(awk -v b="$(($(stat -c %s "$BED_BUILD/ding.wav") - 44))" 'BEGIN { printf "%.1f", b * 1000 / 44100 }')

# wav_sizes FILE: its RIFF size, data size and length in bytes.
wav_sizes() {
  echo "$(od -An -tu4 -j4 -N4 "$1" | tr -d ' ') $(od -An -tu4 -j40 -N4 "$1" | tr -d ' ') $(stat -c %s "$1")"
}
# playable FILE [EXACT]: a 16-bit mono PCM WAV file at 44100 Hz whose data
# chunk the file holds whole and whose RIFF size ends with it; with EXACT, its
# data also ends the file.
playable() {
  local riff data size
  read -r riff data size <<<"$(wav_sizes "$1")"
  [[ $(head -c 4 "$1") == RIFF && $(od -An -c -j8 -N8 "$1" | tr -d ' ') == WAVEfmt &&
    $(od -An -tu2 -j20 -N4 "$1" | tr -s ' ') == " 1 1" && $(od -An -tu4 -j24 -N4 "$1" | tr -d ' ') == 44100 &&
    $(od -An -tu2 -j34 -N2 "$1" | tr -d ' ') == 16 ]] || return 1
  ((riff == data + 36 && data + 44 <= size && data % 2 == 0)) || return 1
  [[ -z ${2:-} ]] || ((data + 44 == size))
}
# The process ids a launcher kept, still running.
still_running() {
  local pid
  while read -r pid; do bed__alive "$pid" && echo "$pid"; done <"$BED_DIR/launch-$1/launcher.pids"
}
# wait_ended NAME SECONDS: until nothing the launcher kept is running.
wait_ended() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do [[ -z $(still_running "$1") ]] && return 0; sleep 0.1; done
}
# The tones of an analyser report: onset ms and pitch against 441 Hz.
tone_list() { tones "$(analyze "$1" --ref-hz 441)" | awk '{ print $2, $8 }'; }

# ---- A duet, recorded, stopped as Ctrl+C stops it ----
duet_wav=$BED_DIR/duet.wav
BED_LAUNCHER_BUILD=$tones_build bed_launcher duet duet --record-sound "$duet_wav"
bed_launcher_wait duet 'close the windows' 120 >/dev/null || { bed_finish; exit 1; }
expect_true "the recording starts with the first player's sound" \
  quiet bed_launcher_wait duet 'recording the sound of' 60
expect_true "player A connects" bed_as duet-A bed_connect
expect_true "player B connects" bed_as duet-B bed_connect
bed_as duet-A drive click $(bed_pad 1) $(bed_pad 3) $(bed_pad 5) $(bed_pad 7) >/dev/null
bed_capture_start "$BED_DIR/heard.raw" || { bed_finish; exit 1; }
sleep 0.5
# Three keys 600 ms apart (each also heard from player B), then a bar of
# pattern 1 at the start-up's 300 ms a tick: steps 1, 3, 5 and 7.
for key in q e t; do
  bed_as duet-A drive post-char "$key" >/dev/null
  sleep 0.6
done
sleep 0.9
bed_as duet-A drive click $(bed_middle PLAY) +2200 $(bed_middle STOP) >/dev/null
sleep 1.5
cp "$duet_wav" "$BED_DIR/copy.wav"
bed_capture_stop
expect_true "a copy taken while it records is a WAV file ($(wav_sizes "$BED_DIR/copy.wav"))" \
  playable "$BED_DIR/copy.wav"
read -r _ copied _ <<<"$(wav_sizes "$BED_DIR/copy.wav")"
expect_true "the copy's header counts the sound of all but the last second ($copied bytes)" \
  within "$copied" $((88200 * 5)) 1e12
bed_launcher_stop duet
expect "the launcher ends when stopped" "$?" 143
expect_true "stopped, it leaves a WAV file whose header counts all its samples ($(wav_sizes "$duet_wav"))" \
  playable "$duet_wav" exact

heard=$(tone_list "$BED_DIR/heard.raw")
kept=$(tone_list "$duet_wav")
echo "the capture heard (onset ms, pitch):"; echo "$heard"
echo "the recording holds:"; echo "$kept"
# On a loaded machine a player may miss a key or a step (its timer message
# comes late); what matters here is that the recording holds what was heard.
expect_true "the capture hears most of the three keys and four drum steps ($(grep -c . <<<"$heard") of 7)" \
  within "$(grep -c . <<<"$heard")" 3 7
expect "the recording holds as many tones as the capture heard" "$(grep -c . <<<"$kept")" "$(grep -c . <<<"$heard")"
# Each tone at the capture's pitch (within 0.5 %) and time (within one
# block), the two set side by side at their first tone.
compared=$(paste -d' ' <(echo "$heard") <(echo "$kept") | awk -v block="$block_ms" '
  NR == 1 { shift = $3 - $1 }
  { d = $3 - $1 - shift; if (d < 0) d = -d; p = $4 / $2 - 1; if (p < 0) p = -p
    if (d > worst_t) worst_t = d; if (p > worst_p) worst_p = p
    if (d > block || p > 0.005) bad++ }
  END { printf "%d %.1f %.4f\n", bad, worst_t, worst_p }')
read -r bad worst_t worst_p <<<"$compared"
expect "every tone of the capture is in the recording at its pitch and time (worst: ${worst_t} ms, ${worst_p} of the pitch; one block is $block_ms ms)" \
  "$bad" 0
expect "each tone at a pitch played, within 0.5 %: q and the steps 1, e 28/24, t 32/24" \
  "$(awk '{ n = 0; split("1 1.16667 1.33333", want, " ")
            for (i in want) { d = $2 / want[i] - 1; if (d < 0.005 && d > -0.005) n++ }
            if (n != 1) printf "%s ", $2 }' <<<"$kept")" ""
summary=$(grep -m1 "run: the sound was recorded in $duet_wav" "$BED_DIR/launch-duet/launcher.log")
echo "$summary"
read -r _ data _ <<<"$(wav_sizes "$duet_wav")"
seconds=$(awk -v d="$data" 'BEGIN { printf "%.1f", d / 88200 }')
gaps=$(($(analyze "$duet_wav" --min-silence-ms 500 --level-only | sed -n 's/^sounds //p') - 1))
# A stream's start or a moment it runs dry is heard as a short click (Wine
# gives the server zeros, the lowest 8-bit value): a sound like any other, by
# the level alone, as the launcher counts silence.
expect_match "the launcher sums it up: length, peak and gaps of silence (the analyser finds $gaps)" "$summary" \
  ": $seconds s, peak -?[0-9.]+ dBFS, $gaps gaps? of silence"
expect_true "at least one gap of silence: between the keys and the bar" within "$gaps" 1 1000
# SOUND_RECORD_PICTURE=FILE.png keeps the recording's waveform (the README's picture).
[[ -n ${SOUND_RECORD_PICTURE:-} ]] && "$BED_SOURCE/scripts/waveform.sh" "$duet_wav" "$SOUND_RECORD_PICTURE"
expect "nothing the duet's launcher started is left running" "$(still_running duet)$(bed_launcher_leftovers duet)" ""

# ---- One player, recorded, the launcher killed outright ----
solo_wav=$BED_DIR/solo.wav
BED_LAUNCHER_BUILD=$tones_build bed_launcher solo solo --record-sound "$solo_wav"
bed_launcher_wait solo 'recording the sound of' 120 >/dev/null || { bed_finish; exit 1; }
bed_as solo-A drive wait-window 30000 >/dev/null
bed_as solo-A drive post-char e >/dev/null
sleep 1.5
{
  kill -KILL "${BED_LAUNCHER_PID[solo]}"
  wait "${BED_LAUNCHER_PID[solo]}"
} 2>/dev/null
wait_ended solo 20
expect "killed, the launcher's guard ends everything it started" "$(still_running solo)$(bed_launcher_leftovers solo)" ""
expect_true "the recording is a WAV file whose header counts all its samples ($(wav_sizes "$solo_wav"))" \
  playable "$solo_wav" exact
expect "it holds the key's tone, 28/24" "$(tone_list "$solo_wav" | awk '{ printf "%.2f ", $2 }')" "1.17 "

# ---- A path that cannot be written: said at once, the player goes on ----
BED_LAUNCHER_BUILD=$tones_build bed_launcher nowhere solo --record-sound "$BED_DIR/no-such-folder/x.wav"
said=$(bed_launcher_wait nowhere 'cannot record the sound' 60)
expect_match "the launcher says plainly that it cannot record" "$said" \
  "^run: cannot record the sound in $BED_DIR/no-such-folder/x.wav: No such file or directory; the players go on"
bed_launcher_wait nowhere 'close the windows' 120 >/dev/null
expect_true "the player goes on" quiet bed_as nowhere-A drive wait-window 30000
bed_launcher_stop nowhere
expect "nothing of it is left running" "$(still_running nowhere)$(bed_launcher_leftovers nowhere)" ""
bed_finish
