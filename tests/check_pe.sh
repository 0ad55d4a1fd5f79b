#!/usr/bin/env bash
# Checks that a built program is a Windows GUI program for the expected machine
# that imports nothing but DLLs every Windows installation has.
#   check_pe.sh PROGRAM.exe "PE32 executable (GUI) Intel 80386" OBJDUMP
set -euo pipefail
exe=$1 kind=$2 objdump=$3
system_dlls='^(KERNEL32|USER32|GDI32|WINMM|COMDLG32|ADVAPI32|msvcrt)\.dll$'

description=$(file -b "$exe")
if [[ $description != "$kind"* ]]; then
  echo "FAIL: $exe is '$description', expected '$kind'"
  exit 1
fi
imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
bad=$(grep -viE "$system_dlls" <<<"$imports" || true)
if [[ -n $bad ]]; then
  echo "FAIL: $exe imports non-system DLLs: $bad"
  exit 1
fi
echo "ok: $description; imports $(tr '\n' ' ' <<<"$imports")"
