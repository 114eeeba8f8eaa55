#!/usr/bin/env bash
# Cross-builds the Windows builds' libraries as static mingw-w64 libraries into a cached prefix
# per processor: zlib, libpng and libjpeg-turbo from Debian's source packages, GoogleTest from
# the sources Debian's googletest package installs. A prefix is keyed by the package versions,
# the compiler and this recipe, so a later run with the same key reuses it at once.
#
#   scripts/win32-deps.sh [--arch i686|x86_64]   build or reuse the prefix of that processor
#                                                (i686 by default); build/win32-prefix (i686)
#                                                or build/win64-prefix (x86-64) points at it
#   scripts/win32-deps.sh --enable-sources       add Debian's deb-src index to apt; prints
#                                                "changed" when apt needs an update afterwards
#
# PICTOVA_CACHE (default ~/.cache/pictova) holds the prefixes (win32-prefix-KEY for i686,
# win64-prefix-KEY for x86-64); PICTOVA_JOBS (default 2) the build parallelism.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${PICTOVA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pictova}
jobs=${PICTOVA_JOBS:-2}
sources=(zlib libpng1.6 libjpeg-turbo)

die() { echo "win32-deps: $*" >&2; exit 1; }
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# Adds deb-src entries mirroring the machine's deb entries (deb822 file, or the one-line list).
# Only the main archive's: the security archive's source pool is not reachable through the
# package mirror our machines use, and the main archive's point releases carry its fixes.
enable_sources() {
  local list=/etc/apt/sources.list.d/pictova-deb-src
  local changed=0
  if [ ! -e "$list.sources" ] && [ ! -e "$list.list" ]; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      awk 'BEGIN { RS = ""; ORS = "\n\n" } !/debian-security/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' \
        /etc/apt/sources.list.d/debian.sources | $sudo tee "$list.sources" >/dev/null
    elif [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list; then
      grep -E '^deb ' /etc/apt/sources.list | grep -v debian-security | sed 's/^deb /deb-src /' |
        $sudo tee "$list.list" >/dev/null
    else
      die "no Debian apt sources found to derive deb-src entries from"
    fi
    changed=1
  fi
  # The entry alone is not enough: apt needs the source index downloaded once.
  if ! compgen -G "/var/lib/apt/lists/*_source_Sources*" >/dev/null; then changed=1; fi
  [ $changed -eq 1 ] && echo changed
  return 0
}

arch=i686
case "${1:-}" in
  --enable-sources)
    enable_sources
    exit 0
    ;;
  --arch)
    arch=${2:-}
    ;;
  "") ;;
  *) die "usage: $0 [--arch i686|x86_64] | --enable-sources" ;;
esac
# The prefix's name (win32, win64) is also the Wine prefix's and the CMake preset's.
case "$arch" in
  i686) triple=i686-w64-mingw32 flavour=win32 compiler_package=g++-mingw-w64-i686-posix ;;
  x86_64) triple=x86_64-w64-mingw32 flavour=win64 compiler_package=g++-mingw-w64-x86-64-posix ;;
  *) die "unknown processor '$arch' (i686 or x86_64)" ;;
esac
toolchain=$root/cmake/mingw-$arch.cmake

command -v $triple-g++-posix >/dev/null || die "$triple-g++-posix missing: run scripts/bootstrap-win32.sh"
command -v dpkg-source >/dev/null || die "dpkg-source missing (dpkg-dev): run scripts/bootstrap-win32.sh"
[ -f /usr/src/googletest/CMakeLists.txt ] || die "/usr/src/googletest missing (googletest package)"

if [ -n "$(enable_sources)" ]; then
  $sudo apt-get update -qq || die "apt-get update failed"
fi

# The .dsc files that `apt-get source` would fetch name the exact source versions.
key_text=$(apt-get source --print-uris -qq "${sources[@]}" 2>/dev/null | awk '$2 ~ /\.dsc$/ {print $2}')
for s in "${sources[@]}"; do
  grep -q "^${s}_" <<<"$key_text" ||
    die "apt-get cannot find the source package $s (deb-src enabled? apt-get update?)"
done
key_text+=$'\n'
key_text+="googletest $(dpkg-query -W -f='${Version}' googletest)"$'\n'
key_text+="gcc $($triple-gcc-posix -dumpfullversion) $(dpkg-query -W -f='${Version}' $compiler_package)"$'\n'
key_text+="nasm $(dpkg-query -W -f='${Version}' nasm 2>/dev/null || echo none)"$'\n'
key_text+="recipe $(cat "$0" "$toolchain" "$root/cmake/mingw-common.cmake" | sha1sum | cut -c1-12)"$'\n'
key=$(printf '%s' "$key_text" | sha1sum | cut -c1-12)
prefix=$cache/$flavour-prefix-$key

link_prefix() {
  mkdir -p "$root/build"
  ln -sfn "$prefix" "$root/build/$flavour-prefix"
  touch "$prefix"  # marks it as in use for the clean-up below
}

# One build at a time per cache (several worktrees may share it).
mkdir -p "$cache"
exec 9>"$cache/$flavour-deps.lock"
flock 9

if [ -f "$prefix/.complete" ]; then
  link_prefix
  exit 0
fi

echo "win32-deps: building zlib, libpng, libjpeg-turbo and GoogleTest for $triple into $prefix"
work=$(mktemp -d "$cache/$flavour-work.XXXXXX")
stage=$prefix.partial
rm -rf "$stage"
mkdir -p "$stage/include" "$stage/lib" "$work/logs"
trap 'rm -rf "$work"' EXIT

# Runs one step with its output in a log; on failure shows the end of the log and stops.
step() {
  local name=$1
  shift
  if ! "$@" >>"$work/logs/$name.log" 2>&1; then
    echo "win32-deps: step '$name' failed: $*" >&2
    tail -n 40 "$work/logs/$name.log" >&2
    exit 1
  fi
}

cmake_build() {  # name source-dir target [cmake args...]
  local name=$1 src=$2 target=$3
  shift 3
  step "$name" cmake -S "$src" -B "$work/build-$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DPICTOVA_WIN32_PREFIX="$stage" -DCMAKE_INSTALL_PREFIX="$stage" "$@"
  step "$name" cmake --build "$work/build-$name" -j "$jobs" --target "$target"
}

cd "$work"
step fetch apt-get source -qq "${sources[@]}"
srcdir() { find "$work" -maxdepth 1 -type d -name "$1-*" | head -1; }

# zlib: the library is its fifteen C files (Debian's source has no Windows makefile).
z=$(srcdir zlib)
[ -n "$z" ] || die "zlib sources not unpacked"
zfiles="adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate
  inftrees trees uncompr zutil"
mkdir -p "$work/build-zlib"
# shellcheck disable=SC2086
step zlib sh -c 'printf "%s\n" $1 | xargs -P "$2" -I{} $3 -O2 -D_LARGEFILE64_SOURCE=1 -c "$4/{}.c" -o "$5/{}.o"' \
  sh "$zfiles" "$jobs" "$triple-gcc-posix" "$z" "$work/build-zlib"
step zlib $triple-ar rcs "$stage/lib/libz.a" "$work/build-zlib"/*.o
cp "$z/zlib.h" "$z/zconf.h" "$stage/include/"

# libpng: the static library only, against the zlib above.
p=$(srcdir libpng1.6)
[ -n "$p" ] || die "libpng sources not unpacked"
cmake_build png "$p" png_static -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DZLIB_LIBRARY="$stage/lib/libz.a" -DZLIB_INCLUDE_DIR="$stage/include"
cp "$work/build-png"/libpng16*.a "$stage/lib/libpng16.a"
cp "$p/png.h" "$p/pngconf.h" "$work/build-png/pnglibconf.h" "$stage/include/"

# libjpeg-turbo: the libjpeg 6.2 interface as a static library, with its x86 or x86-64 SIMD code.
j=$(srcdir libjpeg-turbo)
[ -n "$j" ] || die "libjpeg-turbo sources not unpacked"
cmake_build jpeg "$j" jpeg-static -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
cp "$work/build-jpeg/libjpeg.a" "$stage/lib/"
cp "$j/jpeglib.h" "$j/jerror.h" "$j/jmorecfg.h" "$work/build-jpeg/jconfig.h" "$stage/include/"

# GoogleTest and GoogleMock, installed with their CMake package files.
cmake_build gtest /usr/src/googletest all -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
  -DBUILD_SHARED_LIBS=OFF
step gtest cmake --install "$work/build-gtest"

printf '%s' "$key_text" >"$stage/.complete"
rm -rf "$prefix"
mv "$stage" "$prefix"
link_prefix
# Prefixes of other versions or recipes that no checkout used for two weeks.
find "$cache" -maxdepth 1 -name "$flavour-prefix-*" ! -name "$flavour-prefix-$key" -mtime +14 \
  -exec rm -rf {} +
echo "win32-deps: done ($triple)"
