// The engine built in a window of its own (the far ring reaches its device
// and its shared scratch list), a client that hands device events to the
// streamed terrain, and frames read back from the device.
#pragma once
#include <string>
#include <vector>

#include "dt_fixture.h"
#include "host/host.h"

class DTDeviceEvents : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8*) override { return 0; }
    HRESULT InvalidateDeviceObjects() override
    {
        if (terrain && forward) terrain->Invalidate();
        return 0;
    }
    HRESULT ActivateDeviceObjects() override { return terrain ? terrain->Restore() : 0; }

    CDynamicTerrain* terrain = nullptr;
    bool forward = true;
};

class DTDeviceTest : public DTTerrainTest {
protected:
    static constexpr D3DCOLOR kBackground = 0xFFFF00FF;

    void SetUp() override
    {
        DTTerrainTest::SetUp();
        Kestu_Release();
        host::D3D8ResetDefaults();
        hardware.m_nPixelFormat = 32;
        cfg.hInstance = GetModuleHandleA(nullptr);
        cfg.pDevObjMng = &events;
        cfg.bWindowed = TRUE;
        cfg.bUseDepthBuffer = TRUE;
        cfg.dwMinDepthBits = 16;
        ASSERT_EQ(Kestu_Build(&cfg, nullptr), 0);
        device = Kestu_GetDevice();
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override
    {
        events.terrain = nullptr;
        Kestu_Release();
        host::D3D8ResetDefaults();
        hardware.m_nPixelFormat = 16;
    }

    // A camera at eye looking at target, on the device and in `camera`.
    void Look(CEye& camera, const D3DXVECTOR3& eye, const D3DXVECTOR3& target, float fov = D3DX_PI / 4)
    {
        D3DVIEWPORT8 vp{};
        device->GetViewport(&vp);
        camera.SetViewingFrustum(fov, float(vp.Width) / float(vp.Height), 1.0f, 2000.0f, 1.0f, 0, 1,
                                 FRUSTUM_WIDEN_RATE);
        D3DXVECTOR3 pos = eye, dir = target - eye;
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXVec3Normalize(&dir, &dir);
        camera.SetPos(&pos, 0);
        camera.SetDirection(&dir, &up, 1);
        device->SetTransform(D3DTS_VIEW, camera.GetViewMatrix());
        device->SetTransform(D3DTS_PROJECTION, camera.GetProjMatrix());
    }
    // Plain white geometry over the background colour.
    void FlatStates()
    {
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    }
    template <class Draw>
    std::vector<uint32_t> Frame(Draw draw, const std::string& name)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        draw();
        device->EndScene();
        std::vector<uint32_t> px;
        UINT w = 0, h = 0;
        host::D3D8ReadRenderTarget(device, px, w, h);
        width = w;
        height = h;
        last = name;
        return px;
    }
    int Count(const std::vector<uint32_t>& px, D3DCOLOR colour) const
    {
        int n = 0;
        for (uint32_t p : px) n += (p & 0xFFFFFF) == (colour & 0xFFFFFF);
        return n;
    }
    void Save(const std::vector<uint32_t>& px) const
    {
        const char* dir = std::getenv("KESTU_TEST_OUTPUT");
        host::WindowPixels image;
        image.width = int32_t(width);
        image.height = int32_t(height);
        image.pixels = px;
        host::SavePixelsPng(image, std::string(dir ? dir : ".") + "/" + last + ".png");
    }

    KESTU_CONFIG cfg;
    DTDeviceEvents events;
    IDirect3DDevice8* device = nullptr;
    UINT width = 0, height = 0;
    std::string last;
};
