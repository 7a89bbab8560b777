// Shared pieces of the texture tests: one device, image files made in
// memory, texture libraries written with the companion library, and the log.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/entry/GfxGlobals.h"
#include "d3dx8.h"
#include "host/host_d3d8.h"
#include "index_lib.h"
#include "kestu_log.h"
#include "kestu_texture.h"
#include "support/device.h"

namespace texture_test {

constexpr UINT kScreen = 64;

// The texel at (x, y) of a generated image, as ARGB.
using Pattern = std::function<uint32_t(UINT x, UINT y)>;

namespace detail {

inline IDirect3D8* g_d3d = nullptr;
inline IDirect3DDevice8* g_device = nullptr;

class Environment : public ::testing::Environment {
public:
    void TearDown() override { testdevice::ReleaseShared(g_d3d, g_device); }
};
inline ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new Environment);

inline std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace detail

// The shared device: a 64 x 64 X8R8G8B8 back buffer.
inline D3DPRESENT_PARAMETERS DeviceParameters()
{
    return testdevice::DefaultParameters(kScreen, kScreen, testdevice::FakeWindow(0x7E7), false, true);
}

inline IDirect3DDevice8* Device()
{
    testdevice::CreateShared(DeviceParameters(), detail::g_d3d, detail::g_device);
    return detail::g_device;
}

inline uint32_t Checker(UINT x, UINT y) { return ((x / 4 + y / 4) & 1) ? 0xFFFF0000u : 0xFF0000FFu; }

// An image file of the given file type made from a texture of the given
// format and size filled with the pattern.
inline std::vector<uint8_t> ImageFile(D3DXIMAGE_FILEFORMAT type, D3DFORMAT format, UINT width, UINT height,
                                      const Pattern& pattern = Checker, UINT levels = 1)
{
    std::vector<uint8_t> bytes;
    IDirect3DDevice8* device = Device();
    std::vector<uint32_t> argb(static_cast<size_t>(width) * height);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) argb[static_cast<size_t>(y) * width + x] = pattern(x, y);
    IDirect3DTexture8* texture = nullptr;
    if (!device || FAILED(device->CreateTexture(width, height, levels, 0, format, D3DPOOL_SYSTEMMEM, &texture)))
        return bytes;
    IDirect3DSurface8* top = nullptr;
    texture->GetSurfaceLevel(0, &top);
    const RECT whole{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    HRESULT hr = D3DXLoadSurfaceFromMemory(top, nullptr, nullptr, argb.data(), D3DFMT_A8R8G8B8, width * 4, nullptr,
                                           &whole, D3DX_FILTER_NONE, 0);
    top->Release();
    if (SUCCEEDED(hr) && levels != 1) hr = D3DXFilterTexture(texture, nullptr, 0, D3DX_FILTER_BOX);
    // The working folder is this test process's own; a shared folder such as
    // /tmp is not, and the sanitizer's allocator hands parallel processes the
    // same addresses.
    const std::string path =
        (std::filesystem::current_path() / ("texture_image_" + std::to_string(reinterpret_cast<uintptr_t>(texture))))
            .string();
    if (SUCCEEDED(hr) && SUCCEEDED(D3DXSaveTextureToFileA(path.c_str(), type, texture, nullptr)))
        bytes = detail::ReadAll(path);
    std::filesystem::remove(path);
    texture->Release();
    return bytes;
}

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
    // Level `level` of the texture read back as raw texels of type T.
    template <class T>
    std::vector<T> Texels(IDirect3DTexture8* texture, UINT level = 0) const;
    std::vector<uint32_t> RenderTarget() const;
    // Clears to black, draws `texture` on stage 0 over the top-left 16 x 16
    // pixels and leaves it bound, as a client's draw does; returns the frame.
    std::vector<uint32_t> DrawLeavingBound(IDirect3DTexture8* texture) const;
    // Loses and regains the device, so that it waits for a reset.
    static void LoseDevice()
    {
        host::D3D8LoseDevices();
        host::D3D8RegainDevices();
    }
    HRESULT ResetDevice() const
    {
        D3DPRESENT_PARAMETERS pp = DeviceParameters();
        return dev->Reset(&pp);
    }
    // What the device has bound on a stage (no reference kept).
    IDirect3DBaseTexture8* TextureOnStage(DWORD stage) const;

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

inline void TextureTest::SetUp()
{
    host::D3D8ResetDefaults();
    dev = Device();
    ASSERT_NE(dev, nullptr);
    m_savedConfig = g_GfxConfig;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir =
        std::filesystem::current_path() / "texture_tmp" / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    std::snprintf(cfg->szLogFile, sizeof cfg->szLogFile, "%s", Path("kestu.log").c_str());
    cfg->eLogLevel = 4;
}

inline void TextureTest::TearDown()
{
    g_GfxConfig = m_savedConfig;
    host::D3D8ResetDefaults();
    std::filesystem::remove_all(m_dir);
}

inline void TextureTest::WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string TextureTest::MakeLibrary(const std::string& name, const std::vector<LibraryEntry>& entries) const
{
    CIndexLib lib;
    EXPECT_EQ(lib.Load(Path(name).c_str(), 0, 1, 1, 1), S_OK);
    for (const LibraryEntry& e : entries)
        EXPECT_EQ(lib.ImportFromMemory(e.bytes.data(), static_cast<DWORD>(e.bytes.size()), e.id, e.name.c_str()), S_OK);
    EXPECT_EQ(lib.Save(), S_OK);
    return Path(name);
}

inline std::string TextureTest::Log() const
{
    const std::vector<uint8_t> bytes = detail::ReadAll(Path("kestu.log"));
    return std::string(bytes.begin(), bytes.end());
}

inline std::vector<uint32_t> TextureTest::RenderTarget() const
{
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    host::D3D8ReadRenderTarget(dev, pixels, w, h);
    return pixels;
}

inline std::vector<uint32_t> TextureTest::DrawLeavingBound(IDirect3DTexture8* texture) const
{
    struct V {
        float x, y, z, rhw, u, v;
    };
    const V quad[4] = {{0, 0, 0.5f, 1, 0, 0}, {16, 0, 0.5f, 1, 1, 0}, {0, 16, 0.5f, 1, 0, 1}, {16, 16, 0.5f, 1, 1, 1}};
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev->BeginScene();
    dev->SetTexture(0, texture);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
    dev->EndScene();
    return RenderTarget();
}

inline IDirect3DBaseTexture8* TextureTest::TextureOnStage(DWORD stage) const
{
    IDirect3DBaseTexture8* bound = nullptr;
    dev->GetTexture(stage, &bound);
    if (bound) bound->Release();
    return bound;
}

} // namespace texture_test
