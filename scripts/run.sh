#!/usr/bin/env bash
# Builds what is missing and starts Quaverton under Wine on this display, with
# its serial line set up for one of several ways to play. Everything it starts
# is ended when the players close their windows or the launcher is stopped.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  cat <<'EOF'
usage: scripts/run.sh [MODE] [OPTIONS]

Modes (the line is each player's COM1):
  duet                two players on this machine, each in a window of their
                      own, linked by a virtual null-modem cable (the default)
  solo                one player; the other end of the cable is printed, for
                      any serial terminal program (picocom, minicom, screen)
  port DEVICE         one player on a real serial port, e.g. /dev/ttyS0 or
                      /dev/ttyUSB0, for two machines linked by a cable or modem
  listen PORT         one player whose line is carried over TCP: waits for the
                      other machine to connect on PORT
  connect HOST:PORT   one player whose line is carried over TCP to HOST, which
                      runs "listen PORT"
  replay RECORD       one player against a recorded partner: each time you
                      Connect, the other side of RECORD plays into the line
                      with its recorded timing

Options:
  --record FILE       log the line in both directions to FILE, with times
                      (every mode but port); replay with "replay FILE"
  --record-sound FILE.wav
                      record what this machine plays (both players of a duet,
                      the one player otherwise) from when the first player's
                      sound starts until the launcher ends: 16-bit mono PCM
                      at 44100 Hz, a valid WAV file at every moment; at the
                      end its length, peak level and gaps of silence are shown
  --build DIR         use this build folder (default: build/win32 where 32-bit
                      programs run, else build/win64), built if needed
  --home DIR          where the players' Wine prefixes and the line live
                      (default: DIR/players of the build folder)
  --midi-fifo PATH    player A's MIDI keyboard is the launcher's stand-in: it
                      plays the MIDI bytes written to the FIFO PATH (made if
                      missing), e.g. by a virtual keyboard program or
                      printf '\x90\x3c\x64' > PATH (key 60 pressed); for
                      machines without an ALSA sequencer, or to play from
                      another program
  --no-build          do not install or build anything first
  -h, --help          this text

In each window: Action > Connect (Shift+PgUp), then play: the keyboard rows
Q2W3E4R5T6Y7U and ZSXDCFVGBHNJM, a MIDI keyboard, the pattern sequencers.
EOF
}

die() {
  echo "run: $*" >&2
  exit 1
}

# ---- Arguments ----
mode=duet
target=
record=
record_sound=
build_dir=
home=
midi_fifo=
do_build=1
while (($# > 0)); do
  case $1 in
    duet | solo) mode=$1 ;;
    port | listen | connect | replay)
      mode=$1
      (($# >= 2)) || die "$1 needs an argument (see --help)"
      target=$2
      shift
      ;;
    --record)
      (($# >= 2)) || die "--record needs a file"
      record=$(realpath -m "$2")
      shift
      ;;
    --record-sound)
      (($# >= 2)) || die "--record-sound needs a file, e.g. --record-sound jam.wav"
      record_sound=$(realpath -m "$2")
      shift
      ;;
    --build)
      (($# >= 2)) || die "--build needs a folder"
      build_dir=$(realpath -m "$2")
      shift
      ;;
    --home)
      (($# >= 2)) || die "--home needs a folder"
      home=$(realpath -m "$2")
      shift
      ;;
    --midi-fifo)
      (($# >= 2)) || die "--midi-fifo needs a path"
      midi_fifo=$(realpath -m "$2")
      shift
      ;;
    --no-build) do_build= ;;
    -h | --help)
      usage
      exit 0
      ;;
    *) die "unknown argument '$1' (see --help)" ;;
  esac
  shift
done
case $mode in
  port)
    [[ -e $target ]] || die "no serial device $target"
    [[ -r $target && -w $target ]] || die "$target cannot be read and written by $(id -un) (add yourself to its group, e.g. dialout)"
    [[ -z $record ]] || die "--record needs the line to pass through the launcher's cable; a real port is driven by Wine directly"
    ;;
  listen) [[ $target =~ ^[0-9]+$ ]] || die "listen takes a TCP port number, e.g. listen 7300" ;;
  connect) [[ $target =~ ^[^:]+:[0-9]+$ ]] || die "connect takes HOST:PORT, e.g. connect 192.168.1.20:7300" ;;
  replay) [[ -r $target ]] || die "cannot read the record $target" ;;
esac

# ---- Build ----
source "$here/scripts/wine-env.sh"
if [[ -z ${DISPLAY:-} ]]; then
  die "no display. Run this in a desktop session, or start a virtual display first, e.g.
  Xvfb :1 -screen 0 1920x1080x24 & export DISPLAY=:1"
fi
if [[ -n $do_build ]]; then
  "$here/scripts/setup.sh" all
fi
preset=$(quaverton_runnable_build)
build_dir=${build_dir:-$here/build/$preset}
if [[ -n $do_build ]]; then
  if [[ $build_dir == "$here/build/$preset" ]]; then
    (cd "$here" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$(nproc)")
  else
    cmake --build "$build_dir" -j"$(nproc)"
  fi
fi
exe=$build_dir/quaverton.exe
cable=$build_dir/quaverton-cable
preload=$build_dir/launcher/modem_lines_preload.so
midi_preload=$build_dir/launcher/midi_keyboard_preload.so
sound_recorder=$build_dir/quaverton-sound-record
for f in "$exe" "$cable" "$preload" ${record_sound:+"$sound_recorder"} ${midi_fifo:+"$midi_preload"} \
  "$build_dir/SAMPLE.WAV" "$build_dir/SAMPLE2.WAV" "$build_dir/ding.wav"; do
  [[ -e $f ]] || die "$f is missing: build first (scripts/run.sh without --no-build)"
done
if [[ -n $midi_fifo ]]; then
  [[ -e $midi_fifo ]] || mkfifo "$midi_fifo" || die "cannot make the FIFO $midi_fifo"
  [[ -p $midi_fifo ]] || die "$midi_fifo is not a FIFO"
fi
home=${home:-$build_dir/players}
mkdir -p "$home"
line=$home/line
mkdir -p "$line"
export WINELOADER=$(quaverton_wine_loader "$exe")
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# ---- Processes: everything started is recorded and ended by id ----
# The ids of the processes the launcher starts are kept, one a line, in
# HOME/launcher.pids, and its players' Wine prefixes in HOME/launcher.prefixes,
# so that its guard can end them all should the launcher be killed outright.
pids=()
prefixes=()
started_pulse=
pid_file=$home/launcher.pids
prefix_file=$home/launcher.prefixes
: >"$pid_file"
: >"$prefix_file"
keep_pid() { pids+=("$1"); echo "$1" >>"$pid_file"; }
keep_prefix() { prefixes+=("$1"); echo "$1" >>"$prefix_file"; }

# end_started: each prefix's Wine ended, then every kept process, newest
# first, with TERM, and with KILL if it has not ended 5 s later.
end_started() {
  local pid prefix i
  for prefix in "${prefixes[@]}"; do WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -TERM "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for ((i = 0; i < 50; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}

finish() {
  trap - EXIT INT TERM HUP
  kill -TERM "$guard_pid" 2>/dev/null && wait "$guard_pid" 2>/dev/null
  end_started
  [[ -n $started_pulse ]] && rm -rf "$home/pulse"
  rm -f "$line"/*
  [[ -n $record && -s $record ]] && echo "run: the line was recorded in $record"
  return 0
}

# The guard, a process of its own: once the launcher is gone without ending
# what it started (SIGKILL gives it no chance), it ends all of it from the
# kept lists. It sees the launcher go as its own parent changing, looked at
# twice a second without starting a process (a timed read of a FIFO that
# nobody writes).
guard() {
  local launcher=$$ stat tick
  trap '' INT HUP  # Ctrl+C reaches the launcher, which ends the guard itself
  trap 'exit 0' TERM
  mkfifo "$home/guard.tick" && exec {tick}<>"$home/guard.tick" && rm -f "$home/guard.tick" || exit 1
  while read -r stat <"/proc/$BASHPID/stat"; do
    stat=${stat##*) }  # after the command name: state, parent, ...
    stat=${stat#* }
    [[ ${stat%% *} == "$launcher" ]] || break
    read -r -t 0.5 -u "$tick" || true
  done
  mapfile -t pids <"$pid_file"
  mapfile -t prefixes <"$prefix_file"
  echo "run: the launcher is gone; ending what it started"
  end_started
  rm -f "$line"/*
}
guard </dev/null &
guard_pid=$!
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# started LOG COMMAND...: runs COMMAND in the background, logging to LOG.
started() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 &
  keep_pid "$!"
}

# ---- Sound: the user's server, or a private one ----
if ! pactl info >/dev/null 2>&1; then
  command -v pulseaudio >/dev/null || die "no sound server is running and PulseAudio is not installed (scripts/setup.sh installs it)"
  echo "run: no sound server is running; starting a private one (it plays on this machine's sound card, or nowhere if there is none)"
  mkdir -p "$home/pulse/runtime"
  export PULSE_RUNTIME_PATH=$home/pulse/runtime PULSE_SERVER=unix:$home/pulse/runtime/native
  started "$home/pulse.log" pulseaudio --daemonize=no --exit-idle-time=-1 --use-pid-file=no
  started_pulse=1
  for ((i = 0; i < 100; i++)); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || die "the private sound server did not start: $(tail -3 "$home/pulse.log")"
fi

# ---- The line ----
# wait_for_ready LOG WHAT: until a cable prints "ready" (or fails).
wait_for_ready() {
  local i
  for ((i = 0; i < 100; i++)); do
    grep -q '^ready' "$1" 2>/dev/null && return 0
    kill -0 "${pids[-1]}" 2>/dev/null || die "$2 failed: $(cat "$1")"
    sleep 0.05
  done
  die "$2 did not start: $(cat "$1")"
}
record_args=()
[[ -n $record ]] && record_args=(--record "$record")

case $mode in
  duet)
    started "$home/cable.log" "$cable" link "$line/A" "$line/B" "${record_args[@]}"
    wait_for_ready "$home/cable.log" "the cable"
    ;;
  solo)
    started "$home/cable.log" "$cable" link "$line/A" "$line/other-end" "${record_args[@]}"
    wait_for_ready "$home/cable.log" "the cable"
    ;;
  listen | connect)
    started "$home/cable.log" "$cable" link "$line/A" "$line/net" "${record_args[@]}"
    wait_for_ready "$home/cable.log" "the cable"
    if [[ $mode == listen ]]; then far="TCP-LISTEN:$target,reuseaddr,nodelay"; else far="TCP:$target,nodelay"; fi
    # The TCP link is made again whenever it drops, for as long as the launcher runs.
    (
      trap 'kill "$child" 2>/dev/null; exit 0' TERM
      while :; do
        socat -d "OPEN:$line/net,raw,echo=0" "$far" &
        child=$!
        wait "$child" || true
        sleep 1
      done
    ) >"$home/socat.log" 2>&1 &
    keep_pid "$!"
    ;;
  replay)
    started "$home/cable.log" "$cable" replay "$target" "$line/A" "${record_args[@]}"
    wait_for_ready "$home/cable.log" "the replay"
    ;;
esac

# ---- The sound recording ----
# The recorder makes the WAV file at once, so that a path it cannot write is
# said before anyone plays (the players go on all the same), and reads the
# samples from a FIFO. Once the first player's stream reaches the sound
# server, the server's recording client records the monitor of the sink that
# stream plays into, which carries everything this machine plays there (both
# players of a duet), at the players' output rate (that of ding.wav). It
# records 16-bit samples: the server mixes the players' 8-bit streams, and
# their sum needs more than 8 bits to be kept as it was played.
output_rate=$(od -An -tu4 -j24 -N4 "$build_dir/ding.wav" | tr -d ' ')
if [[ -n $record_sound ]]; then
  mkfifo "$home/sound.fifo" 2>/dev/null || [[ -p $home/sound.fifo ]] || die "cannot make $home/sound.fifo"
  # Opened for reading and writing, the FIFO never blocks the open, and
  # the recorder reads on until the launcher ends it.
  "$sound_recorder" "$record_sound" --rate "$output_rate" --say run <>"$home/sound.fifo" &
  keep_pid "$!"
fi

# record_sound_from_first_player: waits until a player of this launcher has a
# stream on the sound server (while any player runs), then records the
# monitor of its sink into the recorder's FIFO.
record_sound_from_first_player() {
  local sink= monitor pid alive
  while [[ -z $sink ]]; do
    alive=
    for pid in "${player_pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [[ -n $alive ]] || return 0
    sleep 0.1
    sink=$(pactl list sink-inputs 2>/dev/null | awk -v tag="quaverton.launcher = \"$$\"" '
      /^Sink Input #/ { sink = "" }
      $1 == "Sink:" { sink = $2 }
      index($0, tag) && sink != "" { print sink; exit }')
  done
  monitor=$(pactl list short sinks | awk -v sink="$sink" '$1 == sink { print $2 ".monitor" }')
  [[ -n $monitor ]] || { echo "run: cannot find the sound server's sink $sink; the sound is not recorded" >&2; return 0; }
  parec -d "$monitor" --format=s16le --rate="$output_rate" --channels=1 \
    --raw --latency-msec=100 --client-name="Quaverton recording" \
    >"$home/sound.fifo" 2>"$home/parec.log" &
  keep_pid "$!"
  echo "run: recording the sound of $monitor in $record_sound"
}

# ---- The players ----
# start_player NAME TTY: the player's own Wine prefix with COM1 on TTY, and
# the program in a Wine desktop window titled for the player.
base=$build_dir/wineprefix
quaverton_wine_prefix "$base"
start_player() {
  local name=$1 tty=$2 prefix=$home/prefix-$1
  if [[ ! -f $prefix/.quaverton-ready ]]; then
    echo "run: making player $name's Wine prefix"
    rm -rf "$prefix"
    quaverton_wine_prefix_copy "$base" "$prefix"
  fi
  keep_prefix "$prefix"
  WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
  # COM1 on the player's end of the line; every program of the prefix in one
  # Wine desktop window named for the player (the window's title).
  {
    echo 'REGEDIT4'
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
    echo "\"COM1\"=\"$tty\""
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer]'
    echo "\"Desktop\"=\"Quaverton player $name\""
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
    echo "\"Quaverton player $name\"=\"820x640\""
  } >"$home/player-$name.reg"
  WINEPREFIX=$prefix "$WINELOADER" regedit "$home/player-$name.reg" >/dev/null 2>&1 ||
    die "cannot set up player $name's Wine prefix"
  WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true  # the port is made anew at the next start
  # Player A's MIDI keyboard may be the stand-in that reads the FIFO.
  local preloads=$preload keyboard=()
  if [[ $name == A && -n $midi_fifo ]]; then
    preloads+=" $midi_preload"
    keyboard=("QUAVERTON_MIDI_FIFO=$midi_fifo")
  fi
  # The sound server learns whose stream it is (PULSE_PROP), so that the
  # recording finds the sink this launcher's players play into.
  (cd "$build_dir" && exec env WINEPREFIX="$prefix" LD_PRELOAD="$preloads" "${keyboard[@]}" \
    PULSE_PROP="${PULSE_PROP:+$PULSE_PROP }quaverton.launcher=$$" "$WINELOADER" quaverton.exe) \
    >"$home/player-$name.log" 2>&1 &
  keep_pid "$!"
  player_pids+=("$!")
  echo "run: player $name started (COM1 is $tty)"
  ((${#keyboard[@]} == 0)) ||
    echo "run: player $name's MIDI keyboard plays the MIDI bytes written to $midi_fifo (answer its MIDI notices with OK)"
  place_window "Quaverton player $name" "$3"
}

# place_window TITLE X: moves the player's desktop window to X, so that two
# players' windows stand side by side (without xdotool the window manager
# places them). Wine places the window itself as it maps it, so the move is
# made once the window shows, and made again until it holds.
place_window() {
  command -v xdotool >/dev/null || return 0
  (
    set +e  # a search that finds nothing yet is no failure
    held=0
    for ((i = 0; i < 200 && held < 3; i++)); do
      sleep 0.1
      id=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n1)
      [[ -n $id ]] || continue
      x=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Position: \([0-9-]*\),.*/\1/p')
      if [[ $x == "$2" ]]; then held=$((held + 1)); else held=0; xdotool windowmove "$id" "$2" 0; fi
    done
  ) &
  keep_pid "$!"
}
player_pids=()
case $mode in
  duet)
    start_player A "$line/A" 0
    start_player B "$line/B" 830
    echo "run: in both windows choose Action > Connect; what is typed in one is heard and shown in the other"
    ;;
  solo)
    start_player A "$line/A" 0
    echo "run: the other end of the line is $line/other-end; for example: picocom -b 9600 $line/other-end"
    ;;
  port) start_player A "$target" 0 ;;
  listen)
    start_player A "$line/A" 0
    echo "run: waiting for the other machine on TCP port $target (it runs: scripts/run.sh connect THIS-HOST:$target)"
    ;;
  connect) start_player A "$line/A" 0 ;;
  replay)
    start_player A "$line/A" 0
    echo "run: choose Action > Connect; the recorded partner starts a second later"
    ;;
esac
echo "run: close the windows (or press Ctrl+C here) to end"
[[ -n $record_sound ]] && record_sound_from_first_player

# Until every player has closed its window.
for pid in "${player_pids[@]}"; do wait "$pid" || true; done
