#!/usr/bin/env bash
# Installs what is missing, builds the Windows program and starts it under Wine
# on the current display, in its build folder beside the generated sample and
# format files.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

scripts/setup.sh all
build=$(quaverton_runnable_build)
cmake --preset "$build" >/dev/null
cmake --build --preset "$build" -j"$(nproc)"

if [[ -z ${DISPLAY:-} ]]; then
  echo "run: no display. Start one (for example: Xvfb :1 & export DISPLAY=:1) and run again." >&2
  exit 1
fi
cd "build/$build"
export WINELOADER=$(quaverton_wine_loader quaverton.exe)
quaverton_wine_prefix "$PWD/wineprefix"
exec "$WINELOADER" quaverton.exe
