// Fog: the caps read once, the fallback between vertex and table fog, and the
// states each mode and formula sets.
#include <gtest/gtest.h>

#include <bit>

#include <d3dx8math.h>

#include "host/host.h"
#include "kestu_fog.h"
#include "support/device.h"

namespace {

class Fog : public testdevice::DeviceSuite<64, 64> {
protected:
    void TearDown() override { host::D3D8SetCapsFilter(nullptr); }
    // The device offers only the fog caps in `raster` (of the fog family).
    static void OfferFogCaps(DWORD raster)
    {
        host::D3D8SetCapsFilter([raster](D3DDEVTYPE, D3DCAPS8& caps) {
            caps.RasterCaps &= ~DWORD(D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_WFOG |
                                      D3DPRASTERCAPS_ZFOG | D3DPRASTERCAPS_FOGRANGE);
            caps.RasterCaps |= raster;
        });
    }
    static DWORD State(D3DRENDERSTATETYPE s)
    {
        DWORD v = 0xDEADBEEF;
        device->GetRenderState(s, &v);
        return v;
    }
    static void ClearStates()
    {
        for (D3DRENDERSTATETYPE s : {D3DRS_FOGENABLE, D3DRS_FOGVERTEXMODE, D3DRS_FOGTABLEMODE, D3DRS_RANGEFOGENABLE,
                                     D3DRS_FOGSTART, D3DRS_FOGEND, D3DRS_FOGDENSITY, D3DRS_FOGCOLOR})
            device->SetRenderState(s, 0);
    }
};

constexpr DWORD kAllFog = D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_WFOG |
                          D3DPRASTERCAPS_ZFOG | D3DPRASTERCAPS_FOGRANGE;

} // namespace

TEST_F(Fog, DefaultsAndCapsRead)
{
    SFogPara fog;
    EXPECT_EQ(fog.nMode, 0);
    EXPECT_EQ(fog.dwFormula, DWORD(D3DFOG_LINEAR));
    EXPECT_EQ(fog.dwColor, 0x808080u);
    EXPECT_EQ(fog.CheckGraphic(nullptr), E_FAIL);
    EXPECT_FALSE(fog.bCapsRead);

    OfferFogCaps(D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_WFOG | D3DPRASTERCAPS_FOGRANGE);
    ASSERT_EQ(fog.CheckGraphic(device), S_OK);
    EXPECT_TRUE(fog.bCapsRead);
    EXPECT_TRUE(fog.bTableFogCaps);
    EXPECT_FALSE(fog.bVertexFogCaps);
    EXPECT_TRUE(fog.bWFogCaps);
    EXPECT_TRUE(fog.bRangeFogCaps);
    // Table fog needs a W or Z fog cap beside it.
    OfferFogCaps(D3DPRASTERCAPS_FOGTABLE);
    ASSERT_EQ(fog.CheckGraphic(device), S_OK);
    EXPECT_FALSE(fog.bTableFogCaps);
}

TEST_F(Fog, WithoutADeviceNothingIsSet)
{
    SFogPara fog;
    EXPECT_EQ(fog.ApplyFog(nullptr, 100.0f), E_FAIL);
    EXPECT_FALSE(fog.bCapsRead);
}

TEST_F(Fog, LinearVertexFogWithRange)
{
    OfferFogCaps(kAllFog);
    ClearStates();
    SFogPara fog;
    fog.dwColor = 0x112233;
    ASSERT_EQ(fog.ApplyFog(device, 200.0f), S_OK);
    EXPECT_EQ(State(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(State(D3DRS_FOGCOLOR), 0x112233u);
    EXPECT_EQ(State(D3DRS_FOGVERTEXMODE), DWORD(D3DFOG_LINEAR));
    EXPECT_EQ(std::bit_cast<float>(State(D3DRS_FOGSTART)), 160.0f);
    EXPECT_EQ(std::bit_cast<float>(State(D3DRS_FOGEND)), 200.0f);
    EXPECT_EQ(State(D3DRS_RANGEFOGENABLE), 1u);
    EXPECT_EQ(State(D3DRS_FOGTABLEMODE), 0u);

    fog.bRangeFog = 0;
    ASSERT_EQ(fog.ApplyFog(device, 200.0f), S_OK);
    EXPECT_EQ(State(D3DRS_RANGEFOGENABLE), 0u);
}

TEST_F(Fog, ExponentialTableFog)
{
    OfferFogCaps(kAllFog);
    ClearStates();
    SFogPara fog;
    fog.nMode = 1;
    fog.dwFormula = D3DFOG_EXP2;
    fog.fDensity = 0.05f;
    ASSERT_EQ(fog.ApplyFog(device, 50.0f), S_OK);
    EXPECT_EQ(State(D3DRS_FOGTABLEMODE), DWORD(D3DFOG_EXP2));
    EXPECT_EQ(std::bit_cast<float>(State(D3DRS_FOGDENSITY)), 0.05f);
    EXPECT_EQ(State(D3DRS_FOGVERTEXMODE), 0u);
    EXPECT_EQ(State(D3DRS_FOGSTART), 0u);
    EXPECT_EQ(fog.nMode, 1);
}

TEST_F(Fog, ModesFallBackToTheCaps)
{
    struct Case {
        DWORD caps;
        int32_t mode;
        int32_t modeAfter;
        DWORD fogEnable;
    };
    const Case cases[] = {
        {D3DPRASTERCAPS_FOGVERTEX, 1, 0, 1},                      // table asked, vertex only
        {D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_ZFOG, 0, 1, 1}, // vertex asked, table only
        {D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_ZFOG | D3DPRASTERCAPS_FOGVERTEX, 1, 1, 1},
        {0, 0, 0, 0}, // no fog at all
        {0, 1, 1, 0},
        {kAllFog, -1, -1, 0}, // fog switched off
    };
    for (const Case& c : cases) {
        OfferFogCaps(c.caps);
        ClearStates();
        device->SetRenderState(D3DRS_FOGENABLE, 1);
        SFogPara fog;
        fog.nMode = c.mode;
        EXPECT_EQ(fog.ApplyFog(device, 100.0f), S_OK);
        EXPECT_EQ(fog.nMode, c.modeAfter) << c.caps << " " << c.mode;
        EXPECT_EQ(State(D3DRS_FOGENABLE), c.fogEnable) << c.caps << " " << c.mode;
        if (c.fogEnable) {
            const bool vertex = c.modeAfter == 0;
            EXPECT_EQ(State(vertex ? D3DRS_FOGVERTEXMODE : D3DRS_FOGTABLEMODE), DWORD(D3DFOG_LINEAR));
            EXPECT_EQ(State(vertex ? D3DRS_FOGTABLEMODE : D3DRS_FOGVERTEXMODE), 0u);
        }
        // The fallback sticks, and the caps are not read again.
        OfferFogCaps(kAllFog);
        EXPECT_EQ(fog.ApplyFog(device, 100.0f), S_OK);
        EXPECT_EQ(fog.nMode, c.modeAfter);
        EXPECT_EQ(State(D3DRS_FOGENABLE), c.fogEnable);
    }
}

TEST_F(Fog, FarGeometryTakesTheFogColour)
{
    OfferFogCaps(kAllFog);
    struct V {
        float x, y, z;
        DWORD c;
    };
    // A red quad filling the view at depth 90 under linear fog from 0 to 80.
    const V quad[4] = {{-200, -200, 90, 0xFFFF0000},
                       {-200, 200, 90, 0xFFFF0000},
                       {200, -200, 90, 0xFFFF0000},
                       {200, 200, 90, 0xFFFF0000}};
    D3DXMATRIX id, proj;
    D3DXMatrixIdentity(&id);
    D3DXMatrixPerspectiveFovLH(&proj, 1.5f, 1.0f, 1.0f, 1000.0f);
    for (int32_t mode : {0, 1}) {
        device->SetTransform(D3DTS_WORLD, &id);
        device->SetTransform(D3DTS_VIEW, &id);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        ClearStates();
        SFogPara fog;
        fog.nMode = mode;
        fog.dwColor = 0x0000FF;
        fog.fStartFactor = 0.0f;
        ASSERT_EQ(fog.ApplyFog(device, 80.0f), S_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V)), S_OK);
        device->EndScene();
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        const kestu_test::Image image = Picture();
        EXPECT_TRUE(kestu_test::PixelNear(image, 32, 32, 0xFF0000FFu, 8)) << "mode " << mode;
    }
}
