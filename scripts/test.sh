#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# the core natively, under ASan+UBSan and under TSan; the fuzz programs for a
# bounded run; then the Windows builds and their tests under Wine.
#   scripts/test.sh            everything
#   scripts/test.sh native     only the native core tests (no Wine needed)
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
case $what in
  all) presets=(native asan tsan fuzz win32 win64) ;;
  native) presets=(native asan tsan fuzz) ;;
  *) echo "usage: $0 [all|native]" >&2; exit 2 ;;
esac

scripts/setup.sh "$([[ $what == native ]] && echo native || echo all)"

jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "==== $preset ===="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset"
done
