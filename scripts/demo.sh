#!/usr/bin/env bash
# Builds the engine and its sample clients in release mode and runs them: the
# 3D demo writes out/demo.png (and out/demo.ini, out/demo.log), the 2D demo
# out/demo2d.png, the texture demo out/demotex.png (from the library
# out/demotex.kidx that kestu-pack makes of its images), the terrain sample
# out/terrain.png, the GMA demo out/demogma.png (from the mesh library
# out/demogma.kidx), the particle sample out/particles.png and, from the script
# samples/particles/fire_and_sparks.txt, out/fire.png, and out/smoke.png (from
# the texture library out/smoke.kidx it packs itself), the skinning sample
# out/skinning.png, the streamed-terrain sample out/streamed.png, the billboard
# sample out/billboards.png (from the texture library out/billboards.kidx it
# packs itself), the character sample out/character.png (from the archives it
# exports into out/character/), the shader-water sample out/shaderwater.png
# (and its cube faces in out/shaderwater/), the text demo out/demotext.png (from
# fonts kestu-font renders into out/demotext/), the environment sample
# out/environment.png (from the texture library out/environment.lib it makes
# itself), under the repository root.
# Installs what is missing first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/packages.sh"
bash "$root/scripts/deps.sh" "${KESTU_PACKAGES[@]}"

build="${KESTU_BUILD_DIR:-$root/build/release}"
jobs="${KESTU_JOBS:-$(nproc)}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTU_TESTS=OFF -DKESTU_SAMPLES=ON
cmake --build "$build" -j "$jobs" --target demo demo2d demotex terrain demogma particles skinning streamed billboards character shaderwater demotext environment kestu-pack kestu-gma \
  kestu-font
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
"$build/samples/particles" smoke out/smoke.png
"$build/samples/skinning"
"$build/samples/streamed"
"$build/samples/billboards"
"$build/samples/character" assets out/character
"$build/samples/character" render out/character out/character.png
"$build/samples/shaderwater"
mkdir -p out/demotext
"$build/tools/kestu-font" --font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  --ranges 0x20-0x7E,0xA0-0xFF,0x2018-0x201D --tib out/demotext/sans.tib \
  out/demotext/sans14.fnt:14 out/demotext/sans11.fnt:12 out/demotext/sans18.fnt:18
"$build/samples/demotext" out/demotext out/demotext.png
"$build/samples/environment"
