#!/usr/bin/env bash
# End to end on Wine: a show with a 3 s 440 Hz tone as its music, built around the Windows
# engine, plays under Wine into the PulseAudio null sink of scripts/wine-headless.sh, which is
# recorded. Checks: the recording holds the tone (strongest frequency within 2 Hz of 440),
# 3 s long (+-200 ms: under load Wine's output sometimes loses about 150 ms where the stream
# starts; 2.99 s is the usual figure), at 5 dB below the file's level, without a gap; a key then ends the show
# with exit status 0. (Wine 8 takes about 4 s to end any program of ours after its window
# closed, music or not, so the bound on that is 8 s.)
#
#   scripts/wine-sound-e2e.sh --saver pictova-saver.scr --builder pictova-build [--arch win32|win64]
#                             [--keep DIR]
# --arch names the Wine prefix to run in (win32 by default; win64 for pictova-saver64.scr).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
saver="" builder="" keep="" arch=win32
while [ $# -gt 0 ]; do
  case $1 in
    --saver) saver=$2; shift 2 ;;
    --builder) builder=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    *) echo "usage: $0 --saver SCR --builder TOOL [--arch win32|win64] [--keep DIR]" >&2; exit 2 ;;
  esac
done
[ -n "$saver" ] && [ -n "$builder" ] || { echo "usage: $0 --saver SCR --builder TOOL [--arch win32|win64] [--keep DIR]" >&2; exit 2; }
# Every call of the headless helper below, and the loader it exports, are of this width.
export PICTOVA_WINE_ARCH=$arch
saver=$(realpath "$saver")
builder=$(realpath "$builder")

work=${keep:-$(mktemp -d)}
mkdir -p "$work"
cleanup() { [ -n "$keep" ] || rm -rf "$work"; }
trap cleanup EXIT
cd "$work"

started=0
if ! "$here/wine-headless.sh" env | grep -q PULSE_SERVER; then
  "$here/wine-headless.sh" start --display >/dev/null 2>&1 </dev/null
  started=1
fi
stop() { [ $started -eq 0 ] || "$here/wine-headless.sh" stop >/dev/null 2>&1 || true; cleanup; }
trap stop EXIT

sox -n -r 44100 -c 2 -b 16 tone.wav synth 3 sine 440 vol 0.5
convert -size 64x48 xc:gray picture.png
"$builder" -o show.scr --engine "$saver" --title MusicShow --music tone.wav --interval 0 picture.png >/dev/null

cat > play.sh <<'PLAY'
#!/bin/sh
PULSE_LATENCY_MSEC=60 "$PICTOVA_WINE" show.scr /s > wine.log 2>&1 &
pid=$!
sleep 6
xdotool search --name MusicShow windowfocus key a 2>/dev/null
t0=$(date +%s%N)
wait $pid
echo "$? $(( ($(date +%s%N) - t0) / 1000000 ))" > exit.txt
PLAY
chmod +x play.sh
# One run recorded and measured. Wine's audio path (wineserver, winepulse, the null sink) can
# drop a few milliseconds when the machine is busy, as it does with any program; a fault of
# ours repeats, so a failed run is tried once more before the test fails.
attempt() {
"$here/wine-headless.sh" record out.wav -- ./play.sh </dev/null >/dev/null 2>&1 || true

python3 - <<'PY'
import math, struct, sys, wave
status, ms = open("exit.txt").read().split()
w = wave.open("out.wav")
rate = w.getframerate()
d = w.readframes(w.getnframes())
s = struct.unpack("<%dh" % (len(d) // 2), d)[0::w.getnchannels()]
loud = [i for i, x in enumerate(s) if abs(x) >= 64]
fail = []
if not loud:
    fail.append("no sound recorded")
else:
    first, last = loud[0], loud[-1]
    length = (last - first) / rate
    peak = max(abs(x) for x in s[first:last]) / 16383.0
    gap = run = 0
    for x in s[first:last]:
        run = run + 1 if abs(x) < 8 else 0
        gap = max(gap, run)
    n = rate // 2
    seg = s[first + (last - first - n) // 2:][:n]
    best, hz = -1, 0
    f = 430.0
    while f <= 450.0:
        c = 2 * math.cos(2 * math.pi * f / rate); a = b = 0.0
        for x in seg:
            a, b = x + c * a - b, a
        p = a * a + b * b - c * a * b
        if p > best: best, hz = p, f
        f += 0.25
    print("tone %.2f Hz, %.3f s, level %.3f (want %.3f), longest gap %d samples, exit %s after %s ms"
          % (hz, length, peak, 10 ** (-500 / 2000), gap, status, ms))
    if abs(hz - 440) > 2: fail.append("frequency")
    if abs(length - 3.0) > 0.2: fail.append("length")
    if abs(peak - 10 ** (-500 / 2000)) > 0.01: fail.append("level")
    if gap > 4: fail.append("dropout")
if status != "0" or int(ms) > 8000: fail.append("exit")
if fail:
    print("wine-sound-e2e: FAILED:", ", ".join(fail)); sys.exit(1)
print("wine-sound-e2e: passed")
PY
}

if ! attempt; then
  echo "wine-sound-e2e: trying once more"
  attempt
fi
