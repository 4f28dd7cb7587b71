#!/usr/bin/env bash
# Builds the Debian package build/package/parlet_*.deb (or in BUILD_DIR): a
# release build with Debian's hardening flags (dpkg-buildflags: stack
# protector, FORTIFY, full RELRO with BIND_NOW, PIE) of only the programs and
# files the package ships, then cpack.
#
# usage: build-package.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$here/build/package}" && cd "${1:-$here/build/package}" && pwd)

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLET_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null
# What the package holds, nothing else (no screenshot program, no benchmarks).
# The build's progress on stderr: stdout names the package alone.
cmake --build "$build" -j "${JOBS:-2}" \
  --target parlet parlet-ffsk parlet_catalogues parlet_man_pages parlet_package_docs >&2
rm -f "$build"/parlet_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/parlet_*.deb
