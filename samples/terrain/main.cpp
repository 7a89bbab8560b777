// The terrain sample client: builds the engine in a window of its own, makes
// a static terrain from a generated height field, lays water over its basin
// and draws it lit and textured from a camera on a hill, at mixed levels of
// detail, then saves the last presented frame as out/terrain.png.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <kestu.h>
#include <host/host.h>

#include "../../tools/kestu-terrain/terrain_gen.h"
#include "../common/sample_engine.h"

namespace {

const char kPngPath[] = "out/terrain.png";
const int kFrames = 3;
const float kWaterLevel = 6.5f;

terrain_gen::Params FieldParams()
{
    terrain_gen::Params p;
    p.depth = 5;  // 16 x 16 blocks
    p.blockSize = 16.0f;
    p.relief = 26.0f;
    p.base = 9.0f;
    p.seed = 7;
    return p;
}

// Value noise over a lattice that wraps every `size` texels, so that the
// texture repeats from block to block without a seam.
float TileNoise(uint32_t seed, int x, int y, int cell, int size)
{
    const int period = size / cell;
    const int ix = x / cell, iy = y / cell;
    float tx = float(x % cell) / cell, ty = float(y % cell) / cell;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    auto at = [&](int i, int j) { return terrain_gen::Lattice(seed, i % period, j % period); };
    const float a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
    const float low = a + (b - a) * tx, high = c + (d - c) * tx;
    return low + (high - low) * ty;
}

// A grass-and-earth texture with a few mip levels.
HRESULT MakeGroundTexture(IDirect3DDevice8* device, IDirect3DTexture8** out)
{
    HRESULT hr = D3DXCreateTexture(device, 128, 128, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, out);
    if (FAILED(hr)) return hr;
    D3DLOCKED_RECT lr{};
    hr = (*out)->LockRect(0, &lr, nullptr, 0);
    if (FAILED(hr)) return hr;
    for (int y = 0; y < 128; ++y) {
        auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
        for (int x = 0; x < 128; ++x) {
            const float n = 0.55f * TileNoise(3, x, y, 16, 128) + 0.45f * TileNoise(4, x, y, 4, 128);
            const float earth = std::max(0.0f, TileNoise(5, x, y, 32, 128) - 0.6f) * 1.5f;
            const int r = int(70 + 60 * n + 70 * earth), g = int(110 + 80 * n - 10 * earth), b = int(40 + 30 * n);
            row[x] = 0xFF000000u | (DWORD(r) << 16) | (DWORD(g) << 8) | DWORD(b);
        }
    }
    (*out)->UnlockRect(0);
    return D3DXFilterTexture(*out, nullptr, 0, D3DX_DEFAULT);
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
        hr = MakeGroundTexture(device, &m_pGround);
        if (FAILED(hr)) return hr;

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
        if (m_pGround) m_pGround->Release();
        m_pGround = nullptr;
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
        d->SetTexture(0, m_pGround);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        hr = m_Terrain.RenderRough();
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
    IDirect3DTexture8* m_pGround = nullptr;
    SGfxDistLOD m_DistLOD;
    CTerrain m_Terrain;
    CGfxTerrainWater m_Water;
    CTrigonometricfunctionTable m_SinTable;
    CEye m_Eye;
};

}  // namespace

int main()
{
    CTerrainScene scene;
    if (FAILED(sample::BuildEngine(&scene, "terrain", "Kestu Terrain"))) return 1;
    HWND wnd = Kestu_GetCfg()->GetRenderWnd();
    int status = 0;
    for (int frame = 0; frame < kFrames && status == 0; ++frame)
        if (FAILED(sample::Frame("terrain", frame, 0xFF9CC4E8u, [&] { return scene.Render(0.5f * float(frame)); })))
            status = 1;
    if (status == 0 && !host::SaveWindowPng(wnd, kPngPath)) {
        std::fprintf(stderr, "terrain: cannot save %s\n", kPngPath);
        status = 1;
    }
    const DWORD visible = scene.Terrain().GetVisibleBlockNum(), faces = scene.Terrain().GetVisibleFaceNum();
    scene.Release();
    Kestu_Release();
    if (status == 0) std::printf("terrain: wrote %s (%u blocks, %u triangles)\n", kPngPath, visible, faces);
    return status;
}
