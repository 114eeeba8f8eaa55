#!/usr/bin/env bash
# The engine on the SDL backend in real time, full screen on a private Xvfb, for a while:
# resident memory sampled every 10 s, and frame pacing from the engine's record of presents
# (PICTOVA_PRESENT_LOG): the intervals between presented transition frames against the frame
# period (Delay + 1) x 10 ms, as median and 99th percentile.
#
#   scripts/sdl-soak.sh --saver ENGINE --builder PICTOVA-BUILD --pictures PICTOVA-DEMO-PICTURES
#                       [--size 1920x1080] [--seconds 600] [--delay 0] [--out DIR]
#
# The show: 123 pictures (the demo pictures again and again, scaled to the screen where
# ImageMagick is installed), every style once in order, all at the one Delay given, the
# shortest pause but one (0.7 s, so that pauses and frames cannot be confused: intervals of
# 400 ms and more count as pauses, and the pause's own presents are left out with them).
set -euo pipefail

saver="" builder="" pictures="" size=1920x1080 seconds=600 delay=0 out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --saver) saver=$2; shift 2 ;;
    --builder) builder=$2; shift 2 ;;
    --pictures) pictures=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --delay) delay=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "sdl-soak: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$saver" ] || [ -z "$builder" ] || [ -z "$pictures" ]; then
  echo "sdl-soak: --saver, --builder and --pictures are needed" >&2
  exit 2
fi
command -v Xvfb >/dev/null || { echo "sdl-soak: needs Xvfb" >&2; exit 2; }
out=${out:-$(mktemp -d /tmp/pictova-sdl-soak.XXXXXX)}
mkdir -p "$out/pictures"
width=${size%x*} height=${size#*x}

"$pictures" "$out/demo" >/dev/null
if command -v convert >/dev/null; then
  for f in "$out"/demo/*; do
    convert "$f" -resize "${width}x${height}!" -quality 90 "$out/pictures/$(basename "${f%.*}").jpg"
  done
else
  cp "$out"/demo/* "$out/pictures/"
fi
mapfile -t files < <(ls "$out"/pictures/*)
args=()
for ((i = 0; i < 123; ++i)); do args+=("${files[i % ${#files[@]}]}:delay=$delay"); done
"$builder" -o "$out/show" --engine "$saver" --title SoakShow --interval 1 --styles all "${args[@]}" >/dev/null

display=:$((100 + RANDOM % 400))
Xvfb "$display" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

DISPLAY=$display PICTOVA_BACKEND=sdl PICTOVA_PRESENT_LOG="$out/presents.log" "$out/show" /s 2>"$out/stderr.log" &
engine=$!
: >"$out/rss.log"
end=$((SECONDS + seconds))
while [ $SECONDS -lt $end ] && kill -0 $engine 2>/dev/null; do
  # Seconds since boot (the clock of the present log, in microseconds there) and VmRSS in kB.
  echo "$(cut -d' ' -f1 /proc/uptime) $(awk '/^VmRSS/ {print $2}' /proc/$engine/status)" >>"$out/rss.log"
  sleep 10
done
status=0
if kill -0 $engine 2>/dev/null; then
  kill -TERM $engine
  wait $engine || status=$?
else
  wait $engine || status=$?
  echo "sdl-soak: the engine ended by itself before the time was up (status $status)" >&2
  status=1
fi

python3 - "$out" "$delay" "$size" <<'PY'
import statistics, sys
out, delay, size = sys.argv[1], int(sys.argv[2]), sys.argv[3]
period = (delay + 1) * 10.0
times = [int(l.split()[0]) / 1000.0 for l in open(out + "/presents.log") if l.strip()]
gaps = [b - a for a, b in zip(times, times[1:])]
frames = [g for g in gaps if g < 400]
pauses = len(gaps) - len(frames)
def pct(v, p):
    v = sorted(v)
    return v[min(len(v) - 1, int(round(p / 100.0 * (len(v) - 1))))]
print(f"screen {size}x24, Delay {delay}: frame period {period:.0f} ms")
print(f"presents {len(times)}, transitions seen {pauses + 1}, frame intervals {len(frames)}")
if frames:
    print(f"frame interval median {statistics.median(frames):.2f} ms, 99th percentile {pct(frames, 99):.2f} ms,"
          f" worst {max(frames):.2f} ms; median {statistics.median(frames) / period:.2f} x the period")
# Resident memory: the first cycle is the first 123 transitions (every style once).
rss = [(float(a), int(b)) for a, b in (l.split() for l in open(out + "/rss.log") if len(l.split()) == 2)]
starts = [times[0]] + [b for a, b in zip(times, times[1:]) if b - a >= 400]
cycle_end = starts[123] / 1000.0 if len(starts) > 123 else None
if rss:
    print(f"RSS samples {len(rss)}: first {rss[0][1] / 1024:.1f} MiB, last {rss[-1][1] / 1024:.1f} MiB,"
          f" highest {max(r for _, r in rss) / 1024:.1f} MiB")
    if cycle_end is not None:
        first = [r for t, r in rss if t <= cycle_end]
        later = [r for t, r in rss if t > cycle_end]
        if first and later:
            print(f"after the first cycle ({len(later)} samples): {min(later) / 1024:.1f} to {max(later) / 1024:.1f} MiB;"
                  f" highest in the first cycle {max(first) / 1024:.1f} MiB")
    else:
        print("the first cycle of 123 transitions did not end within the run")
PY
echo "sdl-soak: logs in $out"
exit $status
