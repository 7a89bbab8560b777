// IDirect3D8: creation, adapters, modes, format checks, caps and device creation.
#include <cstring>

#include "d3d8_fixture.h"

namespace d3d8test {
namespace {

class Direct3DObject : public ::testing::Test {
protected:
    void SetUp() override { host::D3D8ResetDefaults(); }
    void TearDown() override { host::D3D8ResetDefaults(); }
};

TEST_F(Direct3DObject, OnlyTheDocumentedVersionCreates)
{
    EXPECT_EQ(Direct3DCreate8(219), nullptr);
    EXPECT_EQ(Direct3DCreate8(0), nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->AddRef(), 2u);
    EXPECT_EQ(d3d->Release(), 1u);
    IDirect3D8* again = nullptr;
    EXPECT_EQ(d3d->QueryInterface(IID_IDirect3D8, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, d3d);
    again->Release();
    void* none = nullptr;
    EXPECT_EQ(d3d->QueryInterface(IID_IDirect3DDevice8, &none), E_NOINTERFACE);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST_F(Direct3DObject, AdaptersAndModes)
{
    IDirect3D8* d3d = D3D();
    ASSERT_GE(d3d->GetAdapterCount(), 1u);
    D3DADAPTER_IDENTIFIER8 id{};
    ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_GT(std::strlen(id.Description), 0u);
    EXPECT_EQ(d3d->GetAdapterIdentifier(d3d->GetAdapterCount(), 0, &id), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, nullptr), D3DERR_INVALIDCALL);

    UINT n = d3d->GetAdapterModeCount(0);
    bool small16 = false, large32 = false;
    for (UINT i = 0; i < n; ++i) {
        D3DDISPLAYMODE m;
        ASSERT_EQ(d3d->EnumAdapterModes(0, i, &m), D3D_OK);
        small16 |= m.Width == 640 && m.Height == 480 && m.Format == D3DFMT_R5G6B5;
        large32 |= m.Width == 2048 && m.Height == 1536 && m.Format == D3DFMT_X8R8G8B8;
    }
    EXPECT_TRUE(small16);
    EXPECT_TRUE(large32);
    D3DDISPLAYMODE m;
    EXPECT_EQ(d3d->EnumAdapterModes(0, n, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterModeCount(7), 0u);

    host::D3D8SetDisplayModes({{320, 240, 70, D3DFMT_R5G6B5}});
    EXPECT_EQ(d3d->GetAdapterModeCount(0), 1u);
    ASSERT_EQ(d3d->EnumAdapterModes(0, 0, &m), D3D_OK);
    EXPECT_EQ(m.Width, 320u);
    EXPECT_EQ(m.RefreshRate, 70u);
    host::D3D8SetDesktopMode({800, 600, 75, D3DFMT_R5G6B5});
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &m), D3D_OK);
    EXPECT_EQ(m.Format, D3DFMT_R5G6B5);
    host::D3D8SetAdapters({"first", "second"});
    EXPECT_EQ(d3d->GetAdapterCount(), 2u);
    ASSERT_EQ(d3d->GetAdapterIdentifier(1, D3DENUM_NO_WHQL_LEVEL, &id), D3D_OK);
    EXPECT_STREQ(id.Description, "second");
}

TEST_F(Direct3DObject, FormatChecks)
{
    IDirect3D8* d3d = D3D();
    struct Case {
        DWORD usage;
        D3DRESOURCETYPE type;
        D3DFORMAT format;
        HRESULT expected;
    } cases[] = {
        {0, D3DRTYPE_TEXTURE, D3DFMT_DXT1, D3D_OK},
        {0, D3DRTYPE_TEXTURE, D3DFMT_P8, D3D_OK},
        {0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4, D3D_OK},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_R5G6B5, D3D_OK},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_DXT1, D3DERR_NOTAVAILABLE},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3D_OK},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
        {0, D3DRTYPE_TEXTURE, D3DFMT_V8U8, D3DERR_NOTAVAILABLE},
        {0, D3DRTYPE_INDEXBUFFER, D3DFMT_INDEX32, D3D_OK},
        {0, D3DRTYPE_VOLUMETEXTURE, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
    };
    for (auto& c : cases)
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, c.usage, c.type, c.format), c.expected)
            << "format " << c.format;
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, FALSE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_D16), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES),
              D3DERR_NOTAVAILABLE);
}

TEST_F(Direct3DObject, CapsDescribeTheDeviceAndCanBeLowered)
{
    IDirect3D8* d3d = D3D();
    D3DCAPS8 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(caps.VertexShaderVersion, static_cast<DWORD>(D3DVS_VERSION(1, 1)));
    EXPECT_EQ(caps.MaxVertexShaderConst, 256u);
    EXPECT_EQ(caps.PixelShaderVersion, static_cast<DWORD>(D3DPS_VERSION(1, 4)));
    EXPECT_EQ(caps.MaxTextureBlendStages, 8u);
    EXPECT_EQ(caps.MaxSimultaneousTextures, 8u);
    EXPECT_TRUE(caps.FVFCaps & D3DFVFCAPS_PSIZE);
    EXPECT_TRUE(caps.RasterCaps & D3DPRASTERCAPS_FOGTABLE);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_CUBEMAP);
    EXPECT_GE(caps.MaxVertexBlendMatrices, 2u);
    EXPECT_GE(caps.MaxPointSize, 64.f);
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_SW, &caps), D3DERR_INVALIDCALL);
    host::D3D8SetCapsFilter([](D3DDEVTYPE type, D3DCAPS8& c) {
        if (type == D3DDEVTYPE_HAL) {
            c.PixelShaderVersion = D3DPS_VERSION(1, 1);
            c.RasterCaps &= ~static_cast<DWORD>(D3DPRASTERCAPS_FOGTABLE);
        }
    });
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, static_cast<DWORD>(D3DPS_VERSION(1, 1)));
    EXPECT_FALSE(caps.RasterCaps & D3DPRASTERCAPS_FOGTABLE);
    // The device reports the same lowered caps.
    D3DCAPS8 fromDevice{};
    ASSERT_EQ(Device()->GetDeviceCaps(&fromDevice), D3D_OK);
    EXPECT_EQ(fromDevice.PixelShaderVersion, static_cast<DWORD>(D3DPS_VERSION(1, 1)));
}

TEST_F(Direct3DObject, CreateDeviceValidatesBehaviourAndParameters)
{
    IDirect3D8* d3d = D3D();
    struct Case {
        DWORD behaviour;
        HRESULT expected;
    } cases[] = {
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING, D3D_OK},
        {D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, D3D_OK},
        {D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, D3D_OK},
        {0, D3DERR_INVALIDCALL},
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DERR_INVALIDCALL},
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, D3DERR_INVALIDCALL},
    };
    for (auto& c : cases) {
        D3DPRESENT_PARAMETERS pp = DefaultParameters();
        IDirect3DDevice8* device = nullptr;
        EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, FakeWindow(), c.behaviour, &pp, &device), c.expected)
            << "behaviour " << c.behaviour;
        if (device) {
            DWORD sw = 0;
            device->GetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, &sw);
            EXPECT_EQ(sw != 0, (c.behaviour & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0);
            EXPECT_EQ(device->Release(), 0u);
        } else {
            EXPECT_NE(c.expected, D3D_OK);
        }
    }
    auto tryParameters = [&](void (*change)(D3DPRESENT_PARAMETERS&)) {
        D3DPRESENT_PARAMETERS pp = DefaultParameters();
        change(pp);
        IDirect3DDevice8* device = nullptr;
        HRESULT hr =
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
        if (device) device->Release();
        return hr;
    };
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS& p) { p.SwapEffect = static_cast<D3DSWAPEFFECT>(0); }),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS& p) { p.AutoDepthStencilFormat = D3DFMT_X8R8G8B8; }),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS& p) { p.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES; }),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS& p) { p.BackBufferCount = 2; }), D3DERR_INVALIDCALL);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS& p) { p.FullScreen_RefreshRateInHz = 60; }), D3DERR_INVALIDCALL);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS& p) {
                  p.Windowed = FALSE;
                  p.BackBufferWidth = 123;
              }),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS& p) {
                  p.Windowed = FALSE;
                  p.BackBufferWidth = 640;
                  p.BackBufferHeight = 480;
                  p.BackBufferFormat = D3DFMT_R5G6B5;
              }),
              D3D_OK);
    host::D3D8InjectFailure(host::D3D8Failure::CreateDevice, D3DERR_NOTAVAILABLE);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS&) {}), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(tryParameters([](D3DPRESENT_PARAMETERS&) {}), D3D_OK);
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, nullptr),
              D3DERR_INVALIDCALL);
    IDirect3DDevice8* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(5, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3DERR_INVALIDCALL);
    // A windowed back buffer of size 0 takes the window's size and the desktop format.
    pp.BackBufferWidth = pp.BackBufferHeight = 0;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    EXPECT_GT(pp.BackBufferWidth, 0u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    device->Release();
}

} // namespace
} // namespace d3d8test
