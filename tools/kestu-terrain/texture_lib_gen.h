// Texture libraries made at run time for the terrains' tests, benchmarks and
// sample clients: each image is drawn texel by texel into a texture, saved as
// a BMP file beside the library and imported under its id. Header-only.
#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <index_lib.h>
#include <kestu.h>

namespace texture_lib_gen {

struct Image {
    DWORD id;
    std::string name;
    int width, height;
    std::function<uint32_t(int x, int y)> texel; // 0xAARRGGBB
};

// The image as the bytes of a BMP file, written through the scratch path
// (removed afterwards); empty when the device cannot make the texture.
inline std::vector<uint8_t> ImageFile(IDirect3DDevice8* device, const Image& image, const std::string& scratch)
{
    std::vector<uint8_t> bytes;
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(UINT(image.width), UINT(image.height), 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                     &texture)))
        return bytes;
    D3DLOCKED_RECT lr{};
    if (FAILED(texture->LockRect(0, &lr, nullptr, 0))) {
        texture->Release();
        return bytes;
    }
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
        for (int x = 0; x < image.width; ++x) row[x] = image.texel(x, y);
    }
    texture->UnlockRect(0);
    if (SUCCEEDED(D3DXSaveTextureToFileA(scratch.c_str(), D3DXIFF_BMP, texture, nullptr))) {
        std::ifstream in(scratch, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove(scratch);
    texture->Release();
    return bytes;
}

// A texture library at path holding the images under their ids.
inline HRESULT MakeTextureLibrary(IDirect3DDevice8* device, const std::string& path, const std::vector<Image>& images)
{
    std::filesystem::remove(path);
    CIndexLib lib;
    HRESULT hr = lib.Load(path.c_str(), 0, 1, 1, 1);
    for (const Image& image : images) {
        if (FAILED(hr)) return hr;
        const std::vector<uint8_t> bytes = ImageFile(device, image, path + "." + std::to_string(image.id) + ".bmp");
        if (bytes.empty()) return E_FAIL;
        hr = lib.ImportFromMemory(bytes.data(), DWORD(bytes.size()), image.id, image.name.c_str());
    }
    return FAILED(hr) ? hr : lib.Save();
}

} // namespace texture_lib_gen
