// The terrain sample client: builds the engine in a window of its own, makes
// a static terrain from a generated height field, lays water over its basin
// and draws it lit and textured (its blocks' texture from a library made at
// run time, out/terrain.lib) from a camera on a hill, at mixed levels of
// detail, then saves the last presented frame as out/terrain.png.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <kestu.h>
#include <host/host.h>

#include "../../tools/kestu-terrain/terrain_gen.h"
#include "../../tools/kestu-terrain/texture_lib_gen.h"
#include "../common/ground_texture.h"
#include "../common/sample_engine.h"

namespace {

const char kPngPath[] = "out/terrain.png";
const int kFrames = 3;
const char kTextureLibrary[] = "out/terrain.lib";
const float kWaterLevel = 6.5f;
const WORD kGroundTexture = 1;

terrain_gen::Params FieldParams()
{
    terrain_gen::Params p;
    p.depth = 5; // 16 x 16 blocks
    p.blockSize = 16.0f;
    p.relief = 26.0f;
    p.base = 9.0f;
    p.seed = 7;
    p.sandTexture = p.grassTexture = p.rockTexture = kGroundTexture; // one ground everywhere
    return p;
}

class CTerrainScene : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        m_pDevice = device;
        const terrain_gen::Params p = FieldParams();
        const std::vector<uint8_t> block = terrain_gen::MakeDataBlock(p);
        const float levels[2] = {70.0f, 150.0f};
        m_DistLOD.Set(levels, 2, 0);
        HRESULT hr = m_Terrain.Build(device, block.data(), block.size(), &m_DistLOD, 0.0f, TERRAIN_BUILD_ALL, nullptr);
        if (FAILED(hr)) return hr;
        // The blocks find their texture by id in a library made here.
        hr = texture_lib_gen::MakeTextureLibrary(device, kTextureLibrary,
                                                 {{kGroundTexture, "ground", 128, 128, sample::GroundTexel}});
        if (SUCCEEDED(hr)) hr = m_Textures.Build(device, kTextureLibrary);
        if (FAILED(hr)) return hr;
        if (!m_Textures.QueryTexture(kGroundTexture)) return E_FAIL;
        m_Terrain.SetTexMng(&m_Textures);

        STerrainWaterInit water;
        water.pDevice = device;
        water.pTerrains = &m_Terrain;
        water.byTerrainCount = 1;
        water.fAltitude = kWaterLevel;
        water.dwColor = 0xD0205A8C;
        water.bWave = 1;
        water.pSinTable = &m_SinTable;
        const FPOINT uv[5] = {{0.5f, 0.5f}, {0, 0}, {0, 1}, {1, 1}, {1, 0}};
        std::memcpy(water.TexCoords, uv, sizeof uv);
        return m_Water.Build(&water);
    }
    HRESULT ActivateDeviceObjects() override { return m_Terrain.Restore(); }
    HRESULT InvalidateDeviceObjects() override { return m_Terrain.Invalidate(); }

    void Release()
    {
        m_Water.Release();
        m_Terrain.Release();
        if (m_Textures.IsBuilt()) m_Textures.ReleaseTexture(kGroundTexture);
        m_Textures.Release();
    }

    HRESULT Render(float time)
    {
        IDirect3DDevice8* d = m_pDevice;
        const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
        // The camera stands on the south-west hills and looks over the lake.
        m_Eye.SetViewingFrustum(D3DX_PI / 3.5f, float(back->Width) / float(back->Height), 1.0f, 400.0f, 1.1f, 0, 1,
                                FRUSTUM_WIDEN_RATE);
        D3DXVECTOR3 pos(40.0f + 6.0f * time, 58.0f, 30.0f);
        const D3DXVECTOR3 target(150.0f, 4.0f, 150.0f), up(0.0f, 1.0f, 0.0f);
        D3DXVECTOR3 dir = target - pos;
        D3DXVec3Normalize(&dir, &dir);
        m_Eye.SetPos(&pos, 0);
        m_Eye.SetDirection(&dir, &up, 1);

        D3DXMATRIX world;
        D3DXMatrixIdentity(&world);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetTransform(D3DTS_VIEW, m_Eye.GetViewMatrix());
        d->SetTransform(D3DTS_PROJECTION, m_Eye.GetProjMatrix());
        sample::SetSun(d, {1.0f, 0.95f, 0.85f, 1.0f}, {0.5f, -0.7f, 0.6f}, 0xFF505868u);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

        HRESULT hr = m_Terrain.UpdateVisibleState(m_Eye.GetFrustum(), 1, 1);
        if (FAILED(hr)) return hr;
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        hr = m_Terrain.Render();
        if (FAILED(hr)) return hr;

        // The water: vertex colours with the shore alpha, blended over the ground.
        m_Water.UpdateFrame(time);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        hr = m_Water.Render(d);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTexture(0, nullptr);
        d->SetTransform(D3DTS_WORLD, &world);
        return hr;
    }

    const CTerrain& Terrain() const { return m_Terrain; }

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    CTextureMng m_Textures;
    SGfxDistLOD m_DistLOD;
    CTerrain m_Terrain;
    CGfxTerrainWater m_Water;
    CTrigonometricfunctionTable m_SinTable;
    CEye m_Eye;
};

} // namespace

int main()
{
    CTerrainScene scene;
    if (FAILED(sample::BuildEngine(&scene, "terrain", "Kestu Terrain"))) return 1;
    int status = 0;
    for (int frame = 0; frame < kFrames && status == 0; ++frame)
        if (FAILED(sample::Frame("terrain", frame, 0xFF9CC4E8u, [&] { return scene.Render(0.5f * float(frame)); })))
            status = 1;
    if (status == 0 && !sample::SavePicture("terrain", kPngPath)) status = 1;
    const DWORD visible = scene.Terrain().GetVisibleBlockNum(), faces = scene.Terrain().GetVisibleFaceNum();
    scene.Release();
    Kestu_Release();
    if (status == 0) std::printf("terrain: wrote %s (%u blocks, %u triangles)\n", kPngPath, visible, faces);
    return status;
}
