// Device state: defaults, round trips, loss and reset, presentation.
#include <cstring>

#include "d3d8_fixture.h"

namespace d3d8test {
namespace {

DWORD F2D(float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

class State : public DeviceTest {};

TEST_F(State, RenderAndStageStateDefaults)
{
    struct Rs {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } defaults[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_FOGEND, F2D(1.f)},
        {D3DRS_FOGDENSITY, F2D(1.f)},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_POINTSIZE, F2D(1.f)},
        {D3DRS_POINTSCALE_A, F2D(1.f)},
        {D3DRS_POINTSIZE_MAX, F2D(64.f)},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF},
        {D3DRS_ALPHABLENDENABLE, FALSE},
    };
    for (auto& d : defaults) {
        DWORD v = 0xDEADBEEF;
        ASSERT_EQ(dev->GetRenderState(d.state, &v), D3D_OK);
        EXPECT_EQ(v, d.value) << "state " << d.state;
    }
    DWORD v = 0;
    dev->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
    dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
    dev->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_SELECTARG1));
    dev->GetTextureStageState(5, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 5u);
    dev->GetTextureStageState(3, D3DTSS_ADDRESSU, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
    dev->GetTextureStageState(3, D3DTSS_MINFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));
    // Set values come back; unknown states are refused.
    ASSERT_EQ(dev->SetRenderState(D3DRS_FOGCOLOR, 0x123456), D3D_OK);
    dev->GetRenderState(D3DRS_FOGCOLOR, &v);
    EXPECT_EQ(v, 0x123456u);
    EXPECT_EQ(dev->SetRenderState(static_cast<D3DRENDERSTATETYPE>(3), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(State, TransformsViewportMaterialAndCounters)
{
    D3DMATRIX m = Translation(1, 2, 3);
    ASSERT_EQ(dev->SetTransform(D3DTS_WORLDMATRIX(200), &m), D3D_OK);
    D3DMATRIX back{};
    ASSERT_EQ(dev->GetTransform(D3DTS_WORLDMATRIX(200), &back), D3D_OK);
    EXPECT_EQ(std::memcmp(&back, &m, sizeof(m)), 0);
    ASSERT_EQ(dev->MultiplyTransform(D3DTS_WORLDMATRIX(200), &m), D3D_OK);
    dev->GetTransform(D3DTS_WORLDMATRIX(200), &back);
    EXPECT_EQ(back._41, 2.f);
    EXPECT_EQ(back._43, 6.f);
    EXPECT_EQ(dev->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
    D3DVIEWPORT8 vp{};
    ASSERT_EQ(dev->GetViewport(&vp), D3D_OK);
    EXPECT_EQ(vp.Width, kWidth);
    EXPECT_EQ(vp.MaxZ, 1.f);
    D3DVIEWPORT8 tooBig{10, 10, kWidth, 10, 0.f, 1.f};
    EXPECT_EQ(dev->SetViewport(&tooBig), D3DERR_INVALIDCALL);
    D3DMATERIAL8 mat{};
    mat.Power = 7.f;
    ASSERT_EQ(dev->SetMaterial(&mat), D3D_OK);
    D3DMATERIAL8 got{};
    dev->GetMaterial(&got);
    EXPECT_EQ(got.Power, 7.f);
    host::D3D8ResetCounters();
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    DrawQuad(0, 0, 8, 8, 0xFFFFFFFF);
    DrawQuad(0, 0, 8, 8, 0xFFFFFFFF);
    auto counters = host::D3D8GetCounters();
    EXPECT_EQ(counters.drawCalls, 2u);
    EXPECT_EQ(counters.primitives, 4u);
    EXPECT_GE(counters.stateChanges, 2u);
}

TEST_F(State, StateBlocksRecordAndApply)
{
    DWORD token = 0;
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);
    ASSERT_EQ(dev->EndStateBlock(&token), D3D_OK);
    DWORD v = 1;
    dev->GetRenderState(D3DRS_FOGENABLE, &v);
    EXPECT_EQ(v, 0u); // recording does not apply
    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    dev->GetRenderState(D3DRS_FOGENABLE, &v);
    EXPECT_EQ(v, 1u);
    dev->GetTextureStageState(2, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_ADD));
    dev->SetRenderState(D3DRS_FOGENABLE, FALSE);
    ASSERT_EQ(dev->CaptureStateBlock(token), D3D_OK);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->ApplyStateBlock(token);
    dev->GetRenderState(D3DRS_FOGENABLE, &v);
    EXPECT_EQ(v, 0u);
    ASSERT_EQ(dev->DeleteStateBlock(token), D3D_OK);
    EXPECT_EQ(dev->ApplyStateBlock(token), D3DERR_INVALIDCALL);
    DWORD all = 0;
    ASSERT_EQ(dev->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->ApplyStateBlock(all);
    dev->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CCW));
    dev->DeleteStateBlock(all);
}

TEST_F(State, LostDeviceCycleReleasesAndRecreatesDefaultResources)
{
    IDirect3DTexture8* managed = MakeTexture(4, 4, D3DFMT_A8R8G8B8, [](UINT, UINT) { return 0xFF00FF00u; });
    ASSERT_NE(managed, nullptr);
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    dev->EndScene();
    ASSERT_EQ(dev->TestCooperativeLevel(), D3D_OK);

    host::D3D8LoseDevices();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);
    // Drawing while lost quietly does nothing.
    dev->BeginScene();
    DrawQuad(0, 0, 8, 8, 0xFFFFFFFF);
    dev->EndScene();

    host::D3D8RegainDevices();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // A live DEFAULT-pool texture makes Reset fail, and the device stays not reset.
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    target->Release();
    // So does an outstanding reference to the back buffer.
    IDirect3DSurface8* bb = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);
    bb->Release();
    host::D3D8InjectFailure(host::D3D8Failure::Reset, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_OUTOFVIDEOMEMORY);
    pp.BackBufferWidth = 32;
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    ASSERT_EQ(dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DSURFACE_DESC d;
    bb->GetDesc(&d);
    EXPECT_EQ(d.Width, 32u);
    bb->Release();
    // Recreated resources and managed ones draw again.
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    target->Release();
    dev->BeginScene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    dev->SetTexture(0, managed);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawTexturedQuad(0, 0, 16, 16, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(4, 4, 0x00FF00, 0));
    dev->SetTexture(0, nullptr);
    managed->Release();
    dev->EndScene();
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    dev->BeginScene();
}

TEST_F(State, ResetLetsGoOfBoundResourcesTheApplicationReleased)
{
    dev->EndScene();
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    struct Case {
        const char* name;
        bool holdTexture; // the application keeps its reference to the bound texture
    } cases[] = {{"all released", false}, {"texture still held", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IDirect3DVertexBuffer8* vb = nullptr;
        IDirect3DIndexBuffer8* ib = nullptr;
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(dev->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb), D3D_OK);
        ASSERT_EQ(dev->CreateIndexBuffer(64, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib), D3D_OK);
        ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
        ASSERT_EQ(dev->SetStreamSource(0, vb, 12), D3D_OK);
        ASSERT_EQ(dev->SetIndices(ib, 0), D3D_OK);
        ASSERT_EQ(dev->SetTexture(3, tex), D3D_OK);
        vb->Release();
        ib->Release();
        if (!c.holdTexture) tex->Release();

        host::D3D8LoseDevices();
        host::D3D8RegainDevices();
        ASSERT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
        if (c.holdTexture) {
            EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);
            EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
            tex->Release();
        }
        ASSERT_EQ(dev->Reset(&pp), D3D_OK);
        EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
        // Nothing stays bound to a resource that is gone.
        IDirect3DVertexBuffer8* gotVb = vb;
        UINT stride = 0;
        ASSERT_EQ(dev->GetStreamSource(0, &gotVb, &stride), D3D_OK);
        EXPECT_EQ(gotVb, nullptr);
        IDirect3DIndexBuffer8* gotIb = ib;
        UINT base = 1;
        ASSERT_EQ(dev->GetIndices(&gotIb, &base), D3D_OK);
        EXPECT_EQ(gotIb, nullptr);
        IDirect3DBaseTexture8* gotTex = tex;
        ASSERT_EQ(dev->GetTexture(3, &gotTex), D3D_OK);
        EXPECT_EQ(gotTex, nullptr);
    }
    // A managed texture held and bound never blocks a reset.
    IDirect3DTexture8* managed = MakeTexture(4, 4, D3DFMT_A8R8G8B8, [](UINT, UINT) { return 0xFF0000FFu; });
    ASSERT_NE(managed, nullptr);
    dev->SetTexture(0, managed);
    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    EXPECT_EQ(dev->Reset(&pp), D3D_OK);
    managed->Release();
    dev->BeginScene();
}

TEST_F(State, PresentRulesGammaAndCursor)
{
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL); // inside a scene
    dev->EndScene();
    host::D3D8ResetCounters();
    RECT src{0, 0, 8, 8};
    EXPECT_EQ(dev->Present(&src, nullptr, nullptr, nullptr), D3D_OK); // COPY takes rectangles
    EXPECT_EQ(host::D3D8GetCounters().presents, 1u);
    host::D3D8InjectFailure(host::D3D8Failure::Present, D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DRIVERINTERNALERROR);
    dev->BeginScene();
    D3DGAMMARAMP ramp{};
    dev->GetGammaRamp(&ramp);
    EXPECT_EQ(ramp.green[255], 65535); // identity by default
    EXPECT_EQ(ramp.blue[1], 257);
    for (int i = 0; i < 256; ++i) ramp.red[i] = static_cast<WORD>(65535 - i * 257);
    dev->SetGammaRamp(D3DSGR_NO_CALIBRATION, &ramp);
    D3DGAMMARAMP got{};
    dev->GetGammaRamp(&got);
    EXPECT_EQ(got.red[0], 65535);
    EXPECT_EQ(got.red[255], 0);
    IDirect3DSurface8* cursor = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(32, 32, D3DFMT_A8R8G8B8, &cursor), D3D_OK);
    EXPECT_EQ(dev->SetCursorProperties(40, 0, cursor), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetCursorProperties(3, 4, cursor), D3D_OK);
    dev->SetCursorPosition(100, 200, 0);
    EXPECT_FALSE(dev->ShowCursor(TRUE));
    EXPECT_TRUE(dev->ShowCursor(TRUE));
    host::D3D8CursorState cs;
    ASSERT_TRUE(host::D3D8GetCursorState(dev, cs));
    EXPECT_TRUE(cs.visible);
    EXPECT_EQ(cs.x, 100u);
    EXPECT_EQ(cs.hotY, 4u);
    cursor->Release();
    dev->ShowCursor(FALSE);
}

} // namespace
} // namespace d3d8test

namespace d3d8test {
namespace {

TEST_F(State, ShaderEntryPoints)
{
    // FVF codes select the fixed-function pipeline; handles (bit 0) must have been created.
    EXPECT_EQ(dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_TEX2), D3D_OK);
    DWORD h = 0;
    ASSERT_EQ(dev->GetVertexShader(&h), D3D_OK);
    EXPECT_EQ(h, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX2));
    EXPECT_EQ(dev->SetVertexShader(3), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShader(D3DFVF_XYZ | 0x900), D3DERR_INVALIDCALL); // nine coordinate sets
    const DWORD decl[] = {D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};      // no stream
    EXPECT_EQ(dev->CreateVertexShader(decl, nullptr, &h, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(h, 0u);
    float c[8] = {1, 2, 3, 4, 5, 6, 7, 8}, back[8] = {};
    ASSERT_EQ(dev->SetVertexShaderConstant(254, c, 2), D3D_OK);
    ASSERT_EQ(dev->GetVertexShaderConstant(254, back, 2), D3D_OK);
    EXPECT_EQ(back[7], 8.f);
    EXPECT_EQ(dev->SetVertexShaderConstant(255, c, 2), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetPixelShaderConstant(7, c, 1), D3D_OK);
    EXPECT_EQ(dev->SetPixelShaderConstant(7, c, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShader(0), D3D_OK);
    EXPECT_EQ(dev->SetPixelShader(5), D3DERR_INVALIDCALL);
}

} // namespace
} // namespace d3d8test
