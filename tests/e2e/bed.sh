# The end-to-end test bed, sourced by each test script: a private folder with
# a virtual display, a private sound server with a null sink, the build tree's
# Wine prefix, and the program under Wine. Everything started here is recorded
# by process id and ended when the test's shell exits, pass or fail.
#
#   BED_BUILD   the cross build folder (build/win64)    BED_NATIVE  the native build folder
set -uo pipefail
BED_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$BED_SOURCE/scripts/wine-env.sh"

BED_DIR=$(mktemp -d /tmp/quaverton-bed.XXXXXX)
BED_PIDS=()
BED_PROGRAM_PID=
BED_FAILURES=0

bed_log() { echo "bed: $*" >&2; }

bed_cleanup() {
  local pid
  bed_capture_stop
  for ((i = ${#BED_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${BED_PIDS[i]}
    kill "$pid" 2>/dev/null
  done
  if [[ -n ${WINEPREFIX:-} ]]; then "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null; fi
  for pid in "${BED_PIDS[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  rm -rf "$BED_DIR"
}
trap bed_cleanup EXIT

# Starts the display, the sound server and the prefix.
bed_start() {
  local fd_file=$BED_DIR/display
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" 2>"$BED_DIR/xvfb.log" &
  BED_PIDS+=($!)
  for _ in $(seq 100); do [[ -s $fd_file ]] && break; sleep 0.05; done
  export DISPLAY=:$(head -n1 "$fd_file")

  export PULSE_RUNTIME_PATH=$BED_DIR/pulse HOME=$BED_DIR/home
  mkdir -p "$PULSE_RUNTIME_PATH" "$HOME"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    --load="module-null-sink sink_name=out" \
    --load="module-native-protocol-unix socket=$BED_DIR/pulse.sock auth-anonymous=1" \
    >"$BED_DIR/pulse.log" 2>&1 &
  BED_PIDS+=($!)
  export PULSE_SERVER=unix:$BED_DIR/pulse.sock
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
  pactl set-default-sink out >/dev/null 2>&1

  export WINELOADER=$WINE64
  quaverton_wine_prefix "$BED_BUILD/wineprefix-e2e"
  bed_use_virtual_desktop
}

# Runs every program of the prefix inside one Wine desktop window: the
# program's frame and menu are drawn by Wine then, and hiding a window does
# not wait on a window manager that is not there.
bed_use_virtual_desktop() {
  [[ -f $WINEPREFIX/.quaverton-desktop ]] && return 0
  "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
  "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f \
    >/dev/null 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.quaverton-desktop"
}

# A working folder with the generated files and the program; extra arguments
# are files to copy over them (a test's own WAV files).
bed_workdir() {
  local dir=$BED_DIR/$1
  shift
  mkdir -p "$dir"
  cp "$BED_BUILD"/{quaverton.exe,SAMPLE.WAV,SAMPLE2.WAV,ding.wav} "$dir"/
  for f in "$@"; do cp "$f" "$dir"/; done
  echo "$dir"
}

# Starts the program under Wine in folder $1, in the background.
bed_launch() {
  (cd "$1" && exec "$WINELOADER" quaverton.exe >"$BED_DIR/program.log" 2>&1) &
  BED_PROGRAM_PID=$!
  BED_PIDS+=($BED_PROGRAM_PID)
}

# Waits up to $1 seconds for the program to end and sets BED_EXIT to its exit
# code ("timeout" if it is still running). Call it directly, not inside $(...):
# only this shell can collect the program's exit code.
bed_wait_exit() {
  BED_EXIT=timeout
  for _ in $(seq $(($1 * 10))); do
    if ! kill -0 "$BED_PROGRAM_PID" 2>/dev/null; then
      wait "$BED_PROGRAM_PID"
      BED_EXIT=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

bed_running() { kill -0 "$BED_PROGRAM_PID" 2>/dev/null; }

# The driver program, run in the same prefix as the program.
drive() { "$WINELOADER" "$BED_BUILD/tests/e2e/qdriver.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Records what the program plays until bed_capture_stop.
bed_capture_start() {
  parec -d out.monitor --format=u8 --rate=44100 --channels=1 --raw --latency-msec=10 >"$1" &
  BED_CAPTURE_PID=$!
  BED_PIDS+=($BED_CAPTURE_PID)
}
bed_capture_stop() {
  [[ -n ${BED_CAPTURE_PID:-} ]] || return 0
  kill "$BED_CAPTURE_PID" 2>/dev/null
  wait "$BED_CAPTURE_PID" 2>/dev/null
}

analyze() { "$BED_NATIVE/tests/e2e/capture_analyze" "$@"; }

# expect NAME ACTUAL EXPECTED: one checked outcome.
expect() {
  if [[ $2 == "$3" ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: got '$2', expected '$3'"
    BED_FAILURES=$((BED_FAILURES + 1))
  fi
}

bed_finish() {
  echo "$BED_FAILURES failure(s)"
  if [[ $BED_FAILURES -ne 0 && -f $BED_DIR/program.log ]]; then
    echo "--- the program's output:"
    grep -vE 'fixme|ALSA' "$BED_DIR/program.log" | tail -20
  fi
  [[ $BED_FAILURES -eq 0 ]]
}
