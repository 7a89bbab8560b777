#!/usr/bin/env bash
# Builds the engine with coverage and the libFuzzer targets with clang and runs
# each target for a while on a copy of its seed corpus:
# scripts/fuzz.sh [seconds per target, default 60] [target name...].
# Inputs that crash land in build/fuzz/fuzz-artifacts/<name>/; once the fault is
# fixed, copy them into fuzz/corpus/<name>/ so CTest replays them.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}" clang
seconds="${1:-60}"
shift || true
build="${KESTU_FUZZ_BUILD_DIR:-$root/build/fuzz}"
jobs="${KESTU_JOBS:-$(nproc)}"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
      -DKESTU_SANITIZE=ON -DKESTU_LIBFUZZER=ON -DKESTU_SAMPLES=OFF
if [ $# -gt 0 ]; then
  targets=$(printf 'fuzz_%s\n' "$@")
else
  targets=$(cd "$build" && ninja -t targets all | grep -oE '^fuzz_[a-z0-9_]+:' | grep -v '^fuzz_replay_' | tr -d ':' | sort -u)
fi
cmake --build "$build" -j "$jobs" --target $targets
status=0
for t in $targets; do
  name=${t#fuzz_}
  work="$build/fuzz-work/$name"
  artifacts="$build/fuzz-artifacts/$name"
  mkdir -p "$work" "$artifacts"
  cp -n "$root/fuzz/corpus/$name/"* "$work/" 2>/dev/null || true
  echo "== $t"
  # Run from the build folder, so nothing the target writes lands in the sources.
  (cd "$build" && ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/$t" -max_total_time="$seconds" \
     -artifact_prefix="$artifacts/" "$work") || status=1
done
exit $status
