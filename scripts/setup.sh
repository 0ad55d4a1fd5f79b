#!/usr/bin/env bash
# Installs every Debian package the native build, the Windows cross build and the
# Wine test bed need. Idempotent: when everything is present it only checks and exits.
set -euo pipefail

native=(cmake g++ make clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev libpulse-dev sox)
cross=(g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
       g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64)
bed=(wine wine32:i386 wine64 xvfb imagemagick pulseaudio pulseaudio-utils
     fonts-wine xdotool libpulse0:i386 libasound2-plugins:i386 socat gcc-multilib libasound2-dev tmux picocom zip unzip file)

want=("${native[@]}" "${cross[@]}" "${bed[@]}")
case "${1:-all}" in
  native) want=("${native[@]}") ;;
  all) ;;
  *) echo "usage: $0 [native|all]" >&2; exit 2 ;;
esac

missing=()
for pkg in "${want[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  sudo=sudo
else
  sudo=
fi
echo "setup: installing ${missing[*]}"
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync can fail one index file; try again, and
# if it still fails go on: the install below says whether anything it needs
# is missing.
updated=0
for attempt in 1 2 3; do
  $sudo apt-get update -qq && { updated=1; break; }
  echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
  [[ $attempt -lt 3 ]] && sleep 10
done
install=($sudo apt-get install -y -qq --no-install-recommends)
if ! "${install[@]}" "${missing[@]}"; then
  [[ $updated -eq 1 ]] && exit 1
  # With one architecture's update index missing, the newest versions of a
  # library differ between amd64 and i386 and the two cannot be installed
  # side by side; the release's own suite has both at the same version.
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "setup: installing from $suite alone, as an update index could not be fetched" >&2
  "${install[@]}" -t "$suite" "${missing[@]}"
fi
