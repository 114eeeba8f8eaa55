#!/usr/bin/env bash
# Lists the DLLs each Windows program imports and fails when one is not part of Windows itself:
# the saver is copied around as a single file, so it may rely on nothing but the system's DLLs.
# The program's processor (i686 or x86-64) is read from its header; with --machine every program
# must be of that one (a build that silently produced the other kind fails here).
#   scripts/check-imports.sh [--machine i686|x86-64] PROG.exe|PROG.scr...
set -euo pipefail
expect=""
if [ "${1:-}" = "--machine" ]; then
  expect=${2:-}
  shift 2 || shift
fi
[ $# -gt 0 ] || { echo "usage: $0 [--machine i686|x86-64] PROG.exe..." >&2; exit 2; }

# The DLLs that every Windows version the saver runs on ships.
allowed=(kernel32 user32 gdi32 advapi32 msvcrt ole32 oleaut32 winmm shell32 comctl32 comdlg32
  dsound mpr version shlwapi imm32)

is_allowed() {
  local name
  name=$(tr '[:upper:]' '[:lower:]' <<<"${1%.[dD][lL][lL]}")
  for a in "${allowed[@]}"; do [ "$a" = "$name" ] && return 0; done
  return 1
}

# Little-endian unsigned number of $3 bytes at offset $2 of file $1.
read_le() {
  local -a b
  read -r -a b <<<"$(od -An -tu1 -j "$2" -N "$3" "$1")"
  local v=0 i
  for ((i = $3 - 1; i >= 0; i--)); do v=$((v * 256 + ${b[i]:-0})); done
  echo $v
}

# The processor of a PE program: i686, x86-64, or nothing when the file is none.
machine_of() {
  local pe
  [ "$(head -c 2 "$1")" = MZ ] || return 0
  pe=$(read_le "$1" 60 4)
  [ "$(dd if="$1" bs=1 skip="$pe" count=4 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 50450000 ] || return 0
  case $(read_le "$1" $((pe + 4)) 2) in
    332) echo i686 ;;     # IMAGE_FILE_MACHINE_I386
    34404) echo x86-64 ;; # IMAGE_FILE_MACHINE_AMD64
  esac
}

status=0
for exe in "$@"; do
  [ -f "$exe" ] || { echo "check-imports: $exe: no such file" >&2; status=1; continue; }
  machine=$(machine_of "$exe")
  case "$machine" in
    i686) objdump=${OBJDUMP:-i686-w64-mingw32-objdump} ;;
    x86-64) objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump} ;;
    *) echo "check-imports: $exe: not an i686 or x86-64 Windows program" >&2; status=1; continue ;;
  esac
  if [ -n "$expect" ] && [ "$machine" != "$expect" ]; then
    echo "check-imports: $exe is an $machine program, not $expect" >&2
    status=1
    continue
  fi
  dlls=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print $3}')
  [ -n "$dlls" ] || { echo "check-imports: $exe: no import table found" >&2; status=1; continue; }
  bad=()
  for dll in $dlls; do is_allowed "$dll" || bad+=("$dll"); done
  echo "$(basename "$exe") ($machine): imports" $dlls
  if [ ${#bad[@]} -gt 0 ]; then
    echo "check-imports: $exe needs DLLs outside the system's: ${bad[*]}" >&2
    status=1
  fi
done
exit $status
