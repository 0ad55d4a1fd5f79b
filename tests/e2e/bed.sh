# The end-to-end test bed, sourced by each test script: a private display,
# sound server and Wine per run, the program under Wine, and an end to all of
# it by process id when the test's shell exits, pass or fail.

# A private folder holds a virtual display, a sound server with a null sink and
# per player (A, and B for two-player tests) a private copy of the build tree's
# Wine prefix with its own wineserver. Nothing is ever ended by name.
#
# Environment (CTest sets the first two, see tests/e2e/CMakeLists.txt):
#   BED_BUILD     the cross build folder (build/win64): the program, its generated
#                 files, tests/e2e/qdriver.exe and tests/e2e/tty_standin.exe
#   BED_TOOLS     the folder holding the host tools capture_analyze, e2e_wavs,
#                 capture_record and line_peer
#                 (default: $BED_BUILD/tests/e2e, where the cross build makes them)
#   BED_KEEP=1    keep the private folder after the run (its path is printed)
#   BED_DEADLINE  seconds after which the run is ended as failed (default 240)
#
# The helpers, grouped as below (tests/README.md holds the same index):
# Start (`bed_start` first; every process is recorded and ended by id at exit)
# - `bed_start`: the display, the sound server and player A. Needs nothing.
# - `bed_start_display`, `bed_start_sound`: Xvfb, and PulseAudio with the null sink "out"; `bed_start` runs both.
# - `bed_add_player NAME`: another player (a private prefix and wineserver that hear the sound server).
# - `bed_as PLAYER COMMAND...`: one bed command run for another player (`bed_as B drive ...`).
# - `bed_log TEXT`: a line on standard error, marked "bed:".
#
# Geometry (from the build's `bed_layout.sh`)
# - `bed_middle BOX`, `bed_pad S`, `bed_cell C R`: points to click, as "X Y".
#
# Wine and the driver
# - `bed_wine PROGRAM ARGS...`: a Windows program in the current player's prefix.
# - `drive COMMAND ARGS...`: qdriver.exe in that prefix (`drive help` lists its commands); its standard error goes to `drive.err`.
#
# The program
# - `bed_workdir NAME [FILE...]`: a folder with the program and its three sound files, FILEs copied over them (`SRC=NAME` renames); prints its path.
# - `bed_tone_workdir NAME MS`: the same with both banks a 441 Hz tone of MS ms.
# - `bed_launch DIR [PROGRAM.exe [ARGS...]]`: starts it in the background; `BED_PRELOAD` preloads a library into it alone.
# - `bed_program_process`, `bed_running`: its process id; whether it runs.
# - `bed_wait_exit SECONDS`: waits for it to end, sets `BED_EXIT` (call it directly, not in `$(...)`).
# - `bed_close [WHAT]`: close box, OK, and a check of exit code 0.
#
# Sound capture (needs `bed_start`)
# - `bed_capture_start FILE`, `bed_capture_stop`: records the null sink's monitor, raw 8-bit mono at 44100 Hz.
# - `bed_capture_epoch FILE`: the Unix ms of its first sample.
# - `analyze ARGS...`, `bed_wav ARGS...`: the capture analyser and the WAV writer.
#
# The stand-in MIDI keyboard (launcher/midi_keyboard_preload.c, one MIDI input device under Wine)
# - `bed_midi_keyboard [refusing]`: programs launched from then on have it, on the FIFO `$BED_DIR/midi-keys`; `refusing`: opening it fails.
# - `midi_keys HEX...`: it sends those bytes; `midi_keys_timed N GAP_MS FILE HEX...`: N times, each write's Unix ms in FILE; `midi_log`: what Wine's driver did with it.
#
# The serial line
# - `bed_serial_pair`: a socat pseudo-terminal pair, `$BED_DIR/ttyA` and `ttyB`, logged byte by byte; `bed_line_bytes >|<`: what crossed it.
# - `bed_raw_peer LINK`: line_peer holding a fresh pseudo-terminal LINK; `peer COMMAND` (write, pause, stream), `peer_wait REGEX [SECONDS] [MARK]`, `peer_mark`, `peer_received`.
# - `bed_map_com_port COMn TTY`: that port for the current player (restarts its wineserver). A program on a pseudo-terminal needs `BED_PRELOAD=$BED_MODEM_PRELOAD` (modem lines).
# - `bed_raw_player [DIR]`: all of the above for one player on a raw far end, window shown, not connected.
# - `bed_two_players TONE_MS`: players A and B on the two ends of a pair, both shown; B's banks a tone.
# - `bed_picocom TTY`, `picocom_type TEXT`, `picocom_screen`: picocom at 9600 in a private tmux.
#
# The launcher and the menu
# - `bed_launcher NAME ARGS...`: `scripts/run.sh ARGS` in the background (on `BED_LAUNCHER_BUILD` if set); its players become `NAME-A`, `NAME-B`.
# - `bed_launcher_wait NAME REGEX [SECONDS]`, `bed_launcher_stop NAME`, `bed_launcher_leftovers NAME`.
# - `command_ms ID`: a menu command carried out, and the ms it took.
# - `bed_settings BUTTON ID=VALUE...`: the Settings dialog, filled in as a person would, closed with BUTTON.
# - `bed_connect`: Connect, and wait until the menu shows the connection.
#
# Looking at the screen
# - `screen_rows`, `screen_row N`, `screen_cursor`: the terminal as the program holds it.
# - `wait_screen REGEX [SECONDS]`, `wait_screen_row N TEXT [SECONDS]`: until it shows that.
# - `bed_screenshot FILE`: the whole virtual display.
#
# Processor time and outcomes
# - `cpu_ticks PID...`: clock ticks used so far.
# - `tones REPORT`, `heard ACTION [SECONDS]`, `latency_figures ...`, `field NAME LINE`, `within V LO HI`: reading the analyser's reports.
# - `bed_ding_override DIR`: a format file of `DING_BYTES` bytes, when set.
# - `expect NAME ACTUAL EXPECTED`, `expect_match NAME ACTUAL REGEX`, `expect_true NAME COMMAND...`, `quiet COMMAND...`: checks.
# - `bed_finish`: ends everything, checks nothing is left, prints the tally; its status is the test's result. `bed_stop` ends everything (the exit trap calls it).
set -uo pipefail
BED_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$BED_SOURCE/scripts/wine-env.sh"

# The tests' sound server holds 60 ms of every stream. With Wine's own request
# of 30 ms a stream runs dry for 3 to 25 ms a few times a minute on these
# machines even with nothing else running (2 to 9 gaps in 20 s of a held tone,
# five runs); with 60 ms, none in four such runs. The tests check what the
# program plays, so their sound path gets that margin; the benchmarks, which
# measure the program on Wine's own request, set BED_SOUND_LATENCY_MS empty
# before sourcing this file. A PULSE_LATENCY_MSEC already set is kept.
BED_SOUND_LATENCY_MS=${BED_SOUND_LATENCY_MS-60}
if [[ -n $BED_SOUND_LATENCY_MS && -z ${PULSE_LATENCY_MSEC:-} ]]; then
  export PULSE_LATENCY_MSEC=$BED_SOUND_LATENCY_MS
fi

BED_BUILD=${BED_BUILD:-$BED_SOURCE/build/win64}
BED_TOOLS=${BED_TOOLS:-$BED_BUILD/tests/e2e}
# The resource identifiers (IDM_CONNECT, IDC_PORTCB, IDB_PADOFF, ...) and the
# pattern view's places (PAD_LEFT, PLAY_X, ...), written by the build from
# their one home each: resources/resource.h and pattern/view_layout.h.
for BED_FACTS in "$BED_BUILD/resource_ids.sh" "$BED_BUILD/bed_layout.sh"; do
  # shellcheck source=/dev/null
  source "$BED_FACTS" || { echo "bed: no $BED_FACTS: build $BED_BUILD first" >&2; exit 2; }
done
# Points of the pattern view to click, as "X Y": the middle of a box of the
# layout (PLAY, DRUM_TEMPO_UP, ...), of drum pad S (from 1), of the roll's
# cell at column C, row R.
bed_middle() { local -n x=${1}_X y=${1}_Y w=${1}_W h=${1}_H; echo "$((x + w / 2)) $((y + h / 2))"; }
bed_pad() { echo "$((PAD_LEFT + PAD_PITCH * ($1 - 1) + PAD_WIDTH / 2)) $((PAD_TOP + PAD_HEIGHT / 2))"; }
bed_cell() {
  echo "$((ROLL_LEFT + ROLL_COLUMN_WIDTH * $1 + ROLL_COLUMN_WIDTH / 2)) $((ROLL_TOP + ROLL_ROW_PITCH * $2 + ROLL_ROW_PITCH / 2))"
}
BED_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quaverton-bed.XXXXXX")
BED_PLAYER=A           # the player that drive, bed_launch and the rest work on
BED_FAILURES=0
BED_EXIT=
BED_PIDS=()            # everything started, in order
BED_CAPTURE_PID=
BED_WATCHDOG_PID=
BED_STOPPED=
declare -A BED_PREFIX BED_SERVER_PID BED_SERVER_DIR BED_PROGRAM_PID BED_PROGRAM_LOG BED_LAUNCHER_PID
# No Mono, no Gecko (prefix creation takes seconds then), and no menu builder
# writing desktop entries into the user's home.
export WINELOADER=$WINE64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

bed_log() { echo "bed: $*" >&2; }

# ---- Processes: started with a mark, recorded, ended by id ----

# Every process the bed starts carries QUAVERTON_BED=<its folder> in its
# environment, and so do the processes Wine starts from them; bed_leftovers
# looks for that mark. The test's own shell does not carry it.
bed__record() {
  BED_PIDS+=("$1")
  echo "$1 $2" >>"$BED_DIR/pids"
}

# bed__spawn KIND LOG COMMAND...: runs COMMAND in the background.
bed__spawn() {
  local kind=$1 log=$2
  shift 2
  QUAVERTON_BED=$BED_DIR "$@" >"$log" 2>&1 &
  BED_LAST_PID=$!
  bed__record "$BED_LAST_PID" "$kind"
}

# Alive and not a zombie: a child that has ended but is not yet collected
# still answers kill -0.
bed__alive() {
  local stat
  { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 1
  stat=${stat##*) }
  [[ ${stat%% *} != Z ]]
}

# Ends one process: TERM, up to 5 s to go, then KILL; collects it if it is ours.
bed__end_pid() {
  local pid=$1 i
  if bed__alive "$pid"; then
    kill -TERM "$pid" 2>/dev/null
    for ((i = 0; i < 50; i++)); do bed__alive "$pid" || break; sleep 0.1; done
    bed__alive "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  return 0
}

# Process ids of everything still running with this bed's mark.
bed__marked_pids() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    grep -qzxF "QUAVERTON_BED=$BED_DIR" "$environ" 2>/dev/null && bed__alive "$pid" && echo "$pid"
  done
}

# Prints what of this bed is still running (recorded or marked); fails if any.
bed_leftovers() {
  local pid found=()
  for pid in "${BED_PIDS[@]}"; do bed__alive "$pid" && found+=("$pid"); done
  for pid in $(bed__marked_pids); do [[ " ${found[*]} " == *" $pid "* ]] || found+=("$pid"); done
  [[ ${#found[@]} -eq 0 ]] && return 0
  for pid in "${found[@]}"; do echo "still running: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"; done
  return 1
}

# Process ids of the children of process $1.
bed__children_of() {
  local stat rest
  for stat in /proc/[0-9]*/stat; do
    { rest=$(<"$stat"); } 2>/dev/null || continue
    rest=${rest##*) }
    read -r _ ppid _ <<<"$rest"
    [[ $ppid == "$1" ]] && { stat=${stat#/proc/}; echo "${stat%/stat}"; }
  done
}

# Ends the run after BED_DEADLINE seconds, so that a hung test still ends
# everything (CTest's own time-out kills without a chance to tidy up). The
# shell runs its TERM trap only once its foreground command is over, so that
# command (a sleep, a driver call: never a recorded process) is ended too.
bed__start_watchdog() {
  local seconds=${BED_DEADLINE:-240}
  (
    trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
    sleep "$seconds" &
    sleeper=$!
    if wait "$sleeper"; then
      echo "bed: the run passed its deadline of $seconds s; ending it" >&2
      kill -TERM $$
      for pid in $(bed__children_of $$); do
        grep -q "^$pid " "$BED_DIR/pids" || kill -TERM "$pid" 2>/dev/null
      done
    fi
  ) &
  BED_WATCHDOG_PID=$!
  bed__record "$BED_WATCHDOG_PID" watchdog
}

# ---- Start ----

bed_start() {
  bed__start_watchdog
  bed_start_display || return 1
  bed_start_sound || return 1
  bed_add_player A || return 1
}

# Xvfb on a display number it picks itself (-displayfd writes it when ready).
bed_start_display() {
  local fd_file=$BED_DIR/display i
  : >"$fd_file"
  QUAVERTON_BED=$BED_DIR Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$fd_file" >"$BED_DIR/xvfb.log" 2>&1 &
  bed__record $! xvfb
  for ((i = 0; i < 200; i++)); do [[ $(<"$fd_file") == *[0-9] ]] && break; sleep 0.05; done
  [[ -s $fd_file ]] || { bed_log "Xvfb did not start: $(tail -3 "$BED_DIR/xvfb.log")"; return 1; }
  export DISPLAY=:$(head -n1 "$fd_file")
}

# A private PulseAudio: a null sink "out" (its monitor is what the program
# played) at the program's output rate, a unix socket in the bed's folder, and
# clients that never start a server of their own.
bed_start_sound() {
  local pulse=$BED_DIR/pulse i
  mkdir -p "$pulse/runtime" "$pulse/state" "$pulse/home"
  echo "autospawn = no" >"$pulse/client.conf"
  export PULSE_CLIENTCONFIG=$pulse/client.conf PULSE_SERVER=unix:$pulse/socket
  # No session bus: the server would try to launch one.
  DBUS_SESSION_BUS_ADDRESS=unix:path=$pulse/no-bus \
    HOME=$pulse/home PULSE_RUNTIME_PATH=$pulse/runtime PULSE_STATE_PATH=$pulse/state \
    bed__spawn pulseaudio "$BED_DIR/pulse.log" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --disable-shm=yes --log-target=stderr \
    --load="module-null-sink sink_name=out rate=44100" \
    --load="module-native-protocol-unix socket=$pulse/socket auth-anonymous=1"
  for ((i = 0; i < 200; i++)); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
  pactl info >/dev/null 2>&1 || { bed_log "the sound server did not start: $(tail -3 "$BED_DIR/pulse.log")"; return 1; }
  pactl set-default-sink out >/dev/null
  # An idle null sink renders in blocks of 2 s and lowers that only after the
  # current block, so a recording started later would begin up to 2 s late. A
  # low-latency reader kept on the monitor for the whole run keeps the blocks
  # short, and every capture then starts at once.
  bed__spawn pace-keeper /dev/null parec -d out.monitor --format=u8 --rate=44100 --channels=1 --raw \
    --latency-msec=10
}

# The build tree's prefix for these tests, made once (wineboot takes seconds):
# every program of it runs inside one Wine desktop window, so the program's
# frame and menu are drawn by Wine and showing or hiding a window does not wait
# on a window manager that is not there.
bed__base_prefix() {
  local base=$BED_BUILD/wineprefix-e2e
  (quaverton_wine_prefix "$base") || return 1
  (
    flock 9
    [[ -f $base/.quaverton-desktop ]] && exit 0
    export WINEPREFIX=$base
    "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1 &&
      "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f \
        >/dev/null 2>&1
    "$WINESERVER" -w
    touch "$base/.quaverton-desktop"
  ) 9>"$base.lock"
  echo "$base"
}

# bed_add_player NAME: a private copy of the prefix and its own wineserver,
# which must hear the sound server (winmm must see wave output devices).
bed_add_player() {
  local name=$1 base prefix i devices
  base=$(bed__base_prefix) || { bed_log "cannot make the Wine prefix"; return 1; }
  prefix=$BED_DIR/players/$name/prefix
  mkdir -p "$(dirname "$prefix")"
  quaverton_wine_prefix_copy "$base" "$prefix" || return 1
  BED_PREFIX[$name]=$prefix
  bed__start_wineserver "$name" || return 1
  [[ $name == A ]] && export WINEPREFIX=$prefix
  devices=$(bed_as "$name" drive wave-devices) ||
    { bed_log "player $name: Wine sees no wave output device ($devices)"; return 1; }
  # The wave mapper and the null sink; none means Wine cannot reach the server.
  [[ ${devices%%|*} -ge 1 ]] || { bed_log "player $name: $devices"; return 1; }
  bed_log "player $name: prefix $prefix, wave output devices: $devices"
}

# A player's own wineserver, kept running for the whole run. It works in its
# server folder (its socket and lock), which it leaves behind when it ends.
bed__start_wineserver() {
  local name=$1 pid i dir
  WINEPREFIX=${BED_PREFIX[$name]} bed__spawn "wineserver-$name" "$BED_DIR/players/$name/wineserver.log" \
    nice -n "${BED_NICE:-0}" "$WINESERVER" -f -p
  pid=$BED_LAST_PID
  BED_SERVER_PID[$name]=$pid
  for ((i = 0; i < 200; i++)); do
    dir=$(readlink "/proc/$pid/cwd" 2>/dev/null)
    [[ -S $dir/socket ]] && { BED_SERVER_DIR[$name]=$dir; return 0; }
    sleep 0.05
  done
  bed_log "player $name: the wineserver did not start: $(tail -3 "$BED_DIR/players/$name/wineserver.log")"
  return 1
}

# bed_as PLAYER COMMAND...: runs one bed command for another player.
bed_as() {
  local BED_PLAYER=$1
  shift
  "$@"
}

# ---- Wine and the driver ----

# Runs a Windows program in the current player's prefix, in the foreground.
bed_wine() { WINEPREFIX=${BED_PREFIX[$BED_PLAYER]} QUAVERTON_BED=$BED_DIR "$WINELOADER" "$@"; }

# The driver (qdriver.exe), in the current player's prefix: its result line,
# and its exit status. What Wine or the driver says on stderr goes to
# drive.err, which bed_finish shows when a check failed.
drive() {
  echo "[$BED_PLAYER] drive $*" >>"$BED_DIR/drive.err"
  bed_wine "$BED_BUILD/tests/e2e/qdriver.exe" "$@" 2>>"$BED_DIR/drive.err" | tr -d '\r'
}

# ---- The program ----

# bed_workdir NAME [FILE...]: a working folder with the program and its
# generated files (SAMPLE.WAV, SAMPLE2.WAV, ding.wav), then FILEs copied over
# them (a test's own files; a file is renamed with SRC=NAME). Prints its path.
bed_workdir() {
  local dir=$BED_DIR/work/$1 f
  shift
  mkdir -p "$dir"
  cp "$BED_BUILD"/{quaverton.exe,SAMPLE.WAV,SAMPLE2.WAV,ding.wav} "$dir"/ || return 1
  for f in "$@"; do
    if [[ $f == *=* ]]; then cp "${f%%=*}" "$dir/${f#*=}" || return 1; else cp "$f" "$dir"/ || return 1; fi
  done
  echo "$dir"
}

# bed_tone_workdir NAME MS: a working folder whose two banks both hold a
# 441 Hz tone of MS milliseconds (100 samples a period at 44100 Hz).
bed_tone_workdir() {
  local wav=$BED_DIR/wavs/$1-tone.wav
  mkdir -p "$BED_DIR/wavs"
  bed_wav tone "$wav" --hz 441 --ms "$2" --amp 110 || return 1
  bed_workdir "$1" "$wav=SAMPLE2.WAV" "$wav=SAMPLE.WAV"
}

# bed_launch DIR [PROGRAM.exe [ARGS...]]: starts the program (quaverton.exe by
# default) under Wine in DIR, in the background, for the current player. With
# BED_PRELOAD set, that library is preloaded into the program alone (for
# example one that gives pseudo-terminals modem lines); after
# bed_midi_keyboard, the stand-in MIDI keyboard is preloaded as well.
bed_launch() {
  local dir=$1 exe=${2:-quaverton.exe} log
  shift
  (($# > 0)) && shift
  log=$BED_DIR/players/$BED_PLAYER/program.log
  BED_PROGRAM_LOG[$BED_PLAYER]=$log
  local preload=${BED_PRELOAD:-} keyboard=()
  if [[ -n $BED_MIDI_KEYBOARD ]]; then
    preload="${preload:+$preload }$BED_MIDI_PRELOAD"
    keyboard=("QUAVERTON_MIDI_FIFO=$BED_MIDI_FIFO" "QUAVERTON_MIDI_LOG=$BED_MIDI_LOG"
              "QUAVERTON_MIDI_REFUSE=$([[ $BED_MIDI_KEYBOARD == refusing ]] && echo 1)")
  fi
  (cd "$dir" && exec nice -n "${BED_NICE:-0}" env WINEPREFIX="${BED_PREFIX[$BED_PLAYER]}" QUAVERTON_BED="$BED_DIR" \
    ${preload:+"LD_PRELOAD=$preload"} "${keyboard[@]}" "$WINELOADER" "$exe" "$@" >"$log" 2>&1) &
  BED_PROGRAM_PID[$BED_PLAYER]=$!
  bed__record $! "program-$BED_PLAYER"
}

# bed_program_process [PROGRAM.exe]: the process id of the current player's
# program itself. Wine may run it as a process of its own rather than as the
# one bed_launch started (a 32-bit program under the 64-bit loader does).
bed_program_process() {
  local pid first
  for pid in $(bed__marked_pids); do
    first=$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n1)
    [[ ${first##*[\\/]} == "${1:-quaverton.exe}" ]] || continue
    grep -qzxF "WINEPREFIX=${BED_PREFIX[$BED_PLAYER]}" "/proc/$pid/environ" 2>/dev/null && { echo "$pid"; return 0; }
  done
  return 1
}

bed_running() { bed__alive "${BED_PROGRAM_PID[$BED_PLAYER]:-0}"; }

# bed_wait_exit SECONDS: waits for the current player's program to end. Sets
# BED_EXIT to its exit code and returns it; on time-out BED_EXIT is "timeout"
# and the status 124. Call it directly, not inside $(...): only this shell can
# collect the program's exit code.
bed_wait_exit() {
  local pid=${BED_PROGRAM_PID[$BED_PLAYER]:-} i
  BED_EXIT=timeout
  [[ -n $pid ]] || return 124
  for ((i = 0; i < $1 * 20; i++)); do
    if ! bed__alive "$pid"; then
      wait "$pid"
      BED_EXIT=$?
      return "$BED_EXIT"
    fi
    sleep 0.05
  done
  return 124
}

# bed_close [WHAT]: closes the current player's program as a person does (the
# close box, then OK) and checks, as WHAT, that it ends with exit code 0.
bed_close() {
  drive send-close >/dev/null
  drive press-msgbox 1 >/dev/null
  bed_wait_exit 20
  expect "${1:-the program ends with exit code 0}" "$BED_EXIT" 0
}

# ---- Sound capture ----

# bed_capture_start FILE: records the null sink's monitor as raw 8-bit mono
# at 44100 Hz until bed_capture_stop; returns once the first samples are in
# FILE. The recorder also writes FILE.clock, which places the recording in
# wall-clock time (bed_capture_epoch).
bed_capture_start() {
  local i
  QUAVERTON_BED=$BED_DIR "$BED_TOOLS/capture_record" out.monitor "$1" 2>"$BED_DIR/capture.log" &
  BED_CAPTURE_PID=$!
  bed__record "$BED_CAPTURE_PID" capture
  for ((i = 0; i < 100; i++)); do [[ -s $1 ]] && return 0; sleep 0.02; done
  bed_log "the capture did not start: $(tail -3 "$BED_DIR/capture.log")"
  return 1
}

# bed_capture_epoch FILE: the Unix time in ms of the capture's first sample, so
# that a sound the analyser places at t ms was rendered at epoch + t.
bed_capture_epoch() { "$BED_TOOLS/capture_record" --epoch "$1"; }

bed_capture_stop() {
  [[ -n $BED_CAPTURE_PID ]] || return 0
  kill -INT "$BED_CAPTURE_PID" 2>/dev/null
  bed__end_pid "$BED_CAPTURE_PID"
  BED_CAPTURE_PID=
}

# The host tools: the capture analyser and the test WAV writer.
analyze() { "$BED_TOOLS/capture_analyze" "$@"; }
bed_wav() { "$BED_TOOLS/e2e_wavs" "$@"; }

# ---- The stand-in MIDI keyboard ----
#
# The sequencer's stand-in (launcher/midi_keyboard_preload.c), preloaded into
# the program, gives Wine's MIDI driver one input device, a keyboard that
# plays the MIDI bytes written to a FIFO. What the driver did with the
# sequencer is logged, one line each, with the Unix ms first.
BED_MIDI_PRELOAD=${BED_MIDI_PRELOAD:-$BED_BUILD/launcher/midi_keyboard_preload.so}
BED_MIDI_KEYBOARD=
BED_MIDI_FIFO=
BED_MIDI_LOG=

# bed_midi_keyboard [refusing]: the programs launched from now on have the
# keyboard, on the FIFO $BED_DIR/midi-keys with its log in $BED_DIR/midi.log
# (both begun anew); "refusing": the device is there, but opening it fails.
bed_midi_keyboard() {
  BED_MIDI_KEYBOARD=${1:-playing} BED_MIDI_FIFO=$BED_DIR/midi-keys BED_MIDI_LOG=$BED_DIR/midi.log
  rm -f "$BED_MIDI_FIFO" "$BED_MIDI_LOG"
  mkfifo "$BED_MIDI_FIFO"
}

# midi_keys HEX...: the keyboard sends those bytes (90 3C 64: key 60 pressed),
# in one write. It waits up to 5 s for a program to hold the keyboard.
midi_keys() {
  local bytes
  printf -v bytes '\\x%s' "$@"
  timeout 5 bash -c 'printf "$1" >"$2"' _ "$bytes" "$BED_MIDI_FIFO"
}

# midi_keys_timed N GAP_MS FILE HEX...: N writes of those bytes, GAP_MS apart;
# FILE gets "posted MS" with the Unix ms just before each write, as the
# driver's post-char-timed gives for keys (latency_figures reads either).
midi_keys_timed() {
  local n=$1 gap_s bytes i now fd out=$3
  gap_s=$(awk -v ms="$2" 'BEGIN { print ms / 1000 }')
  shift 3
  printf -v bytes '\\x%s' "$@"
  exec {fd}>"$BED_MIDI_FIFO" || return 1
  : >"$out"
  for ((i = 0; i < n; i++)); do
    now=${EPOCHREALTIME/[.,]/}
    # shellcheck disable=SC2059 # the bytes are given as escapes
    printf "$bytes" >&"$fd"
    echo "posted $((now / 1000))" >>"$out"
    sleep "$gap_s"
  done
  exec {fd}>&-
}

# midi_log: what the driver has done with the sequencer so far, without the
# times.
midi_log() { cut -d' ' -f2- "$BED_MIDI_LOG" 2>/dev/null; }

# ---- The serial line ----
#
# Three ways to give a program a line on its COM1 (bed_map_com_port):
#   bed_serial_pair      a virtual null-modem cable, $BED_DIR/ttyA and ttyB,
#                        for two players (or a player and picocom); every byte
#                        that crosses it is tapped (bed_line_bytes)
#   bed_raw_peer LINK    the test itself on the far end (line_peer): it writes,
#                        streams at a line rate, logs what arrives and sees the
#                        program open and close the port
#   bed_picocom TTY      a real Linux serial terminal program on one end
# A pseudo-terminal has no modem lines, so Wine's wait for received characters
# fails on one: a program on a pseudo-terminal is launched with
# BED_PRELOAD=$BED_MODEM_PRELOAD to give it some.
BED_MODEM_PRELOAD=${BED_MODEM_PRELOAD:-$BED_BUILD/launcher/modem_lines_preload.so}

bed_serial_pair() {
  local i
  bed__spawn socat "$BED_DIR/socat.log" socat -d -d -x \
    "pty,raw,echo=0,link=$BED_DIR/ttyA" "pty,raw,echo=0,link=$BED_DIR/ttyB"
  for ((i = 0; i < 100; i++)); do [[ -e $BED_DIR/ttyA && -e $BED_DIR/ttyB ]] && return 0; sleep 0.05; done
  bed_log "socat made no pseudo-terminals: $(tail -3 "$BED_DIR/socat.log")"
  return 1
}

# bed_line_bytes DIRECTION: the bytes that crossed the pair so far, in hex,
# one line per write; ">" from ttyA to ttyB, "<" from ttyB to ttyA.
bed_line_bytes() {
  awk -v want="$1" '/^[<>] / { dir = $1; next } /^ / && dir == want { sub(/^ +/, ""); print }' \
    "$BED_DIR/socat.log"
}

# bed_raw_peer LINK: line_peer making a fresh pseudo-terminal named LINK and
# holding its master; it takes commands through `peer` and logs to
# $BED_DIR/peer.log (see tests/e2e/line_peer.cpp).
bed_raw_peer() {
  local i
  mkfifo "$BED_DIR/peer.cmd" || return 1
  bed__spawn line-peer "$BED_DIR/peer.err" "$BED_TOOLS/line_peer" serve --own "$1" \
    --commands "$BED_DIR/peer.cmd" --log "$BED_DIR/peer.log"
  BED_PEER_PID=$BED_LAST_PID
  for ((i = 0; i < 100; i++)); do grep -q '^ready' "$BED_DIR/peer.log" 2>/dev/null && break; sleep 0.05; done
  grep -q '^ready' "$BED_DIR/peer.log" 2>/dev/null || { bed_log "line_peer: $(cat "$BED_DIR/peer.err")"; return 1; }
  exec {BED_PEER_FD}>"$BED_DIR/peer.cmd"
}

# bed_raw_player [DIR]: the commonest set-up of one player: a raw far end
# (bed_raw_peer) on a pseudo-terminal mapped to COM1, and the program from DIR
# (default: a fresh bed_workdir) launched with the modem-lines preload that a
# pseudo-terminal needs; returns once its window shows. It is not connected
# yet: bed_connect, or `drive send-command $IDM_CONNECT`, does that.
bed_raw_player() {
  local dir=${1:-}
  bed_raw_peer "$BED_DIR/ttyA" || return 1
  bed_map_com_port COM1 "$BED_DIR/ttyA" || return 1
  [[ -n $dir ]] || dir=$(bed_workdir player)
  BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$dir"
  drive wait-window 20000 >/dev/null
}

# peer COMMAND...: one command to the raw peer (write TEXT, pause MS,
# stream BPS COUNT [X|records]); it runs them in order.
peer() { echo "$*" >&"$BED_PEER_FD"; }

# peer_wait REGEX [SECONDS] [MARK]: waits for a line of the peer's log to
# match, among the lines after MARK (from peer_mark).
peer_wait() {
  local i
  for ((i = 0; i < ${2:-10} * 20; i++)); do
    tail -n +$((${3:-0} + 1)) "$BED_DIR/peer.log" | grep -qE "$1" && return 0
    sleep 0.05
  done
  return 1
}
peer_mark() { wc -l <"$BED_DIR/peer.log"; }

# What the peer has received so far, as one escaped text (\xNN for bytes
# outside the printable range, spaces included).
peer_received() { awk '$1 == "rx" { printf "%s", $4 }' "$BED_DIR/peer.log"; }

# bed_picocom TTY: picocom on TTY in a private tmux server, 9600 bits per
# second, no flow control (the program's XON/XOFF bytes are never sent).
bed_picocom() {
  local i pid
  BED_TMUX=(tmux -S "$BED_DIR/tmux.sock")
  QUAVERTON_BED=$BED_DIR "${BED_TMUX[@]}" new-session -d -s peer -x 120 -y 30 \
    "picocom -q -b 9600 -f n $1" || return 1
  pid=$("${BED_TMUX[@]}" display-message -p '#{pid}') || return 1
  bed__record "$pid" tmux
  for ((i = 0; i < 100; i++)); do
    "${BED_TMUX[@]}" list-panes -F '#{pane_current_command}' 2>/dev/null | grep -q picocom && return 0
    sleep 0.05
  done
  bed_log "picocom did not start"
  return 1
}

# bed_two_players TONE_MS: players A and B on the two ends of a serial pair,
# both with modem lines, their programs started and shown. A's banks are
# silent and B's a 441 Hz tone of TONE_MS, so a capture holds B's sound alone.
bed_two_players() {
  local wavs=$BED_DIR/wavs dirA dirB
  bed_serial_pair || return 1
  bed_map_com_port COM1 "$BED_DIR/ttyA" || return 1
  bed_add_player B || return 1
  bed_as B bed_map_com_port COM1 "$BED_DIR/ttyB" || return 1
  mkdir -p "$wavs"
  bed_wav tone "$wavs/tone.wav" --hz 441 --ms "$1" --amp 110
  bed_wav tone "$wavs/silence.wav" --hz 441 --ms "$1" --amp 0
  dirA=$(bed_workdir A "$wavs/silence.wav=SAMPLE2.WAV" "$wavs/silence.wav=SAMPLE.WAV") || return 1
  dirB=$(bed_workdir B "$wavs/tone.wav=SAMPLE2.WAV" "$wavs/tone.wav=SAMPLE.WAV") || return 1
  BED_PRELOAD=$BED_MODEM_PRELOAD bed_launch "$dirA"
  BED_PRELOAD=$BED_MODEM_PRELOAD bed_as B bed_launch "$dirB"
  drive wait-window 20000 >/dev/null && bed_as B drive wait-window 20000 >/dev/null
}

# picocom_type TEXT: keys typed into picocom (tmux send-keys, literally).
picocom_type() { "${BED_TMUX[@]}" send-keys -t peer -l "$1"; }
# What picocom's window shows.
picocom_screen() { "${BED_TMUX[@]}" capture-pane -p -t peer; }

# bed_map_com_port COMn TTY: gives the current player's Wine that COM port on
# TTY, then restarts its wineserver so that the port is made anew.
bed_map_com_port() {
  local name=$BED_PLAYER prefix=${BED_PREFIX[$BED_PLAYER]}
  bed_wine reg add 'HKLM\Software\Wine\Ports' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1 || return 1
  WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null
  bed__end_pid "${BED_SERVER_PID[$name]}"
  bed__start_wineserver "$name"
}

# ---- The launcher ----

# bed_launcher NAME ARGS...: the README's run command (scripts/run.sh ARGS) in
# the background, on this build (or the build folder BED_LAUNCHER_BUILD names)
# and with its own home $BED_DIR/launch-NAME.
# Its players' prefixes become bed players NAME-A and NAME-B, so that
# `bed_as NAME-A drive ...` works their windows.
bed_launcher() {
  local name=$1 home=$BED_DIR/launch-$1
  shift
  mkdir -p "$home"
  bed__spawn "launcher-$name" "$home/launcher.log" "$BED_SOURCE/scripts/run.sh" "$@" --no-build \
    --build "${BED_LAUNCHER_BUILD:-$BED_BUILD}" --home "$home"
  BED_LAUNCHER_PID[$name]=$BED_LAST_PID
  BED_PREFIX[$name-A]=$home/prefix-A
  BED_PREFIX[$name-B]=$home/prefix-B
}

# bed_launcher_wait NAME REGEX [SECONDS]: until the launcher prints a line
# matching REGEX (printed); fails if it ends first.
bed_launcher_wait() {
  local log=$BED_DIR/launch-$1/launcher.log i
  for ((i = 0; i < ${3:-60} * 10; i++)); do
    grep -m1 -E "$2" "$log" 2>/dev/null && return 0
    bed__alive "${BED_LAUNCHER_PID[$1]}" || { bed_log "the launcher ended: $(tail -5 "$log")"; return 1; }
    sleep 0.1
  done
  bed_log "the launcher did not print '$2': $(tail -5 "$log")"
  return 1
}

# bed_launcher_leftovers NAME: the processes still running in that launcher's
# Wine prefixes.
bed_launcher_leftovers() {
  local environ
  for environ in /proc/[0-9]*/environ; do
    grep -qzF "WINEPREFIX=$BED_DIR/launch-$1/" "$environ" 2>/dev/null && echo "${environ//[^0-9]/}"
  done
}

# command_ms ID: a menu command carried out in the current player's window,
# waiting for its handler to return; the milliseconds that took.
command_ms() { drive send-command "$1" | sed -n 's/^returned after \([0-9]*\) ms$/\1/p'; }

# bed_settings BUTTON ID=VALUE...: the current player's Settings dialog
# (caption IDD_SETTINGS_CAPTION), each control ID set to VALUE as a person would, then
# the button BUTTON (1 OK, 2 Cancel); returns once the dialog has gone. Fails,
# naming the step in the log, when a step fails: a test that goes on with
# settings it did not make checks something else. The dialog may take seconds
# to come up on a machine busy with builds.
bed_settings() {
  local button=$1 change caption=$IDD_SETTINGS_CAPTION
  shift
  drive post-command $IDM_SETTINGS >/dev/null || { bed_log "Settings: the command was not posted"; return 1; }
  drive wait-dialog "$caption" 30000 >/dev/null || { bed_log "Settings: the dialog did not show"; return 1; }
  for change in "$@"; do
    drive dialog-set "$caption" "${change%%=*}" "${change#*=}" >/dev/null || {
      bed_log "Settings: $change was not set"
      return 1
    }
  done
  drive dialog-command "$caption" "$button" >/dev/null || { bed_log "Settings: button $button failed"; return 1; }
  drive wait-dialog-gone "$caption" 30000 >/dev/null || { bed_log "Settings: the dialog did not close"; return 1; }
}

# bed_connect: Connect in the current player's window (wait for it first),
# then wait until the menu shows the connection.
bed_connect() {
  local i
  drive wait-window 60000 >/dev/null
  drive post-command $IDM_CONNECT >/dev/null
  for ((i = 0; i < 50; i++)); do
    [[ $(drive menu-state $IDM_DISCONNECT) == enabled ]] && return 0
    sleep 0.2
  done
  return 1
}

# bed_launcher_stop NAME: stops the launcher as Ctrl+C or a closing terminal
# would (TERM; a background job ignores INT) and waits up to 30 s for it to
# end; its exit status.
bed_launcher_stop() {
  local pid=${BED_LAUNCHER_PID[$1]} i
  kill -TERM "$pid" 2>/dev/null
  for ((i = 0; i < 300; i++)); do bed__alive "$pid" || break; sleep 0.1; done
  wait "$pid"
}

# ---- Looking at the screen ----

# The current player's terminal as the program holds it (the driver's probe
# reads its screen memory), rows without their trailing spaces.
screen_rows() { drive screen | sed 's/ *$//'; }
screen_row() { drive screen "$1" | sed 's/ *$//'; }
screen_cursor() { drive screen | sed -n 's/^cursor //p'; }
# wait_screen REGEX [SECONDS]: until a row (or the cursor line) matches;
# prints it, or nothing.
wait_screen() {
  local i
  for ((i = 0; i < ${2:-10} * 4; i++)); do
    screen_rows | grep -m1 -E "$1" && return 0
    sleep 0.25
  done
  return 1
}
# wait_screen_row N TEXT [SECONDS]: until row N shows TEXT; prints what it
# showed last.
wait_screen_row() {
  local i row
  for ((i = 0; i < ${3:-10} * 4; i++)); do
    row=$(screen_row "$1")
    [[ $row == "$2" ]] && break
    sleep 0.25
  done
  echo "$row"
}

bed_screenshot() { import -display "$DISPLAY" -window root "$1"; }

# ---- Processor time ----

# cpu_ticks PID...: user and system clock ticks (1/100 s) used so far by the
# processes, summed.
cpu_ticks() {
  local pid stat sum=0 fields
  for pid in "$@"; do
    { stat=$(<"/proc/$pid/stat"); } 2>/dev/null || continue
    read -ra fields <<<"${stat##*) }"
    sum=$((sum + fields[11] + fields[12]))
  done
  echo "$sum"
}

# ---- Outcomes ----

# tones REPORT: the analyser's sounds that a person hears as notes: at least
# 50 ms with a pitch of 100 Hz or more. Under Wine on a loaded machine the
# stream can underrun for a few ms (the sound server then plays 0, a pitchless
# burst in the capture); those drop-outs are not sounds the program played.
# A drop-out can also cut one tone in two with a short silence: a tone that
# begins less than 100 ms after the last one ended, at the same pitch (within
# 1 %), is the rest of that tone, and is given as part of it (its end).
tones() {
  awk '/^onset/ && $6 >= 100 && $4 - $2 >= 50 {
         if (n && $2 - end < 100 && $6 < freq * 1.01 && $6 > freq * 0.99) { end = $4; next }
         if (n) print_last()
         n = 1; line = $0; onset = $2; end = $4; freq = $6; next
       }
       function print_last() { sub(/ end [^ ]+/, " end " end, line); print line }
       END { if (n) print_last() }' <<<"$1"
}

# heard ACTION [SECONDS]: captures while ACTION (a command) runs and SECONDS
# (1) after it; prints the tones heard (analysed against 441 Hz, the banks the
# tests give the players).
heard() {
  local capture
  capture=$(mktemp "$BED_DIR/heard.XXXXXX") || return 1
  bed_capture_start "$capture" || return 1
  sleep 0.3
  $1
  sleep "${2:-1}"
  bed_capture_stop
  tones "$(analyze "$capture" --ref-hz 441)"
}

# latency_figures POSTS EPOCH NAME [--list]: the analyser's report on standard
# input; each "posted MS" line of POSTS (the driver's post-char-timed) against
# the first onset after it (capture epoch + onset); prints the median, worst
# and best over the keys whose sound was found, and with --list before that a
# line "ms LATENCY" for each of those keys.
latency_figures() {
  awk -v epoch="$2" -v name="$3" -v list="${4:-}" '
    FNR == NR { if ($1 == "posted") posts[++n] = $2; next }
    $1 == "onset" { onsets[++m] = epoch + $2 }
    END {
      for (i = 1; i <= n; i++) {
        best = ""
        for (j = 1; j <= m; j++) { d = onsets[j] - posts[i]; if (d >= -20 && d < 500 && (best == "" || d < best)) best = d }
        if (best != "") lat[++k] = best
      }
      if (k == 0) { print name " latency: no onsets matched"; exit }
      if (list == "--list") for (i = 1; i <= k; i++) printf "ms %.1f\n", lat[i]
      for (i = 2; i <= k; i++) { v = lat[i]; for (j = i - 1; j >= 1 && lat[j] > v; j--) lat[j + 1] = lat[j]; lat[j + 1] = v }
      printf "%s latency over %d of %d keys: median %.0f ms, worst %.0f ms, best %.0f ms\n", name,
        k, n, (k % 2 ? lat[(k + 1) / 2] : (lat[k / 2] + lat[k / 2 + 1]) / 2), lat[k], lat[1]
    }' "$1" -
}

# field NAME LINE: the value after NAME in an analyser line.
field() { sed -n "s/.* $1 \([^ ]*\).*/\1/p; s/^$1 \([^ ]*\).*/\1/p" <<<"$2" | head -n1; }
# within VALUE LOW HIGH: whether LOW <= VALUE <= HIGH (decimals allowed).
within() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v != "" && v >= lo && v <= hi) }'; }

# bed_ding_override DIR: when DING_BYTES is set, writes a format file with that
# many data bytes (the block size) into DIR and prints the workdir argument
# that puts it in place of the shipped ding.wav.
bed_ding_override() {
  [[ -n ${DING_BYTES:-} ]] || return 0
  bed_wav format "$1/ding.wav" --rate 44100 --bytes "$DING_BYTES" >/dev/null
  echo "$1/ding.wav=ding.wav"
}

# expect NAME ACTUAL EXPECTED: one checked outcome.
expect() {
  if [[ $2 == "$3" ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: got '$2', expected '$3'"
    BED_FAILURES=$((BED_FAILURES + 1))
  fi
}

# expect_match NAME ACTUAL REGEX: one outcome checked against a pattern.
expect_match() {
  if [[ $2 =~ $3 ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: got '$2', expected a match of '$3'"
    BED_FAILURES=$((BED_FAILURES + 1))
  fi
}

# quiet COMMAND...: COMMAND with its output thrown away, for expect_true
# (whose own verdict line must not go with it).
quiet() { "$@" >/dev/null; }

# expect_true NAME COMMAND...: an outcome that is a command's success.
expect_true() {
  local name=$1
  shift
  if "$@"; then echo "ok: $name"; else echo "FAIL: $name"; BED_FAILURES=$((BED_FAILURES + 1)); fi
}

# Ends everything, checks that nothing is left, prints the tally and the
# programs' last words on failure; its status is the test's result.
bed_finish() {
  local leftovers log driver_said
  driver_said=$(grep -vE 'fixme|ALSA' "$BED_DIR/drive.err" 2>/dev/null | grep -B1 -vE '^\[[^]]*\] drive ' | tail -20)
  bed_stop
  leftovers=$(bed_leftovers)
  expect "nothing of the run is left running" "$leftovers" ""
  echo "$BED_FAILURES failure(s)"
  if [[ $BED_FAILURES -ne 0 ]]; then
    for log in "${BED_PROGRAM_LOG[@]}"; do
      [[ -s $log ]] && { echo "--- $log:"; grep -vE 'fixme|ALSA' "$log" | tail -20; }
    done
    [[ -n $driver_said ]] && { echo "--- the driver's stderr (the last 20 lines, each after its command):"; echo "$driver_said"; }
  fi
  [[ $BED_FAILURES -eq 0 ]]
}

# ---- End ----

# Ends everything this bed started, by process id: the capture, each player's
# Wine (wineserver -k ends the prefix's processes and its server), then the
# sound server, the display and anything else recorded; then anything still
# carrying the bed's mark. Safe to call twice; the EXIT trap calls it.
bed_stop() {
  [[ -n $BED_STOPPED ]] && return 0
  BED_STOPPED=1
  local name pid i
  [[ -n $BED_WATCHDOG_PID ]] && bed__end_pid "$BED_WATCHDOG_PID"
  bed_capture_stop
  for name in "${!BED_SERVER_PID[@]}"; do
    WINEPREFIX=${BED_PREFIX[$name]} "$WINESERVER" -k 2>/dev/null
    [[ -n ${BED_PROGRAM_PID[$name]:-} ]] && bed__end_pid "${BED_PROGRAM_PID[$name]}"
    bed__end_pid "${BED_SERVER_PID[$name]}"
  done
  for ((i = ${#BED_PIDS[@]} - 1; i >= 0; i--)); do bed__end_pid "${BED_PIDS[i]}"; done
  for pid in $(bed__marked_pids); do
    bed_log "ending a stray process of the run: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    bed__end_pid "$pid"
  done
  for name in "${!BED_SERVER_DIR[@]}"; do rm -rf "${BED_SERVER_DIR[$name]}"; done
  if [[ ${BED_KEEP:-} == 1 ]]; then bed_log "kept $BED_DIR"; else rm -rf "$BED_DIR"; fi
}

trap bed_stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
