#!/usr/bin/env bash
# Builds the program, makes the demo database on first use and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
home="${YJGL_HOME:-$PWD/demo}"
if [ ! -f "$home/hospital.db" ]; then
    ./build/bin/yjgl-admin init-demo "$home"
fi
ln -sfn "$PWD/resources/LBReg" "$(dirname "$home")/LBReg" 2>/dev/null || true
# The calendar's embedded browser (Chromium) refuses to run as root with its sandbox on.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
YJGL_HOME="$home" exec ./build/bin/yjgl "$@"
