#!/usr/bin/env bash
# Builds the engine and its sample clients in release mode and runs the demo,
# which writes out/demo.png (and out/demo.ini, out/demo.log) under the
# repository root. Installs what is missing first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}"

build="${KESTU_BUILD_DIR:-$root/build/release}"
jobs="${KESTU_JOBS:-$(nproc)}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTU_TESTS=OFF -DKESTU_SAMPLES=ON
cmake --build "$build" -j "$jobs" --target demo
cd "$root"
"$build/samples/demo"
