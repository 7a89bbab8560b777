// A small windowed device shared by the device tests of this folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <filesystem>

#include "support/device.h"
#include "host/host.h"
#include "windows.h"
#include "d3d8.h"
#include "d3dx8.h"

class MeshAniDevice : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 96;
    static constexpr UINT kHeight = 64;

    static void SetUpTestSuite() { ASSERT_EQ(testdevice::CreateShared(Parameters(), d3d, device), D3D_OK); }
    static void TearDownTestSuite()
    {
        testdevice::ReleaseShared(d3d, device);
        host::D3D8ResetDefaults();
    }
    static D3DPRESENT_PARAMETERS Parameters()
    {
        return testdevice::DefaultParameters(kWidth, kHeight, testdevice::FakeWindow(0x6A11), true, false);
    }
    void SetUp() override
    {
        ASSERT_NE(device, nullptr);
        host::D3D8SetCapsFilter(nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void TearDown() override { host::D3D8SetCapsFilter(nullptr); }

    // A camera looking down +z at the origin from z = -3, unlit, no culling.
    void LookAtOrigin()
    {
        D3DXMATRIX view, proj, world;
        const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, float(kWidth) / float(kHeight), 0.1f, 100.0f);
        D3DXMatrixIdentity(&world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
    }
    std::vector<uint32_t> Pixels()
    {
        std::vector<uint32_t> px;
        UINT w = 0, h = 0;
        EXPECT_TRUE(host::D3D8ReadRenderTarget(device, px, w, h));
        return px;
    }
    static int Lit(const std::vector<uint32_t>& px, UINT x0, UINT y0, UINT x1, UINT y1, uint32_t mask = 0xFFFFFF)
    {
        int n = 0;
        for (UINT y = y0; y < y1 && y < kHeight; ++y)
            for (UINT x = x0; x < x1 && x < kWidth; ++x)
                if (px.size() == kWidth * kHeight && (px[y * kWidth + x] & mask) != 0) ++n;
        return n;
    }
    void SaveOnFailure(const std::vector<uint32_t>& px, const char* name)
    {
        if (!::testing::Test::HasFailure()) return;
        const char* dir = std::getenv("KESTU_TEST_OUTPUT");
        if (!dir) return;
        host::WindowPixels wp;
        wp.width = kWidth;
        wp.height = kHeight;
        wp.pixels = px;
        host::SavePixelsPng(wp, std::string(dir) + "/" + name + ".png");
    }

    static inline IDirect3D8* d3d = nullptr;
    static inline IDirect3DDevice8* device = nullptr;
};

// A solid 8 x 8 image file of one colour, made on the device and saved by D3DX.
inline bool WriteSolidImage(IDirect3DDevice8* device, const std::string& path, D3DCOLOR colour)
{
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture))) return false;
    D3DLOCKED_RECT lr{};
    bool ok = SUCCEEDED(texture->LockRect(0, &lr, nullptr, 0));
    if (ok) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = colour;
        texture->UnlockRect(0);
        ok = SUCCEEDED(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_BMP, texture, nullptr));
    }
    texture->Release();
    return ok;
}

// The device with a fresh folder per test holding two solid textures,
// tex/left.png red and tex/right.png green (the names the generated meshes use).
class MeshAniFolderDevice : public MeshAniDevice {
protected:
    void SetUp() override
    {
        MeshAniDevice::SetUp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::current_path() / "meshani_tmp" /
               (std::string(info->test_suite_name()) + "." + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "tex");
        ASSERT_TRUE(WriteSolidImage(device, Path("tex/left.png"), 0xFFFF0000));
        ASSERT_TRUE(WriteSolidImage(device, Path("tex/right.png"), 0xFF00FF00));
    }
    void TearDown() override
    {
        // What the device still has bound would keep default-pool buffers alive over a reset.
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
        device->SetTexture(0, nullptr);
        MeshAniDevice::TearDown();
        std::filesystem::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};
