// A shared headless device with an open scene for the shader-water tests,
// test views into the water classes, a cube environment whose faces are
// flat colours, and read-back of surfaces.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "host/host.h"
#include "kestu_shaderwater.h"
#include "kestu_texture.h"
#include "support/device.h"
#include "support/image.h"

namespace watertest {

// The face colours of the test cube: +x, -x, +y, -y, +z, -z.
inline constexpr D3DCOLOR kFaceColours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF};

// Fills every face with its colour (or leaves them when quiet) and records
// the calls of the hook.
class ColourCube : public Kestu::CCubeEnv {
public:
    HRESULT RenderCubeFace(int face) override
    {
        faces.push_back(face);
        if (paint) m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kFaceColours[face], 1.0f, 0);
        if (hook) hook(face);
        return 0;
    }
    IDirect3DSurface8* Depth() const { return m_pDepthSurface; }
    std::vector<int> faces;
    bool paint = true;
    std::function<void(int)> hook;
};

class TexView : public Kestu::CShaderWater_Tex {
public:
    using CShaderWater_Tex::m_dwCosinePS;
    using CShaderWater_Tex::m_dwCosineVS;
    using CShaderWater_Tex::m_dwNoisePS;
    using CShaderWater_Tex::m_dwNoiseVS;
    using CShaderWater_Tex::m_pNoiseMap;
    using CShaderWater_Tex::m_pQuad;
};

class WaterView : public Kestu::CShaderWater {
public:
    using CShaderWater::ComputeWaterParams;
    using CShaderWater::InitGeoWave;
    using CShaderWater::InitTexState;
    using CShaderWater::InitTexWave;
    using CShaderWater::m_dwPixelShader;
    using CShaderWater::m_dwVertexShader;
    using CShaderWater::m_GeoState;
    using CShaderWater::m_GeoWaves;
    using CShaderWater::m_TexState;
    using CShaderWater::m_TexWaves;
    using CShaderWater::m_vEnvCentre;
    using CShaderWater::m_vEye;
};

// Still texture waves: the default settings with the given noise.
inline Kestu::TexState StillState(float noise)
{
    WaterView defaults;
    defaults.InitTexState();
    Kestu::TexState s = defaults.m_TexState;
    s.fNoise = noise;
    return s;
}

inline std::vector<Kestu::TexWaveDesc> StillWaves()
{
    std::vector<Kestu::TexWaveDesc> waves(16);
    for (int i = 0; i < 16; ++i) {
        Kestu::TexWaveDesc& w = waves[i];
        w.vRepeat = D3DXVECTOR2(float(i % 5) - 2.0f, float(i % 3) + 1.0f);
        const float m = std::sqrt(w.vRepeat.x * w.vRepeat.x + w.vRepeat.y * w.vRepeat.y);
        w.vDir = D3DXVECTOR2(w.vRepeat.x / m, w.vRepeat.y / m);
        w.fLength = 256.0f / m;
        w.fPhase = 0.1f * float(i);
        w.fSpeed = 1.0f;
        w.fFade = 0.0f;
    }
    return waves;
}

// The render target and depth-stencil surface in force, with a reference to each.
struct Targets {
    explicit Targets(IDirect3DDevice8* device)
    {
        device->GetRenderTarget(&target);
        device->GetDepthStencilSurface(&depth);
    }
    ~Targets()
    {
        if (target) target->Release();
        if (depth) depth->Release();
    }
    Targets(const Targets&) = delete;
    Targets& operator=(const Targets&) = delete;
    bool operator==(const Targets& other) const { return target == other.target && depth == other.depth; }

    IDirect3DSurface8* target = nullptr;
    IDirect3DSurface8* depth = nullptr;
};

class WaterDevice : public testdevice::DeviceSuite<64, 64> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        ASSERT_EQ(device->BeginScene(), D3D_OK);
    }
    void TearDown() override
    {
        for (DWORD s = 0; s < 4; ++s) device->SetTexture(s, nullptr);
        device->SetStreamSource(0, nullptr, 0);
        device->SetVertexShader(D3DFVF_XYZ);
        device->SetPixelShader(0);
        device->EndScene();
        Kestu::RenderStateGuard::SetDevice(nullptr);
        Kestu::TextureStageStateGuard::SetDevice(nullptr);
        host::D3D8SetCapsFilter(nullptr);
    }
    // The guards act as once a shader water is built.
    static void ArmGuards()
    {
        Kestu::RenderStateGuard::SetDevice(device);
        Kestu::TextureStageStateGuard::SetDevice(device);
    }
    // The view of the reflection pictures: from above and behind the water,
    // looking ahead and down on it, with an identity world.
    struct Camera {
        D3DXVECTOR3 eye{0, 12, -20};
        D3DXMATRIX view, proj;
    };
    // Sets the transforms of that view.
    static Camera LookAcrossTheWater()
    {
        Camera c;
        const D3DXVECTOR3 at(0, 0, 10), up(0, 1, 0);
        D3DXMATRIX world;
        D3DXMatrixIdentity(&world);
        D3DXMatrixLookAtLH(&c.view, &c.eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&c.proj, D3DX_PI / 2.2f, 1.0f, 1.0f, 500.0f);
        testdevice::SetTransforms(device, world, c.view, c.proj);
        return c;
    }
    // The pixels of a surface, drawn to by making it the render target.
    static kestu_test::Image ReadSurface(IDirect3DSurface8* surface)
    {
        const Targets before(device);
        device->SetRenderTarget(surface, nullptr);
        kestu_test::Image image = kestu_test::ReadRenderTarget(device);
        device->SetRenderTarget(before.target, before.depth);
        return image;
    }
    static kestu_test::Image ReadTexture(CTexture* texture)
    {
        IDirect3DSurface8* s = nullptr;
        if (!texture || FAILED(texture->GetD3DTexture()->GetSurfaceLevel(0, &s))) return {};
        kestu_test::Image image = ReadSurface(s);
        s->Release();
        return image;
    }
    static kestu_test::Image ReadFace(Kestu::CCubeEnv& cube, int face)
    {
        IDirect3DSurface8* s = nullptr;
        if (!cube.GetCubeEnv() || FAILED(cube.GetCubeEnv()->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, &s)))
            return {};
        kestu_test::Image image = ReadSurface(s);
        s->Release();
        return image;
    }
    static uint32_t At(const kestu_test::Image& image, int x, int y)
    {
        return image.pixels[size_t(y) * image.width + x];
    }
    static int Red(uint32_t c) { return int((c >> 16) & 0xFF); }
    static int Green(uint32_t c) { return int((c >> 8) & 0xFF); }
    static int Blue(uint32_t c) { return int(c & 0xFF); }
};

} // namespace watertest
