#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need. Safe to run again:
# when everything is already there it changes nothing.
set -euo pipefail

packages=(
  cmake
  g++
  make
  pkg-config
  libgtest-dev
  libbenchmark-dev
  libsndfile1-dev
  clang-19
  libclang-rt-19-dev
  dpf-source
  libepoxy-dev
  libgl-dev
  libx11-dev
  libxkbcommon-dev
  libpng-dev
  libcairo2-dev
  # Vector code with run-time dispatch for the chain's block passes (headers only).
  libhwy-dev
  libgl1-mesa-dri
  xvfb
  xauth
  # The LV2 bundle (headers, schemas, lv2_validate and the sordi it needs) and the real hosts it is
  # tested in; python3 makes and compares their audio files.
  lv2-dev
  sordi
  liblilv-dev
  lilv-utils
  jalv
  jackd2
  ardour
  python3
  # The peer compressors the speed harness measures Quorvane against.
  lsp-plugins-lv2
  # The Windows build: mingw-w64's compilers with POSIX threads (std::thread, std::mutex), windres, the
  # GoogleTest sources to compile for it, and Wine to run its tests.
  g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
  googletest
  wine64
  # Driving and looking at the hosts' windows under Xvfb.
  xdotool
  x11-utils
  x11-apps
  imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
