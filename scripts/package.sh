#!/usr/bin/env bash
# Builds the Debian package of Tesvanor: installs what the machine lacks, then a release build
# without tests and benchmarks in a folder of its own (default: build-package), with Debian's
# hardening flags, and CPack's DEB generator. Prints the path of tesvanor_<version>_amd64.deb
# (everything else goes to standard error). Extra arguments go to CMake's configure step.
#   sudo apt install ./build-package/tesvanor_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$top/build-package"}
shift || true
"$top/scripts/setup-deps.sh" >&2
# The flags a Debian package build uses, without debug information (the package is stripped).
# CMake does not read CPPFLAGS, so they join the compiler flags.
eval "$(cd "$top" && DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g \
        dpkg-buildflags --export=sh)"
export CFLAGS="$CPPFLAGS $CFLAGS" CXXFLAGS="$CPPFLAGS $CXXFLAGS"
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESVANOR_BUILD_TESTS=OFF \
      -DTESVANOR_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$dir" --target package >&2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
ls "$dir/tesvanor_${version}_$(dpkg --print-architecture).deb"
