#!/usr/bin/env bash
# Builds in release mode with the benchmarks and runs them all.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}" libpixman-1-dev
build="${KESTU_BUILD_DIR:-$root/build/release}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTU_BENCH=ON -DKESTU_TESTS=OFF
cmake --build "$build" -j "$(nproc)"
status=0
for exe in "$build"/bench/bench_*; do
  [ -x "$exe" ] || continue
  echo "== $(basename "$exe")"
  "$exe" "$@" || status=1
done
exit $status
