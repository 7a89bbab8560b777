// The streamed-terrain sample client: builds the engine in a window of its
// own, makes a texture library and a 256 x 256-block map of generated hills
// and lakes, and flies the camera across it. Each frame the terrain is
// clipped to the view circle, the sample answers its load requests and its
// extern far-ring positions, the visible blocks choose their levels, the
// water waves move, and terrain, water and far ring are drawn. Four frames of
// the flight are saved as a 2 x 2 strip in out/streamed.png.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <kestu.h>
#include <kestu_texture_mng.h>
#include <host/host.h>

#include "../../tools/kestu-terrain/streamed_gen.h"
#include "../common/sample_engine.h"

namespace {

const char kPngPath[] = "out/streamed.png";
constexpr int kFrames = 48;
constexpr int kShots[4] = {0, 15, 31, 47};
constexpr float kViewRadius = 220.0f;
constexpr float kFarExtra = 1400.0f;
constexpr DWORD kWaterTexture = 4;

streamed_gen::Map MapParams()
{
    streamed_gen::Map m;
    m.seed = 21;
    m.stride = 256;
    m.blockSize = 8.0f;
    m.relief = 150.0f;
    m.base = 30.0f;
    m.feature = 520.0f;
    m.waterLevel = 22.0f;
    m.sandLine = 26.0f;
    m.rockLine = 58.0f;
    return m;
}

class CStreamedScene : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        m_pDevice = device;
        HRESULT hr = MakeTextures(device);
        if (FAILED(hr)) return hr;
        m_FarGrid = m_Map.FarGrid(m_Map.stride / 4 + 1);

        SDynamicTerrainInit init;
        init.dwBlockStride = DWORD(m_Map.stride);
        init.fBlockWidth = init.fBlockHeight = m_Map.blockSize;
        SDTTextureResCfg tex;
        tex.pTextureMng = &m_Textures;
        tex.bReleaseTexture = 1;
        SDTOutlyingCfg ring;
        ring.nRatio = 4;
        ring.pfAltitudes = m_FarGrid.data();
        ring.nGridSide = m_Map.stride / 4 + 1;
        SWaterWaveCfg waves;
        SWaterWaveEntry wave;
        wave.byID = 0;
        wave.Wave.fXAmplitude = 0.35f;
        wave.Wave.fZAmplitude = 0.25f;
        waves.Entries.push_back(wave);
        SDTLODCfg lod;
        lod.fLODDist = 60.0f;
        lod.fLODAlt = 2.0f;
        hr = m_Terrain.Build(&init, &tex, nullptr, &ring, &waves, &lod, nullptr, 2048, &m_Sine);
        return FAILED(hr) ? hr : S_OK;
    }
    HRESULT ActivateDeviceObjects() override
    {
        m_Textures.Restore();
        return m_Terrain.Restore();
    }
    HRESULT InvalidateDeviceObjects() override
    {
        m_Textures.Invalidate();
        return m_Terrain.Invalidate();
    }

    void Release()
    {
        m_Terrain.Release();
        m_Textures.Release();
        std::filesystem::remove(m_LibPath);
    }

    // One frame of the flight at time t (seconds).
    HRESULT Frame(float t)
    {
        IDirect3DDevice8* d = m_pDevice;
        const float s = t / float(kFrames);
        const D3DXVECTOR3 pos(260.0f + 1300.0f * s, 0.0f, 300.0f + 900.0f * s);
        const float ground = std::max(m_Map.Height(pos.x, pos.z), m_Map.waterLevel);
        D3DXVECTOR3 eye(pos.x, ground + 45.0f, pos.z);
        const float heading = 0.9f - 0.5f * s;
        D3DXVECTOR3 dir(std::sin(heading), -0.22f, std::cos(heading));
        D3DXVec3Normalize(&dir, &dir);
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
        m_Eye.SetViewingFrustum(D3DX_PI / 3.2f, float(back->Width) / float(back->Height), 1.0f, 1800.0f, 1.05f, 0, 1,
                                FRUSTUM_WIDEN_RATE);
        m_Eye.SetPos(&eye, 0);
        m_Eye.SetDirection(&dir, &up, 1);

        // Streaming: the view circle, the client's answers, the frame's blocks.
        const SBoundCircle view(eye.x, eye.z, kViewRadius);
        // The far ring reaches a map's width beyond the map on every side.
        const float size = float(m_Map.stride) * m_Map.blockSize;
        const KESTURECT2 area(-size, 2.0f * size, 2.0f * size, -size);
        HRESULT hr = m_Terrain.Clip(&view, 16, kFarExtra, &area);
        if (FAILED(hr)) return hr;
        m_Attached += streamed_gen::Serve(m_Terrain, m_Map, 16);
        hr = m_Terrain.UpdateVisibleState(&m_Eye, TRUE, TRUE, kViewRadius);
        if (FAILED(hr)) return hr;
        m_Terrain.FrameMoveAllWater(t * 0.6f);

        d->SetTransform(D3DTS_VIEW, m_Eye.GetViewMatrix());
        d->SetTransform(D3DTS_PROJECTION, m_Eye.GetProjMatrix());
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_FOGENABLE, TRUE);
        d->SetRenderState(D3DRS_FOGCOLOR, 0xFFB8CCE0u);
        d->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
        float fogStart = 350.0f, fogEnd = 1700.0f;
        DWORD bits;
        std::memcpy(&bits, &fogStart, 4);
        d->SetRenderState(D3DRS_FOGSTART, bits);
        std::memcpy(&bits, &fogEnd, 4);
        d->SetRenderState(D3DRS_FOGEND, bits);

        // The far ring: coarse, unlit, one hazy colour.
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetTexture(0, nullptr);
        d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF6F8060u);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        // A little lower than the ground it stands for, so that the streamed
        // blocks always cover it where both reach.
        D3DXMATRIX lowered;
        D3DXMatrixTranslation(&lowered, 0.0f, -6.0f, 0.0f);
        hr = m_Terrain.RenderOutlying(d, &lowered);
        if (FAILED(hr)) return hr;

        // The streamed blocks: textured and lit by the sun.
        D3DLIGHT8 sun{};
        sun.Type = D3DLIGHT_DIRECTIONAL;
        sun.Diffuse = {1.0f, 0.95f, 0.85f, 1.0f};
        sun.Direction = {0.45f, -0.75f, 0.5f};
        d->SetLight(0, &sun);
        d->LightEnable(0, TRUE);
        D3DMATERIAL8 material{};
        material.Diffuse = material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        d->SetMaterial(&material);
        d->SetRenderState(D3DRS_LIGHTING, TRUE);
        d->SetRenderState(D3DRS_AMBIENT, 0xFF4A5060u);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        hr = m_Terrain.Render(d, nullptr, nullptr);
        if (FAILED(hr)) return hr;

        // The water: its depth alpha over the ground, one texture tiled over 2 x 2 blocks.
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        d->SetTexture(0, m_Textures.GetD3DTexture(kWaterTexture));
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        hr = m_Terrain.RenderAllWater(d, nullptr, nullptr);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTexture(0, nullptr);
        return hr;
    }

    const CDynamicTerrain& Terrain() const { return m_Terrain; }
    int Attached() const { return m_Attached; }

private:
    HRESULT MakeTextures(IDirect3DDevice8* device)
    {
        m_LibPath = (std::filesystem::temp_directory_path() / "kestu_streamed_textures.lib").string();
        const std::vector<streamed_gen::TextureRecipe> images = {{m_Map.sandTexture, "sand", 0xC4B280, 0.12f},
                                                                 {m_Map.grassTexture, "grass", 0x56803A, 0.25f},
                                                                 {m_Map.rockTexture, "rock", 0x807870, 0.3f},
                                                                 {kWaterTexture, "water", 0xC8DCEB, 0.15f}};
        HRESULT hr = streamed_gen::MakeTextureLibrary(device, m_LibPath, images);
        if (FAILED(hr)) return hr;
        hr = m_Textures.Build(device, m_LibPath.c_str());
        if (FAILED(hr)) return hr;
        return m_Textures.QueryTexture(kWaterTexture) ? S_OK : E_FAIL;
    }

    IDirect3DDevice8* m_pDevice = nullptr;
    streamed_gen::Map m_Map = MapParams();
    std::vector<float> m_FarGrid;
    std::string m_LibPath;
    CTextureMng m_Textures;
    CTrigonometricfunctionTable m_Sine;
    CDynamicTerrain m_Terrain;
    CEye m_Eye;
    int m_Attached = 0;
};

// Halves a frame into one quarter of the strip.
void PasteHalf(const host::WindowPixels& frame, host::WindowPixels& strip, int quarter)
{
    const int w = frame.width / 2, h = frame.height / 2;
    const int ox = (quarter % 2) * w, oy = (quarter / 2) * h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t sum[4] = {};
            for (int k = 0; k < 4; ++k) {
                const uint32_t p = frame.pixels[size_t(2 * y + k / 2) * frame.width + 2 * x + k % 2];
                for (int c = 0; c < 4; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
            }
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c) out |= ((sum[c] + 2) / 4) << (8 * c);
            strip.pixels[size_t(oy + y) * strip.width + ox + x] = out;
        }
}

} // namespace

int main()
{
    CStreamedScene scene;
    if (FAILED(sample::BuildEngine(&scene, "streamed", "Kestu Streamed Terrain"))) return 1;
    HWND wnd = Kestu_GetCfg()->GetRenderWnd();
    host::WindowPixels strip;
    int status = 0, shot = 0;
    for (int frame = 0; frame < kFrames && status == 0; ++frame) {
        if (FAILED(sample::Frame("streamed", frame, 0xFFB8CCE0u, [&] { return scene.Frame(float(frame)); }))) {
            status = 1;
            break;
        }
        if (shot < 4 && frame == kShots[shot]) {
            host::WindowPixels pixels;
            if (!host::ReadWindowPixels(wnd, &pixels)) {
                status = 1;
                break;
            }
            if (strip.pixels.empty()) {
                strip.width = pixels.width;
                strip.height = pixels.height;
                strip.pixels.assign(size_t(pixels.width) * pixels.height, 0xFF000000u);
            }
            PasteHalf(pixels, strip, shot++);
        }
    }
    if (status == 0 && !host::SavePixelsPng(strip, kPngPath)) {
        std::fprintf(stderr, "streamed: cannot save %s\n", kPngPath);
        status = 1;
    }
    const int attached = scene.Attached(), held = scene.Terrain().GetNumAttachedBlocks();
    const DWORD visible = scene.Terrain().GetNumVisibleBlocks();
    const DWORD ring = scene.Terrain().GetNumVisibleOutlyingBlocks();
    scene.Release();
    Kestu_Release();
    if (status == 0)
        std::printf("streamed: wrote %s (%d blocks streamed in, %d held, %u visible, %u far blocks)\n", kPngPath,
                    attached, held, visible, ring);
    return status;
}
