// Shared device for the d3d8 tests: one GL context and one device per
// process; every test starts from a Reset device.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "d3d8.h"
#include "host/host_d3d8.h"

namespace d3d8test {

constexpr UINT kWidth = 64;
constexpr UINT kHeight = 64;

IDirect3D8* D3D();
IDirect3DDevice8* Device();
D3DPRESENT_PARAMETERS DefaultParameters();
HWND FakeWindow();

struct TLVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

struct TLTexVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
constexpr DWORD kTLTexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

D3DMATRIX Identity();
D3DMATRIX Perspective(float fovY, float aspect, float zn, float zf);
D3DMATRIX Translation(float x, float y, float z);

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Current render target as A8R8G8B8.
    std::vector<uint32_t> Read(UINT* w = nullptr, UINT* h = nullptr);
    // Compares a pixel with a tolerance per channel; saves the image on failure.
    ::testing::AssertionResult PixelNear(int x, int y, uint32_t expected, int tolerance = 3);
    void SaveImage(const std::string& name);
    // A screen-aligned quad of pre-transformed vertices covering [x0,x1)x[y0,y1).
    void DrawQuad(float x0, float y0, float x1, float y1, D3DCOLOR c, float z = 0.5f);
    void DrawTexturedQuad(float x0, float y0, float x1, float y1, D3DCOLOR c, float u0 = 0, float v0 = 0, float u1 = 1,
                          float v1 = 1, float z = 0.5f);
    // A texture of one colour per texel from a function.
    IDirect3DTexture8* MakeTexture(UINT w, UINT h, D3DFORMAT f, uint32_t (*fn)(UINT x, UINT y), UINT levels = 1);

    IDirect3DDevice8* dev = nullptr;
};

int Channel(uint32_t c, int shift);

} // namespace d3d8test
