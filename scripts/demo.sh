#!/usr/bin/env bash
# Builds the engine and its sample clients in release mode and runs them: the
# 3D demo writes out/demo.png (and out/demo.ini, out/demo.log), the 2D demo
# out/demo2d.png, the terrain sample out/terrain.png, under the repository root. Installs what is missing first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}"

build="${KESTU_BUILD_DIR:-$root/build/release}"
jobs="${KESTU_JOBS:-$(nproc)}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTU_TESTS=OFF -DKESTU_SAMPLES=ON
cmake --build "$build" -j "$jobs" --target demo demo2d terrain
cd "$root"
"$build/samples/demo"
"$build/samples/demo2d"
"$build/samples/terrain"
