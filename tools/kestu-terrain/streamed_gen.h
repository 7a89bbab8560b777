// A generated map for the streamed terrain and a client that serves it:
// block records made on demand from one height function, water over its low
// ground, far-ring heights and extern far corners. Header-only: the tests,
// the benchmark and the sample client share it.
#pragma once
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <index_lib.h>
#include <kestu.h>

#include "terrain_gen.h"

namespace streamed_gen {

struct Map {
    uint32_t seed = 5;
    int stride = 64;        // blocks per map side
    float blockSize = 8.0f; // width and depth of a block
    float relief = 30.0f;   // height of the hills
    float base = 6.0f;
    float feature = 160.0f;    // size of the largest hills
    float waterLevel = -1e30f; // blocks reaching below it get water
    BYTE waterId = 0;
    BOOL waveWater = TRUE;
    // Texture ids by height: below sandLine, below rockLine, above.
    WORD sandTexture = 1, grassTexture = 2, rockTexture = 3;
    float sandLine = 6.0f, rockLine = 24.0f;

    float Height(float x, float z) const
    {
        const float h = 0.6f * terrain_gen::ValueNoise(seed, x, z, feature) +
                        0.3f * terrain_gen::ValueNoise(seed + 1, x, z, feature * 0.3f) +
                        0.1f * terrain_gen::ValueNoise(seed + 2, x, z, feature * 0.1f);
        return base + relief * (h - 0.35f);
    }

    // The record of block (column, row): heights, normals, white vertices
    // with texture coordinates over the block, a texture by mean height.
    void FillBlock(int column, int row, SDynamicTerrainBlockInitEx& out) const
    {
        out = SDynamicTerrainBlockInitEx();
        const float step = blockSize / 4.0f;
        float sum = 0.0f;
        for (int v = 0; v < 25; ++v) {
            // As the block places its vertices, so that neighbours share edge heights.
            const float x = (float(column) + float(v % 5) * 0.25f) * blockSize;
            const float z = (float(row) + float(v / 5) * 0.25f) * blockSize;
            out.fAltitude[v] = Height(x, z);
            sum += out.fAltitude[v];
            D3DXVECTOR3 n(Height(x - step, z) - Height(x + step, z), 2.0f * step,
                          Height(x, z - step) - Height(x, z + step));
            D3DXVec3Normalize(&out.Normal[v], &n);
            out.VerInfo[v].diffuse = 0xFFFFFFFF;
            out.VerInfo[v].tu = float(v % 5) * 0.25f;
            out.VerInfo[v].tv = 1.0f - float(v / 5) * 0.25f;
        }
        const float mean = sum / 25.0f;
        out.wTexID = mean < sandLine ? sandTexture : mean < rockLine ? grassTexture : rockTexture;
        out.fExternAltitude = 0.0f;
    }

    // Water for a block that reaches below the water level, else false.
    bool WaterFor(const SDynamicTerrainBlockInitEx& block, SDTBWaterInit& water) const
    {
        float low = block.fAltitude[0];
        for (float a : block.fAltitude) low = std::min(low, a);
        if (!(low < waterLevel)) return false;
        water = SDTBWaterInit();
        water.fAltitude = waterLevel;
        water.fFullDepth = 4.0f;
        water.dwColor = 0xFF2A6AA0;
        water.dwWave = waveWater;
        water.byWaterID = waterId;
        return true;
    }

    // A far-ring height grid of side samples over the map, row-major.
    std::vector<float> FarGrid(int side) const
    {
        std::vector<float> grid(size_t(side) * side);
        const float spacing = float(stride) * blockSize / float(side - 1);
        for (int r = 0; r < side; ++r)
            for (int c = 0; c < side; ++c) grid[size_t(r) * side + c] = Height(float(c) * spacing, float(r) * spacing);
        return grid;
    }

    SDTOutlyingBlockInit FarCorners(int x, int z, float width, float height) const
    {
        SDTOutlyingBlockInit out;
        const float x0 = float(x) * width, z0 = float(z) * height;
        out.fAltitude[0] = Height(x0, z0);
        out.fAltitude[1] = Height(x0, z0 + height);
        out.fAltitude[2] = Height(x0 + width, z0 + height);
        out.fAltitude[3] = Height(x0 + width, z0);
        return out;
    }
};

// Answers every load request of the last Clip and every extern far position;
// returns the number of blocks attached.
inline int Serve(CDynamicTerrain& terrain, const Map& map, int maxGrow, STestBlockVisibleContext* test = nullptr,
                 CShaderLight* light = nullptr)
{
    int attached = 0;
    SDynamicTerrainBlockInitEx record;
    SDTBWaterInit water;
    for (DWORD i = 0; i < terrain.GetNumLoadBlocks(); ++i) {
        const SDTBlockInfo* want = terrain.GetLoadBlockPos(i);
        map.FillBlock(want->Pos.x, want->Pos.y, record);
        const bool wet = map.WaterFor(record, water);
        if (terrain.AttachBlock(want->Pos.x, want->Pos.y, &record, wet ? &water : nullptr, maxGrow, test, light,
                                light != nullptr, nullptr, nullptr, 0xFFFFFFFF) == S_OK)
            ++attached;
    }
    for (const SMapBlockPos& pos : terrain.GetExternOutlyingBlockPos()) {
        const SDTOutlyingBlockInit corners =
            map.FarCorners(pos.x, pos.y, terrain.GetOutlyingBlockWidth(), terrain.GetOutlyingBlockHeight());
        terrain.AttachExternOutlyingBlock(pos.x, pos.y, &corners, maxGrow, test);
    }
    return attached;
}

// A texture of the library: a base colour (0xRRGGBB) with a grain of noise.
struct TextureRecipe {
    DWORD id;
    const char* name;
    DWORD colour;
    float grain;
};

// A width x height texture whose texels fill(x, y) gives (A8R8G8B8), as the
// bytes of a BMP file; empty when it cannot be made.
template <class Fill>
inline std::vector<uint8_t> MakeImageBytes(IDirect3DDevice8* device, int width, int height, const std::string& name,
                                           Fill fill)
{
    std::vector<uint8_t> bytes;
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(UINT(width), UINT(height), 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture)))
        return bytes;
    D3DLOCKED_RECT lr{};
    if (SUCCEEDED(texture->LockRect(0, &lr, nullptr, 0))) {
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
            for (int x = 0; x < width; ++x) row[x] = fill(x, y);
        }
        texture->UnlockRect(0);
    }
    const std::filesystem::path path = std::filesystem::temp_directory_path() / ("kestu_image_" + name + ".bmp");
    if (SUCCEEDED(D3DXSaveTextureToFileA(path.string().c_str(), D3DXIFF_BMP, texture, nullptr))) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove(path);
    texture->Release();
    return bytes;
}

// A 64 x 64 texture of that colour and grain as the bytes of a BMP file.
inline std::vector<uint8_t> MakeImage(IDirect3DDevice8* device, const TextureRecipe& recipe)
{
    return MakeImageBytes(device, 64, 64, "streamed_" + std::to_string(recipe.id), [&](int x, int y) {
        const float n = terrain_gen::Lattice(recipe.id * 7, x, y) * 0.6f +
                        terrain_gen::Lattice(recipe.id * 7 + 1, x / 4, y / 4) * 0.4f;
        const float k = 1.0f - recipe.grain + 2.0f * recipe.grain * n;
        auto ch = [&](int shift) {
            return DWORD(std::clamp(int(float((recipe.colour >> shift) & 0xFF) * k), 0, 255)) << shift;
        };
        return 0xFF000000u | ch(16) | ch(8) | ch(0);
    });
}

// An image of a texture library: its id, name and file bytes.
struct LibraryImage {
    DWORD id;
    std::string name;
    std::vector<uint8_t> bytes;
};

// A texture library at path holding the images under their ids.
inline HRESULT WriteTextureLibrary(const std::string& path, const std::vector<LibraryImage>& images)
{
    std::filesystem::remove(path);
    CIndexLib lib;
    HRESULT hr = lib.Load(path.c_str(), 0, 1, 1, 1);
    for (const LibraryImage& image : images) {
        if (FAILED(hr)) return hr;
        if (image.bytes.empty()) return E_FAIL;
        hr = lib.ImportFromMemory(image.bytes.data(), DWORD(image.bytes.size()), image.id, image.name.c_str());
    }
    return FAILED(hr) ? hr : lib.Save();
}

// A texture library at path holding one image per recipe under its id.
inline HRESULT MakeTextureLibrary(IDirect3DDevice8* device, const std::string& path,
                                  const std::vector<TextureRecipe>& recipes)
{
    std::vector<LibraryImage> images;
    for (const TextureRecipe& recipe : recipes) images.push_back({recipe.id, recipe.name, MakeImage(device, recipe)});
    return WriteTextureLibrary(path, images);
}

} // namespace streamed_gen
