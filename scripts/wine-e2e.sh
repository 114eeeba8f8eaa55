#!/usr/bin/env bash
# End to end on Wine: a show made by the builder around the Windows engine plays on a virtual
# screen, and a key press ends it.
#
#   scripts/wine-e2e.sh --saver pictova-saver.scr --builder pictova-build [--arch win32|win64]
#                       [--keep DIR]
#
# --arch names the Wine prefix to run in (win32 by default; win64 for pictova-saver64.scr).
# --builder is the host's builder (it copies the engine and appends the pictures, whatever the
# engine's platform). The show has two plain pictures, all red then all blue, both cross-fades
# (style 118): the red one fades in fast, stays for the pause between pictures (3.1 s), then
# the blue one fades in slowly (100 steps of 80 ms, about 8 s). The checks, each polled on
# screenshots rather than timed:
#   1. the screen shows the red picture;
#   2. later it shows a red/blue mix that is neither picture (the fade in progress);
#   3. a character key typed into the show's window ends the program with exit status 0;
#   4. the program wrote nothing to stderr but Wine's own diagnostics.
# Uses the session of scripts/wine-headless.sh for that width: one with a display is reused,
# otherwise one is started here and stopped at the end. --keep DIR keeps the show, the screenshots and the logs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
headless=$here/wine-headless.sh

saver="" builder="" keep="" arch=win32
while [ $# -gt 0 ]; do
  case "$1" in
    --saver) saver=$2; shift 2 ;;
    --builder) builder=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    *) echo "usage: $0 --saver PROG.scr --builder pictova-build [--arch win32|win64] [--keep DIR]" >&2; exit 2 ;;
  esac
done
[ -f "$saver" ] || { echo "wine-e2e: the engine '$saver' does not exist" >&2; exit 2; }
[ -x "$builder" ] || { echo "wine-e2e: the builder '$builder' does not exist (build the linux preset first)" >&2; exit 2; }
for tool in convert xdotool; do
  command -v $tool >/dev/null || { echo "wine-e2e: $tool is missing (scripts/bootstrap-win32.sh installs it)" >&2; exit 2; }
done

if [ -n "$keep" ]; then
  work=$keep
  rm -rf "$work"
  mkdir -p "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/pictova-e2e.XXXXXX")
fi
title="Pictova end-to-end $$"
pid=""
started=0
run=${PICTOVA_WINE_RUN:-/tmp/pictova-wine-$(id -u)}

cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  if [ $started = 1 ]; then "$headless" --arch "$arch" stop || true; fi
  if [ -z "$keep" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  echo "wine-e2e: $*" >&2
  [ -s "$work/stderr.txt" ] && { echo "--- the program's stderr:" >&2; cat "$work/stderr.txt" >&2; }
  exit 1
}

# ---- the show ----
convert -size 640x480 xc:'#FF0000' PNG24:"$work/red.png"
convert -size 640x480 xc:'#0000FF' PNG24:"$work/blue.png"
"$builder" -o "$work/show.scr" --engine "$saver" --title "$title" --interval 5 \
  "$work/red.png:style=118,delay=0" "$work/blue.png:style=118,delay=7" >"$work/build.log" 2>&1 \
  || { cat "$work/build.log" >&2; fail "the builder failed"; }

# ---- the session ----
if [ "$(cat "$run/warm-$arch" 2>/dev/null)" != display ]; then
  started=1
  "$headless" --arch "$arch" start --display >/dev/null
fi
eval "$("$headless" --arch "$arch" env)"
[ -n "${DISPLAY:-}" ] || fail "the Wine session has no display"
unset PICTOVA_SHOW PICTOVA_BACKEND

# ---- screen checks ----
# The pictures are 640x480 at the top left of the maximised window's client area; these points
# lie inside them whatever the caption and frame take.
points=("120 160" "320 280" "560 420")

# "R G B" of the screenshot's pixel at X Y.
pixel() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- | sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# Whether every point of the screenshot is in the class: red or blue (the picture itself, its
# fade-in complete: one step of the fade is 2.5 levels) or mix (a cross-fade of the two well
# under way: no green, red and blue both well away from 0 and 255, together about 255).
all_points() {
  local shot=$1 class=$2 p x y r g b
  for p in "${points[@]}"; do
    read -r x y <<<"$p"
    read -r r g b <<<"$(pixel "$shot" "$x" "$y")"
    [ -n "$b" ] || return 1
    case "$class" in
      red) [ "$r" -ge 253 ] && [ "$g" -le 2 ] && [ "$b" -le 2 ] || return 1 ;;
      blue) [ "$r" -le 2 ] && [ "$g" -le 2 ] && [ "$b" -ge 253 ] || return 1 ;;
      mix) [ "$g" -le 20 ] && [ "$r" -ge 60 ] && [ "$r" -le 195 ] && [ "$b" -ge 60 ] && [ "$b" -le 195 ] &&
        [ $((r + b)) -ge 225 ] && [ $((r + b)) -le 285 ] || return 1 ;;
    esac
  done
}

describe() {
  local p x y out=""
  for p in "${points[@]}"; do
    read -r x y <<<"$p"
    out+=" ($x,$y)=$(pixel "$1" "$x" "$y" | tr ' ' ,)"
  done
  echo "$out"
}

# Polls screenshots until every point is in the class; the matching one is kept as NAME.png.
await_screen() {
  local class=$1 name=$2 limit=$3 deadline=$((SECONDS + $3)) shot="$work/poll.png"
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for the $class screen"
    "$headless" shot "$shot"
    if all_points "$shot" "$class"; then
      mv "$shot" "$work/$name.png"
      echo "wine-e2e: $class screen after $((SECONDS - t0)) s:$(describe "$work/$name.png")"
      return 0
    fi
  done
  fail "no $class screen within $limit s; the last screenshot:$(describe "$shot")"
}

# ---- the run ----
t0=$SECONDS
cd "$work"
"$PICTOVA_WINE" "$work/show.scr" /s >"$work/stdout.txt" 2>"$work/stderr.txt" &
pid=$!

await_screen red first-picture 30
await_screen mix transition 20

# The show's window by its caption; the key goes to it once it has the focus.
win=""
for _ in $(seq 50); do
  win=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1) && [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "no window titled '$title'"
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win" || true
xdotool key --clearmodifiers q

rc=""
for _ in $(seq 150); do
  kill -0 "$pid" 2>/dev/null || { set +e; wait "$pid"; rc=$?; set -e; break; }
  sleep 0.1
done
[ -n "$rc" ] || fail "the program still runs 15 s after the key press"
pid=""
[ "$rc" -eq 0 ] || fail "the program ended with exit status $rc"
echo "wine-e2e: the key ended the program after $((SECONDS - t0)) s, exit status 0"

# Wine's own diagnostics: "NNNN:fixme:channel:..." style debug lines (with or without the
# thread id), and the loader's "wine: ..." messages. Anything else came from the program.
noise='^([0-9a-f]{4}:)?(fixme|err|warn|trace):|^wine: |^Wine '
if grep -Evq "$noise" "$work/stderr.txt"; then
  echo "--- lines that are not Wine's:" >&2
  grep -Ev "$noise" "$work/stderr.txt" >&2
  fail "the program wrote to stderr"
fi
echo "wine-e2e: stderr holds $(wc -l <"$work/stderr.txt") line(s), all Wine's own"
