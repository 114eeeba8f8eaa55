#!/usr/bin/env bash
# The Windows engine in each screen-saver mode under Wine, run and checked by a small Windows
# program (saver-modes-probe.exe) as the system's settings dialog would: /s full screen and
# topmost until a key, /p inside the probe's preview window, /c the about box as a dialog
# (a screenshot is kept), /a returning at once.
#
#   scripts/wine-saver-modes.sh --saver pictova-saver.scr --probe saver-modes-probe.exe \
#                               --builder pictova-build [--arch win32|win64] [--keep DIR]
#
# --arch names the Wine prefix to run in (win32 by default; win64 for the x86-64 build).
#
# Uses the session of scripts/wine-headless.sh (one with a display is reused, otherwise one is
# started here and stopped at the end).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
headless="$here/wine-headless.sh"
saver="" probe="" builder="" keep="" arch=win32
while [ $# -gt 0 ]; do
  case $1 in
    --saver) saver=$2; shift 2 ;;
    --probe) probe=$2; shift 2 ;;
    --builder) builder=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    *) echo "usage: $0 --saver PROG.scr --probe PROBE.exe --builder pictova-build [--arch win32|win64] [--keep DIR]" >&2; exit 2 ;;
  esac
done
# Every call of the headless helper below, and the loader it exports, are of this width.
export PICTOVA_WINE_ARCH=$arch
for f in "$saver" "$probe" "$builder"; do
  [ -f "$f" ] || { echo "wine-saver-modes: '$f' does not exist" >&2; exit 2; }
done
if [ -n "$keep" ]; then work=$keep; rm -rf "$work"; mkdir -p "$work"
else work=$(mktemp -d "${TMPDIR:-/tmp}/pictova-modes.XXXXXX"); fi
run=${PICTOVA_WINE_RUN:-/tmp/pictova-wine-$(id -u)}
started=0 pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  if [ $started = 1 ]; then "$headless" stop || true; fi
  if [ -z "$keep" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
fail() { echo "wine-saver-modes: $*" >&2; exit 1; }

convert -size 640x480 xc:'#FF0000' PNG24:"$work/red.png"
"$builder" -o "$work/show.scr" --engine "$saver" --title "Pictova modes $$" --interval 5 \
  "$work/red.png:style=0,delay=0" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "the builder failed"; }
cp "$probe" "$work/probe.exe"

if [ "$(cat "$run/warm-$arch" 2>/dev/null)" != display ]; then
  started=1
  "$headless" start --display >/dev/null
fi
eval "$("$headless" env)"
[ -n "${DISPLAY:-}" ] || fail "the Wine session has no display"
unset PICTOVA_SHOW PICTOVA_BACKEND
cd "$work"

status=0
for mode in s p a; do
  echo "--- /$mode"
  "$PICTOVA_WINE" probe.exe show.scr $mode 2>>"$work/stderr.txt" | tr -d '\r' || status=1
done

echo "--- /c"
"$PICTOVA_WINE" probe.exe show.scr c >"$work/c.txt" 2>>"$work/stderr.txt" &
pid=$!
for _ in $(seq 300); do grep -q about-ready "$work/c.txt" 2>/dev/null && break; sleep 0.1; done
if grep -q about-ready "$work/c.txt"; then
  sleep 1
  "$headless" shot "$work/about-box.png" >/dev/null && echo "screenshot: $work/about-box.png"
fi
wait "$pid" || status=1
pid=""
tr -d '\r' <"$work/c.txt"
exit $status
