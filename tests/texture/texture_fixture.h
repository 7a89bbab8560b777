// Shared pieces of the texture tests: one device, image files made in
// memory, texture libraries written with the companion library, and the log.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/GfxGlobals.h"
#include "d3dx8.h"
#include "kestu_texture.h"

namespace texture_test {

// The shared device: a 64 x 64 X8R8G8B8 back buffer.
IDirect3DDevice8* Device();
D3DPRESENT_PARAMETERS DeviceParameters();
constexpr UINT kScreen = 64;

// The texel at (x, y) of a generated image, as ARGB.
using Pattern = std::function<uint32_t(UINT x, UINT y)>;
uint32_t Checker(UINT x, UINT y);

// An image file of the given file type made from a texture of the given
// format and size filled with the pattern.
std::vector<uint8_t> ImageFile(D3DXIMAGE_FILEFORMAT type, D3DFORMAT format, UINT width, UINT height,
                               const Pattern& pattern = Checker, UINT levels = 1);

struct LibraryEntry {
    DWORD id;
    std::string name;
    std::vector<uint8_t> bytes;
};

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string MakeLibrary(const std::string& name, const std::vector<LibraryEntry>& entries) const;
    // Everything the engine logged during the test.
    std::string Log() const;
    // Level `level` of the texture read back as raw texels of `bytes` each.
    template <class T>
    std::vector<T> Texels(IDirect3DTexture8* texture, UINT level = 0) const;
    std::vector<uint32_t> RenderTarget() const;

    IDirect3DDevice8* dev = nullptr;
    CGfxConfig m_savedConfig;
    std::filesystem::path m_dir;
};

template <class T>
std::vector<T> TextureTest::Texels(IDirect3DTexture8* texture, UINT level) const
{
    std::vector<T> out;
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    if (!texture || FAILED(texture->GetLevelDesc(level, &desc)) ||
        FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
        return out;
    for (UINT y = 0; y < desc.Height; ++y) {
        const T* row = reinterpret_cast<const T*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
        out.insert(out.end(), row, row + desc.Width);
    }
    texture->UnlockRect(level);
    return out;
}

} // namespace texture_test
