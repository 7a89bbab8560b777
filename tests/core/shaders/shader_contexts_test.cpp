#include "shader_device.h"
#include "kestu_shadercontexts.h"

namespace {

using StockContexts = ShaderDevice;

void SetSampleTransforms(IShaderContext& context, D3DXMATRIX* wvpT)
{
    D3DXMATRIX w, v, p, wv, wvp;
    D3DXMatrixTranslation(&w, 1.0f, 2.0f, 3.0f);
    D3DXMatrixRotationY(&v, 0.5f);
    v._43 = 10.0f;
    D3DXMatrixPerspectiveFovLH(&p, 1.0f, 1.0f, 0.5f, 100.0f);
    context.SetTransform(D3DTS_WORLD, &w);
    context.SetTransform(D3DTS_VIEW, &v);
    context.SetTransform(D3DTS_PROJECTION, &p);
    D3DXMatrixMultiply(&wv, &w, &v);
    D3DXMatrixMultiply(&wvp, &wv, &p);
    D3DXMatrixTranspose(wvpT, &wvp);
}

std::vector<BYTE> RampBytes(IDirect3DTexture8* ramp, UINT width)
{
    std::vector<BYTE> bytes;
    D3DLOCKED_RECT locked{};
    if (FAILED(ramp->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return bytes;
    const BYTE* p = static_cast<const BYTE*>(locked.pBits);
    for (UINT i = 0; i < width; ++i) {
        // All four bytes of a texel match: the ramps are grey with the same alpha.
        if (p[i * 4] == p[i * 4 + 1] && p[i * 4] == p[i * 4 + 2] && p[i * 4] == p[i * 4 + 3])
            bytes.push_back(p[i * 4]);
        else
            bytes.push_back(0x01);
    }
    ramp->UnlockRect(0);
    return bytes;
}

TEST_F(StockContexts, ToonBuildsRampsOnceAndUploadsItsRegisters)
{
    CShaderToon toon;
    EXPECT_EQ(toon.QueryInterface(), 4662u);
    D3DXMATRIX wvpT;
    SetSampleTransforms(toon, &wvpT);
    toon.SetColor(0.1f, 0.2f, 0.3f, 0.4f);
    toon.SetViewPosition(7.0f, 8.0f, 9.0f);
    EXPECT_EQ(toon.GetViewPosition().y, 8.0f);
    Poison();

    EXPECT_EQ(toon.IsBuilt(), 0);
    EXPECT_EQ(toon.UpdateConstant(device), 0);
    ASSERT_EQ(toon.IsBuilt(), 1);
    IDirect3DTexture8* ramp16 = toon.GetRamp16();
    IDirect3DTexture8* ramp8 = toon.GetRamp8();
    ASSERT_NE(ramp16, nullptr);
    ASSERT_NE(ramp8, nullptr);
    D3DSURFACE_DESC desc{};
    ramp16->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    ramp8->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 8u);

    const std::vector<BYTE> r16 = RampBytes(ramp16, 16);
    ASSERT_EQ(r16.size(), 16u);
    // Point-sampled at u = 0.1, 0.4 and 0.9: the three bands.
    EXPECT_EQ(r16[size_t(0.1 * 16)], 0x7F);
    EXPECT_EQ(r16[size_t(0.4 * 16)], 0xBF);
    EXPECT_EQ(r16[size_t(0.9 * 16)], 0xFF);
    EXPECT_EQ(r16, (std::vector<BYTE>{0x7F, 0x7F, 0x7F, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                      0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(RampBytes(ramp8, 8), (std::vector<BYTE>{0x40, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

    ExpectRegistersEqual(device, 0, &wvpT._11, 4);
    EXPECT_EQ(VS(4), V4(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_EQ(VS(5)[0], 5.0f);
    EXPECT_EQ(VS(5)[2], 5.0f);
    EXPECT_EQ(VS(6)[0], 7.0f);
    EXPECT_EQ(VS(6)[2], 9.0f);

    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, ramp16);
    if (bound) bound->Release();
    device->GetTexture(1, &bound);
    EXPECT_EQ(bound, ramp8);
    if (bound) bound->Release();
    for (DWORD stage : {0u, 1u}) {
        EXPECT_EQ(Stage(stage, D3DTSS_MAGFILTER), DWORD(D3DTEXF_POINT));
        EXPECT_EQ(Stage(stage, D3DTSS_MINFILTER), DWORD(D3DTEXF_POINT));
        EXPECT_EQ(Stage(stage, D3DTSS_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
        EXPECT_EQ(Stage(stage, D3DTSS_ADDRESSV), DWORD(D3DTADDRESS_WRAP));
        EXPECT_EQ(Stage(stage, D3DTSS_COLORARG1), DWORD(D3DTA_TEXTURE));
    }
    EXPECT_EQ(Stage(0, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(Stage(0, D3DTSS_COLORARG2), DWORD(D3DTA_DIFFUSE));
    EXPECT_EQ(Stage(1, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG2));
    EXPECT_EQ(Stage(1, D3DTSS_COLORARG2), DWORD(D3DTA_CURRENT));

    // Later updates create nothing; after Release the next one builds again.
    toon.UpdateConstant(device);
    EXPECT_EQ(toon.GetRamp16(), ramp16);
    toon.Release();
    EXPECT_EQ(toon.IsBuilt(), 0);
    EXPECT_EQ(toon.GetRamp16(), nullptr);
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    toon.UpdateConstant(device);
    EXPECT_EQ(toon.IsBuilt(), 1);
    EXPECT_NE(toon.GetRamp16(), nullptr);

    // A copy holds its own references: both may release.
    CShaderToon copy(toon);
    CShaderToon assigned;
    assigned = copy;
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    toon.Release();
    EXPECT_EQ(RampBytes(copy.GetRamp8(), 8).size(), 8u);
    copy.Release();
    assigned.Release();
}

TEST_F(StockContexts, FireUploadsLayersAndPixelConstants)
{
    CShaderFire fire;
    EXPECT_EQ(fire.QueryInterface(), 4661u);
    D3DXMATRIX wvpT;
    SetSampleTransforms(fire, &wvpT);
    Poison();
    EXPECT_EQ(fire.UpdateConstant(device), 0);
    ExpectRegistersEqual(device, 0, &wvpT._11, 4);
    EXPECT_EQ(VS(10), V4(0, 0, 0, 0));
    EXPECT_EQ(VS(11), V4(0, 1.3f, 0, 0));
    EXPECT_EQ(VS(12), V4(0, 2.1f, 0, 0));
    EXPECT_EQ(VS(13), V4(0, 2.3f, 0, 0));
    EXPECT_EQ(VS(14), V4(1, 1, 0, 0));
    EXPECT_EQ(VS(15), V4(2, 2, 0, 0));
    EXPECT_EQ(VS(16), V4(3, 3, 0, 0));
    EXPECT_EQ(PS(1), V4(0.1f, 0.2f, 0, 0));
    EXPECT_EQ(PS(2), V4(0.1f, 0.3f, 0, 0));
    EXPECT_EQ(PS(3), V4(0.1f, 0.1f, 0, 0));
    EXPECT_EQ(PS(4), V4(0.5f, 0.1f, 0, 0));

    fire.SetTime(2.5f);
    fire.SetScale2(5, 6, 7, 8);
    fire.SetScroll3(1, 2, 3, 4);
    fire.SetDistortion1(9, 8, 7, 6);
    fire.SetBias(0.25f, 0.75f, 1, 0);
    CShaderFire copy(fire);
    copy.UpdateConstant(device);
    EXPECT_EQ(VS(10), V4(2.5f, 0, 0, 0));
    EXPECT_EQ(VS(15), V4(5, 6, 7, 8));
    EXPECT_EQ(VS(13), V4(1, 2, 3, 4));
    EXPECT_EQ(PS(1), V4(9, 8, 7, 6));
    EXPECT_EQ(PS(4), V4(0.25f, 0.75f, 1, 0));
    EXPECT_EQ(VS(17)[0], -77.0f); // nothing beyond the fire's registers
}

} // namespace
