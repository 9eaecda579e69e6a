#!/usr/bin/env bash
# Configures and builds into ./build (Release with debug information). YJGL_WERROR=ON in the
# environment (CI sets it) turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DYJGL_WERROR="${YJGL_WERROR:-OFF}"
cmake --build build -j "$(nproc)"
