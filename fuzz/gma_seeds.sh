#!/usr/bin/env bash
# Writes the seed corpora of the GMA fuzz targets with the engine's own
# writer (kestu-gma sample and the converters): fuzz/gma_seeds.sh KESTU_GMA
set -euo pipefail
tool="${1:?path to kestu-gma}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/corpus"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
small=(--frames 2 --grid 2x1)
"$tool" sample "${small[@]}" "$work/plain.gma" >/dev/null
"$tool" sample "${small[@]}" --boxes "$work/boxes.gma" >/dev/null
"$tool" sample "${small[@]}" --share-materials "$work/shared_materials.gma" >/dev/null
"$tool" sample "${small[@]}" --share-texcoord --boxes "$work/shared_texcoord.gma" >/dev/null
"$tool" sample "${small[@]}" --no-normals "$work/no_normals.gma" >/dev/null
"$tool" sample "${small[@]}" --right-handed "$work/right_handed.gma" >/dev/null
"$tool" sample "${small[@]}" --share-materials --share-texcoord --no-normals --boxes "$work/all_shared.gma" >/dev/null
"$tool" sample "${small[@]}" --version 1.3 "$work/v13.gma" >/dev/null
"$tool" sample "${small[@]}" --version 0.2 --share-materials "$work/v02.gma" >/dev/null
"$tool" sample --frames 1 --grid 1x1 "$work/one_frame.gma" >/dev/null
"$tool" sample --frames 2 --grid 4x2 "$work/lod_source.gma" >/dev/null
"$tool" lod "$work/lod_source.gma" "$work/lod.gma" >/dev/null
"$tool" sample --frames 2 --grid 4x2 --share-materials "$work/lod_shared_source.gma" >/dev/null
"$tool" lod "$work/lod_shared_source.gma" "$work/lod_shared.gma" >/dev/null
rm "$work/lod_source.gma" "$work/lod_shared_source.gma"
for target in gma_file gma_remove_normals gma_share_materials gma_share_texcoord gma_unshare_texcoord \
              gma_texture_ids gma_converters; do
  mkdir -p "$root/$target"
  cp "$work"/*.gma "$root/$target/"
done
