#!/usr/bin/env bash
# Installs what the Windows builds and their Wine test runs need on Debian 12, only what is
# missing: the i686 and x86-64 mingw-w64 toolchains, the tools to fetch and build Debian's source
# packages, the 32-bit and the 64-bit Wine stacks with Wine's own fonts (MS Sans Serif), Xvfb and
# a PulseAudio sink for the headless runs (xdotool types into the show in the end-to-end run).
# The i386 packages install on every amd64 machine, also where the kernel cannot run 32-bit
# programs: only the i686 test runs need that (./run win32-test checks it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  cmake ninja-build googletest
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 dpkg-dev nasm
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 libpulse0:i386 fonts-wine fonts-liberation
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  wine64 libpulse0:amd64 gstreamer1.0-plugins-base:amd64 gstreamer1.0-plugins-good:amd64
  xvfb xauth x11-utils x11-apps imagemagick xdotool
  pulseaudio pulseaudio-utils sox libsox-fmt-mp3
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi
# The dependency build fetches Debian's source packages: enable their index next to the
# binary one, so that one update serves both.
[ -n "$("$here/win32-deps.sh" --enable-sources)" ] && need_update=1

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && [ $need_update -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
echo "bootstrap-win32: installing ${missing[*]}"
log=$(mktemp)
if ! $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  rm -f "$log"
  echo "bootstrap-win32: apt-get install failed" >&2
  exit 1
fi
rm -f "$log"
