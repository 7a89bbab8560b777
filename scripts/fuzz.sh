#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a while on a
# copy of its seed corpus: scripts/fuzz.sh [seconds per target, default 60].
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}" clang
seconds="${1:-60}"
build="${KESTU_FUZZ_BUILD_DIR:-$root/build/fuzz}"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DKESTU_SANITIZE=ON -DKESTU_LIBFUZZER=ON -DKESTU_SAMPLES=OFF
targets=$(cd "$build" && ninja -t targets all | grep -oE '^fuzz_[a-z0-9_]+:' | grep -v '^fuzz_replay_' | tr -d ':' | sort -u)
cmake --build "$build" -j "$(nproc)" --target $targets
status=0
for t in $targets; do
  name=${t#fuzz_}
  work="$build/fuzz-work/$name"
  mkdir -p "$work"
  cp -n "$root/fuzz/corpus/$name/"* "$work/" 2>/dev/null || true
  echo "== $t"
  ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/$t" -max_total_time="$seconds" "$work" || status=1
done
exit $status
