#!/usr/bin/env bash
# Remakes docs/screenshots/*.png from the real windows: a fresh demo database, a sign-in
# offscreen, pictures of the login window, the department chooser and the main window. The
# user's manual (resources/manual/images) shows the same pictures.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="${1:-build}"
if [ ! -d "$build" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target yjgl-admin yjgl-screenshots -j2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The login picture is read from LBReg beside the program's folder.
mkdir -p "$work/YJ"
ln -s "$root/resources/LBReg" "$work/LBReg"
"$build/bin/yjgl-admin" init-demo "$work/YJ" >/dev/null

mkdir -p docs/screenshots
QT_QPA_PLATFORM=offscreen "$build/bin/yjgl-screenshots" --home "$work/YJ" --out "$root/docs/screenshots" "${@:2}"
mkdir -p resources/manual/images
cp docs/screenshots/login.png docs/screenshots/selectks.png docs/screenshots/mainfrm.png resources/manual/images/
