#!/usr/bin/env bash
# Builds the Debian package from the build in ./build (configured here when missing) and
# prints the package's path:
#   bash scripts/package.sh [BUILD_DIR]     → BUILD_DIR/package/yjgl_VERSION_ARCH.deb
# Only the two programs, the manual pages and the user's manual are built; the tests are not.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    bash scripts/install-deps.sh >&2
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
cmake --build "$build" --target yjgl yjgl-admin yjgl_package_files yjgl_manual >&2
rm -f "$build"/package/yjgl_*.deb
(cd "$build" && cpack -G DEB --config CPackConfig.cmake) >&2
ls "$build"/package/yjgl_*.deb
