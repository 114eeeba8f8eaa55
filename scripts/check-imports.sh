#!/usr/bin/env bash
# Lists the DLLs each Windows program imports and fails when one is not part of Windows itself:
# the saver is copied around as a single file, so it may rely on nothing but the system's DLLs.
#   scripts/check-imports.sh PROG.exe|PROG.scr...
set -euo pipefail
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
[ $# -gt 0 ] || { echo "usage: $0 PROG.exe..." >&2; exit 2; }

# The DLLs that every Windows version the saver runs on ships.
allowed=(kernel32 user32 gdi32 advapi32 msvcrt ole32 oleaut32 winmm shell32 comctl32 comdlg32
  dsound mpr version shlwapi imm32)

is_allowed() {
  local name
  name=$(tr '[:upper:]' '[:lower:]' <<<"${1%.[dD][lL][lL]}")
  for a in "${allowed[@]}"; do [ "$a" = "$name" ] && return 0; done
  return 1
}

status=0
for exe in "$@"; do
  [ -f "$exe" ] || { echo "check-imports: $exe: no such file" >&2; status=1; continue; }
  dlls=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print $3}')
  [ -n "$dlls" ] || { echo "check-imports: $exe: no import table found" >&2; status=1; continue; }
  bad=()
  for dll in $dlls; do is_allowed "$dll" || bad+=("$dll"); done
  echo "$(basename "$exe"): imports" $dlls
  if [ ${#bad[@]} -gt 0 ]; then
    echo "check-imports: $exe needs DLLs outside the system's: ${bad[*]}" >&2
    status=1
  fi
done
exit $status
