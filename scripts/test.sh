#!/usr/bin/env bash
# Builds the engine with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test through CTest. Installs what is missing first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}"

build="${KESTU_BUILD_DIR:-$root/build/asan}"
jobs="${KESTU_JOBS:-$(nproc)}"
# A compiler cache, where the machine has one, makes a second run or a fresh
# clone on the same machine rebuild only what changed.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# -O1 with line tables keeps sanitizer reports readable and the build short
# enough for a two-core machine.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
      -DKESTU_SANITIZE=ON -DKESTU_TESTS=ON -DKESTU_SAMPLES=ON -DKESTU_WERROR=ON "${launcher[@]}"
cmake --build "$build" -j "$jobs"

# The libFuzzer targets need clang; when it is here, make sure they build
# (scripts/fuzz.sh runs them).
if command -v clang++ >/dev/null 2>&1; then
  fuzz_build="${KESTU_FUZZ_BUILD_DIR:-$root/build/fuzz}"
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
        -DKESTU_SANITIZE=ON -DKESTU_LIBFUZZER=ON -DKESTU_SAMPLES=OFF -DKESTU_WERROR=ON "${launcher[@]}" >/dev/null
  targets=$(cd "$fuzz_build" && ninja -t targets all | grep -oE '^fuzz_[a-z0-9_]+:' | grep -v '^fuzz_replay_' | tr -d ':' | sort -u)
  cmake --build "$fuzz_build" -j "$jobs" --target $targets
fi

cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 1500
