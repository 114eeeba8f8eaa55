#!/usr/bin/env bash
# Runs the Windows builds under Wine without a desktop: a quiet prefix per width kept in the
# cache between runs (32-bit for the i686 build, 64-bit for the x86-64 one, each with its own
# wineserver), and on request an Xvfb display and a PulseAudio null sink that can be recorded,
# shared by both.
#
#   scripts/wine-headless.sh [--arch A] install            the packages (bootstrap-win32.sh)
#   scripts/wine-headless.sh [--arch A] start [--display [--screen WxHxD]]
#                                                          prepare the prefix and keep its
#                                                          wineserver up; --display also starts
#                                                          Xvfb (a 1024x768x24 screen unless
#                                                          --screen names another) and PulseAudio
#   scripts/wine-headless.sh [--arch A] env                print the exports for the running
#                                                          setup ($PICTOVA_WINE: the loader)
#   scripts/wine-headless.sh [--arch A] wine PROG ARGS     run a program in that setup (the
#                                                          CMake test emulator); works without
#                                                          start, only slower
#   scripts/wine-headless.sh record OUT.wav -- CMD...      run CMD while recording the sink
#   scripts/wine-headless.sh shot OUT.png                  screenshot of the display
#   scripts/wine-headless.sh [--arch A] stop               stop only what start launched: with
#                                                          --arch that width's server (and the
#                                                          display and sound once no other width
#                                                          is up), without it everything
#
# A is win32 (the default, or $PICTOVA_WINE_ARCH) or win64. The 32-bit prefix runs through
# Debian's `wine` (32-bit Wine: the kernel must run 32-bit programs), the 64-bit one through
# /usr/lib/wine/wine64 itself, which works also where 32-bit programs cannot run.
# PICTOVA_CACHE (default ~/.cache/pictova) holds the prefixes (wine-prefix-win32,
# wine-prefix-win64); PICTOVA_WINE_RUN (default /tmp/pictova-wine-$UID) the sockets, logs and
# process ids of one session.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${PICTOVA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pictova}
run=${PICTOVA_WINE_RUN:-/tmp/pictova-wine-$(id -u)}

arch=${PICTOVA_WINE_ARCH:-win32}
arch_given=0
if [ "${1:-}" = "--arch" ]; then
  arch=${2:-}
  arch_given=1
  shift 2 || shift
fi

# The loader, the prefix and the session marker of one width.
select_arch() {
  arch=$1
  case "$arch" in
    win32) wine=wine ;;
    win64) wine=/usr/lib/wine/wine64 ;;
    *) echo "wine-headless: unknown width '$arch' (win32 or win64)" >&2; exit 2 ;;
  esac
  prefix=$cache/wine-prefix-$arch
  warm=$run/warm-$arch
}
select_arch "$arch"

alive() { [ -f "$run/$1.pid" ] && kill -0 "$(cat "$run/$1.pid")" 2>/dev/null; }

envvars() {
  cat <<EOF
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export PICTOVA_WINE=$wine
EOF
  if [ "$arch" = win32 ]; then
    echo "export WINEARCH=win32"
    echo "unset WINELOADER"
  else
    # Wine's own programs (wineboot, the services) start through the same loader.
    echo "export WINEARCH=win64"
    echo "export WINELOADER=$wine"
  fi
  if alive xvfb && [ -f "$run/display" ]; then echo "export DISPLAY=:$(cat "$run/display")"; fi
  if alive pulse; then
    cat <<EOF
export XDG_RUNTIME_DIR=$run
export PULSE_SERVER=unix:$run/pulse-native
export PULSE_LATENCY_MSEC=60
EOF
  fi
}

# A prefix made by an older Wine is rebuilt rather than upgraded in place.
# Parallel test programs may all find no prefix: one makes it while the others wait.
# The stamp names the Wine version and the layout of the prefix made by this script (bump the
# layout when prepare_prefix changes what it puts in).
prepare_prefix() {
  local version log=$run/wineboot-$arch.log
  version="$("$wine" --version) layout 2"
  mkdir -p "$cache" "$run"
  exec 9>"$prefix.lock"
  flock 9
  if [ -f "$prefix/system.reg" ] && [ "$(cat "$prefix/.pictova-wine" 2>/dev/null)" = "$version" ]; then
    exec 9>&-
    return 0
  fi
  rm -rf "$prefix"
  if ! "$wine" wineboot -i >"$log" 2>&1 || ! wineserver -w; then
    cat "$log" >&2
    echo "wine-headless: could not create the Wine prefix $prefix" >&2
    exit 1
  fi
  # Debian's Wine looks for its own fonts (MS Sans Serif, Small Fonts, Tahoma) beside a build
  # tree, not where fonts-wine installs them: the prefix's font folder gets copies. The
  # Windows core fonts are not there; Wine's replacement table names their metric-compatible
  # Liberation twins, which fonts-liberation installs.
  if [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/"
  fi
  # A crashing test prints its backtrace on the console; no dialog waits for a click.
  cat >"$run/prefix-$arch.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
REG
  "$wine" regedit /S "$("$wine" winepath -w "$run/prefix-$arch.reg" 2>>"$log")" >>"$log" 2>&1
  wineserver -w
  echo "$version" >"$prefix/.pictova-wine"
  exec 9>&-
}

# start_display [SCREEN]: SCREEN is Xvfb's WxHxD, 1024x768x24 when empty. A display already up
# is kept; asked for a size it was not started with, this stops rather than measure on the
# wrong screen.
start_display() {
  local screen=${1:-1024x768x24} running
  if alive xvfb && [ -n "${1:-}" ]; then
    running=$(cat "$run/screen" 2>/dev/null || echo 1024x768x24)
    if [ "$running" != "$screen" ]; then
      echo "wine-headless: the display runs with a $running screen, not $screen: stop it first" >&2
      exit 1
    fi
  fi
  if ! alive xvfb; then
    # Xvfb picks a free display number itself and writes it to the descriptor.
    rm -f "$run/display"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$run/display" >"$run/xvfb.log" 2>&1 &
    echo $! >"$run/xvfb.pid"
    echo "$screen" >"$run/screen"
    for _ in $(seq 100); do [ -s "$run/display" ] && break; sleep 0.1; done
    [ -s "$run/display" ] || { cat "$run/xvfb.log" >&2; echo "wine-headless: Xvfb did not start" >&2; exit 1; }
  fi
  if ! alive pulse; then
    cat >"$run/pulse.pa" <<EOF
load-module module-null-sink sink_name=ci_sink rate=44100 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$run/pulse-native
set-default-sink ci_sink
EOF
    HOME="$run" XDG_RUNTIME_DIR="$run" pulseaudio -n -F "$run/pulse.pa" --daemonize=no \
      --exit-idle-time=-1 --use-pid-file=no --disallow-exit --log-target=file:"$run/pulse.log" \
      >/dev/null 2>&1 &
    echo $! >"$run/pulse.pid"
  fi
  eval "$(envvars)"
  for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "wine-headless: the display or the sound server did not come up (logs in $run)" >&2
  exit 1
}

# Stops the wineserver of the selected width, if this session started it.
stop_server() {
  [ -f "$warm" ] || return 0
  (eval "$(envvars)"; wineserver -k 2>/dev/null || true)
  rm -f "$warm"
}

cmd=${1:-}
shift || true
case "$cmd" in
  install)
    exec "$here/bootstrap-win32.sh"
    ;;
  start)
    mkdir -p "$run"
    chmod 700 "$run"
    mode=plain
    if [ "${1:-}" = "--display" ]; then
      mode=display
      screen=""
      if [ "${2:-}" = "--screen" ]; then
        screen=${3:-}
        [[ "$screen" =~ ^[1-9][0-9]*x[1-9][0-9]*x(8|16|24|32)$ ]] ||
          { echo "wine-headless: --screen wants WIDTHxHEIGHTxDEPTH, e.g. 3840x2160x24" >&2; exit 2; }
      fi
      start_display "$screen"
    fi
    eval "$(envvars)"
    # Wine's desktop process keeps the display it started with: a server started without one
    # is restarted when a display is asked for.
    if [ "$mode" = display ] && [ -f "$warm" ] && [ "$(cat "$warm")" != display ]; then
      wineserver -k 2>/dev/null || true
      wineserver -w 2>/dev/null || true
      rm -f "$warm"
    fi
    prepare_prefix
    # A persistent server spares every test program the server's start-up; when the prefix's
    # server already runs, this exits with 2 and the running one stays.
    wineserver -p || [ $? -eq 2 ]
    # Wine's own service processes start with the first program and inherit its output
    # descriptors. Started here, they hold /dev/null, not the pipe of a test runner that
    # would otherwise wait for them to close it.
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1
    [ -f "$warm" ] || echo "$mode" >"$warm"
    envvars
    ;;
  env)
    envvars
    ;;
  wine)
    eval "$(envvars)"
    [ -f "$prefix/.pictova-wine" ] || prepare_prefix
    [ -f "$warm" ] && exec "$wine" "$@"
    # Without 'start' the service processes this program starts would keep its output open
    # after it ends (see start): let them inherit files instead, and copy those afterwards.
    mkdir -p "$run"
    out=$(mktemp "$run/out.XXXXXX")
    err=$(mktemp "$run/err.XXXXXX")
    set +e
    "$wine" "$@" >"$out" 2>"$err"
    rc=$?
    set -e
    cat "$out"
    cat "$err" >&2
    rm -f "$out" "$err"
    exit $rc
    ;;
  record)
    out=$1
    shift
    [ "${1:-}" = "--" ] && shift
    alive pulse || { echo "wine-headless: record needs 'start --display' first" >&2; exit 1; }
    eval "$(envvars)"
    parec --latency-msec=20 -d ci_sink.monitor --file-format=wav "$out" &
    rec=$!
    sleep 0.3
    set +e
    "$@"
    rc=$?
    set -e
    sleep 0.5
    kill -INT $rec
    wait $rec 2>/dev/null || true
    exit $rc
    ;;
  shot)
    alive xvfb || { echo "wine-headless: shot needs 'start --display' first" >&2; exit 1; }
    eval "$(envvars)"
    import -window root "$1"
    ;;
  stop)
    if [ $arch_given = 1 ]; then
      stop_server
    else
      for a in win32 win64; do
        select_arch $a
        stop_server
      done
    fi
    # The display and the sound server stay while the other width's session still runs.
    if ! compgen -G "$run/warm-*" >/dev/null; then
      for p in pulse xvfb; do
        if alive $p; then kill "$(cat "$run/$p.pid")" 2>/dev/null || true; fi
        rm -f "$run/$p.pid"
      done
      rm -f "$run/screen"
    fi
    ;;
  *)
    echo "usage: $0 [--arch win32|win64] install | start [--display [--screen WxHxD]] | env | wine PROG ARGS | record OUT.wav -- CMD | shot OUT.png | stop" >&2
    exit 2
    ;;
esac
