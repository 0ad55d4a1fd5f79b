#!/usr/bin/env bash
# Installs every Debian package the native build, the Windows cross build and the
# Wine test bed need. Idempotent: when everything is present it only checks and exits.
set -euo pipefail

native=(cmake g++ make clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev libpulse-dev sox)
cross=(g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
       g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64)
bed=(wine wine32:i386 wine64 xvfb imagemagick pulseaudio pulseaudio-utils
     fonts-wine xdotool libpulse0:i386 libasound2-plugins:i386 socat gcc-multilib tmux picocom zip unzip file)

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
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
