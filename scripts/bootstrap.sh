#!/usr/bin/env bash
# Installs the Debian packages the Linux build, tests and benchmarks need, only those missing.
# "bootstrap.sh fuzz" also installs clang and its libFuzzer runtime for ./run fuzz.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  googletest libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libturbojpeg0-dev libswscale-dev libheif-dev libwebp-dev
  libfreetype-dev fonts-liberation
  libsdl2-dev libx11-dev libsndfile1-dev
  xvfb xauth
  xdotool x11-apps imagemagick  # the SDL end-to-end test types and reads the screen
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
