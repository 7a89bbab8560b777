#!/usr/bin/env bash
# Builds the engine and its sample clients in release mode and runs them: the
# 3D demo writes out/demo.png (and out/demo.ini, out/demo.log), the 2D demo
# out/demo2d.png, the texture demo out/demotex.png (from the library
# out/demotex.kidx that kestu-pack makes of its images), the terrain sample
# out/terrain.png, the GMA demo out/demogma.png (from the mesh library
# out/demogma.kidx), the particle sample out/particles.png and, from the script
# samples/particles/fire_and_sparks.txt, out/fire.png, the skinning sample
# out/skinning.png, the streamed-terrain sample out/streamed.png, under the
# repository root. Installs what is missing first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}"

build="${KESTU_BUILD_DIR:-$root/build/release}"
jobs="${KESTU_JOBS:-$(nproc)}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTU_TESTS=OFF -DKESTU_SAMPLES=ON
cmake --build "$build" -j "$jobs" --target demo demo2d demotex terrain demogma particles skinning streamed kestu-pack kestu-gma
cd "$root"
"$build/samples/demo"
"$build/samples/demo2d"
"$build/samples/demotex" images out/demotex
"$build/tools/kestu-pack" create out/demotex.kidx 100:stone.bmp=out/demotex/stone.bmp \
  101:badge.tga=out/demotex/badge.tga 102:atlas.bmp=out/demotex/atlas.bmp
"$build/samples/demotex" render out/demotex.kidx out/demotex.png
"$build/samples/terrain"
"$build/samples/demogma" assets out/demogma
"$build/tools/kestu-gma" lod out/demogma/banner.gma out/demogma/banner_lod.gma
"$build/tools/kestu-pack" create out/demogma.kidx 1:banner.gma=out/demogma/banner_lod.gma
"$build/samples/demogma" render out/demogma.kidx out/demogma out/demogma.png
"$build/samples/particles"
"$build/samples/particles" fire samples/particles/fire_and_sparks.txt out/fire.png
"$build/samples/skinning"
"$build/samples/streamed"
