#!/usr/bin/env bash
# End to end on the SDL backend: a show plays on a private Xvfb display and a Ctrl+letter
# press ends it with exit status 0, as any character key does.
#
#   scripts/sdl-key-e2e.sh --saver pictova-saver --builder pictova-build [--key ctrl+c] [--keep DIR]
#
# The show's one picture is ImageMagick's plain red 640x480 PNG, which ImageMagick stores as a
# 1-bit palette image with red as its only colour: before the key, the screen must show it
# red (not black or white).
set -euo pipefail

saver="" builder="" keep="" key="ctrl+c"
while [ $# -gt 0 ]; do
  case "$1" in
    --saver) saver=$2; shift 2 ;;
    --builder) builder=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    *) echo "usage: $0 --saver pictova-saver --builder pictova-build [--key K] [--keep DIR]" >&2; exit 2 ;;
  esac
done
[ -x "$saver" ] || { echo "sdl-key-e2e: the engine '$saver' does not exist" >&2; exit 2; }
[ -x "$builder" ] || { echo "sdl-key-e2e: the builder '$builder' does not exist" >&2; exit 2; }
for tool in Xvfb xdotool xwd convert; do
  command -v $tool >/dev/null || { echo "sdl-key-e2e: $tool is missing" >&2; exit 2; }
done

if [ -n "$keep" ]; then
  work=$keep
  rm -rf "$work"
  mkdir -p "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/pictova-sdl-e2e.XXXXXX")
fi
title="Pictova SDL key $$"
pid="" xpid=""

cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null || true; wait "$xpid" 2>/dev/null || true; fi
  if [ -z "$keep" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  echo "sdl-key-e2e: $*" >&2
  [ -s "$work/stderr.txt" ] && { echo "--- the program's stderr:" >&2; cat "$work/stderr.txt" >&2; }
  exit 1
}

# ---- the show ----
convert -size 640x480 xc:red "$work/red.png"
echo "sdl-key-e2e: red.png is $(identify -format '%[png:IHDR.bit-depth-orig]-bit %[png:IHDR.color-type-orig]' "$work/red.png" 2>/dev/null || echo '?')"
"$builder" -o "$work/show" --engine "$saver" --title "$title" --interval 5 \
  "$work/red.png:style=0" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "the builder failed"; }

# ---- a display of our own: Xvfb picks a free number and tells it through a pipe ----
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>"$work/xvfb.log")
xpid=$!
read -r -t 20 number <&3 || fail "Xvfb did not start"
export DISPLAY=:$number
unset PICTOVA_SHOW WAYLAND_DISPLAY
export PICTOVA_BACKEND=sdl SDL_AUDIODRIVER=dummy

# ---- the run ----
"$work/show" /s >"$work/stdout.txt" 2>"$work/stderr.txt" &
pid=$!

win=""
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
  win=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1) && [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "no window titled '$title'"

# The picture shows red at the top left of the full-screen window.
red=""
for _ in $(seq 50); do
  rgb=$(xwd -root -silent | convert xwd:- -crop 1x1+320+240 +repage -depth 8 txt:- |
    sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
  [ "$rgb" = "255 0 0" ] && { red=1; break; }
  sleep 0.1
done
[ -n "$red" ] || fail "the picture does not show red (the screen has '$rgb' at 320,240)"

# Without a window manager the focus is given directly; the pointer stays where it is.
xdotool windowfocus "$win" 2>/dev/null || true
sleep 0.2
xdotool key "$key"

rc=""
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || { set +e; wait "$pid"; rc=$?; set -e; break; }
  sleep 0.1
done
[ -n "$rc" ] || fail "the program still runs 10 s after $key"
pid=""
[ "$rc" -eq 0 ] || fail "the program ended with exit status $rc"
echo "sdl-key-e2e: $key ended the show, exit status 0"
