// Shared device for the d3d8 tests.
#include "d3d8_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/device.h"
#include "support/image.h"
#include "d3d8/format.h"

namespace d3d8test {
HWND FakeWindow() { return testdevice::FakeWindow(0x1234); }

D3DPRESENT_PARAMETERS DefaultParameters()
{
    return testdevice::DefaultParameters(kWidth, kHeight, FakeWindow(), true, true);
}

IDirect3D8* D3D() { return testdevice::ProcessD3D(); }

IDirect3DDevice8* Device() { return testdevice::ProcessDevice(DefaultParameters()); }

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.f;
    return m;
}

D3DMATRIX Perspective(float fovY, float aspect, float zn, float zf)
{
    D3DMATRIX m{};
    float ys = 1.f / std::tan(fovY / 2);
    m._11 = ys / aspect;
    m._22 = ys;
    m._33 = zf / (zf - zn);
    m._34 = 1.f;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

D3DMATRIX Translation(float x, float y, float z)
{
    D3DMATRIX m = Identity();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xff); }

void DeviceTest::SetUp()
{
    host::D3D8ResetDefaults();
    dev = Device();
    ASSERT_NE(dev, nullptr);
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.f, 0), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
}

void DeviceTest::TearDown()
{
    if (dev) dev->EndScene();
    host::D3D8ResetDefaults();
}

std::vector<uint32_t> DeviceTest::Read(UINT* w, UINT* h)
{
    std::vector<uint32_t> px;
    UINT ww = 0, hh = 0;
    host::D3D8ReadRenderTarget(dev, px, ww, hh);
    if (w) *w = ww;
    if (h) *h = hh;
    return px;
}

void DeviceTest::SaveImage(const std::string& name)
{
    host::SavePixelsPng(kestu_test::ReadRenderTarget(dev), kestu_test::OutputPath(name));
}

::testing::AssertionResult DeviceTest::PixelNear(int x, int y, uint32_t expected, int tolerance)
{
    return kestu_test::PixelNear(kestu_test::ReadRenderTarget(dev), x, y, expected, tolerance);
}

void DeviceTest::DrawQuad(float x0, float y0, float x1, float y1, D3DCOLOR c, float z)
{
    TLVertex v[4] = {{x0, y0, z, 1, c}, {x1, y0, z, 1, c}, {x0, y1, z, 1, c}, {x1, y1, z, 1, c}};
    dev->SetVertexShader(kTLFvf);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
}

void DeviceTest::DrawTexturedQuad(float x0, float y0, float x1, float y1, D3DCOLOR c, float u0, float v0, float u1,
                                  float v1, float z)
{
    TLTexVertex v[4] = {
        {x0, y0, z, 1, c, u0, v0}, {x1, y0, z, 1, c, u1, v0}, {x0, y1, z, 1, c, u0, v1}, {x1, y1, z, 1, c, u1, v1}};
    dev->SetVertexShader(kTLTexFvf);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLTexVertex)), D3D_OK);
}

IDirect3DTexture8* DeviceTest::MakeTexture(UINT w, UINT h, D3DFORMAT f, uint32_t (*fn)(UINT, UINT), UINT levels)
{
    IDirect3DTexture8* t = nullptr;
    if (FAILED(dev->CreateTexture(w, h, levels, 0, f, D3DPOOL_MANAGED, &t))) return nullptr;
    for (UINT l = 0; l < t->GetLevelCount(); ++l) {
        D3DSURFACE_DESC d;
        t->GetLevelDesc(l, &d);
        D3DLOCKED_RECT r;
        if (FAILED(t->LockRect(l, &r, nullptr, 0))) continue;
        std::vector<uint32_t> row(d.Width);
        for (UINT y = 0; y < d.Height; ++y) {
            for (UINT x = 0; x < d.Width; ++x) row[x] = fn(x + l * 1000, y);
            kestu::d3d8::EncodeRow(f, row.data(), static_cast<uint8_t*>(r.pBits) + static_cast<size_t>(y) * r.Pitch,
                                   d.Width);
        }
        t->UnlockRect(l);
    }
    return t;
}

} // namespace d3d8test
