// The shader-water sample client: builds the engine in a window of its own,
// makes a static terrain around a basin, fills the basin with shader water
// and lets it reflect a cube environment map of the sky and the hills, drawn
// around the lake's centre through the cube's face hook. A few frames pass
// so the waves move; the last presented frame is saved as
// out/shaderwater.png, the six cube faces as TGA files in out/shaderwater/.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <kestu.h>
#include <host/host.h>

#include "../../tools/kestu-terrain/terrain_gen.h"
#include "../common/ground_texture.h"
#include "../common/sample_engine.h"

namespace {

const char kPngPath[] = "out/shaderwater.png";
const char kFaceFolder[] = "out/shaderwater";
const int kFrames = 4;
const float kWaterLevel = 9.0f;
const D3DXVECTOR3 kSunDir(-0.45f, 0.35f, 0.82f); // toward the sun

terrain_gen::Params FieldParams()
{
    terrain_gen::Params p;
    p.depth = 5; // 16 x 16 blocks of 16
    p.blockSize = 16.0f;
    p.relief = 26.0f;
    p.base = 9.0f;
    p.seed = 7;
    return p;
}

// Sky colour by direction: dark blue overhead, pale at the horizon, a glow
// around the sun, grey-blue below the horizon.
D3DCOLOR SkyColour(D3DXVECTOR3 dir)
{
    D3DXVec3Normalize(&dir, &dir);
    D3DXVECTOR3 sun = kSunDir;
    D3DXVec3Normalize(&sun, &sun);
    const float up = std::max(dir.y, 0.0f);
    float r = 0.72f - 0.52f * up, g = 0.82f - 0.42f * up, b = 0.95f - 0.2f * up;
    if (dir.y < 0.0f) {
        const float down = std::min(-dir.y * 3.0f, 1.0f);
        r += (0.35f - r) * down;
        g += (0.42f - g) * down;
        b += (0.5f - b) * down;
    }
    const float glow = std::pow(std::max(D3DXVec3Dot(&dir, &sun), 0.0f), 24.0f);
    r = std::min(1.0f, r + glow);
    g = std::min(1.0f, g + 0.9f * glow);
    b = std::min(1.0f, b + 0.6f * glow);
    return D3DCOLOR_ARGB(255, int(r * 255), int(g * 255), int(b * 255));
}

struct SkyVertex {
    float x, y, z;
    DWORD colour;
};

// A box of 6 x 16 x 16 quads around the origin, coloured by direction.
std::vector<SkyVertex> MakeSkyBox()
{
    std::vector<SkyVertex> v;
    const int n = 16;
    const float s = 100.0f;
    const D3DXVECTOR3 axes[6][3] = {{{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},  {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
                                    {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
                                    {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}}, {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}}};
    for (const auto& f : axes) {
        auto at = [&](int i, int j) {
            const D3DXVECTOR3 p = (f[0] + f[1] * (2.0f * i / n - 1) + f[2] * (2.0f * j / n - 1)) * s;
            return SkyVertex{p.x, p.y, p.z, SkyColour(p)};
        };
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}})
                    v.push_back(at(i + di, j + dj));
    }
    return v;
}

class CShaderWaterScene;

// The reflection: sky and hills seen from the lake's centre.
class CLakeCube : public Kestu::CCubeEnv {
public:
    explicit CLakeCube(CShaderWaterScene* scene) : m_pScene(scene) {}
    HRESULT RenderCubeFace(int face) override;
    void SetEye(const D3DXVECTOR3& eye) { m_vEye = eye; }

private:
    CShaderWaterScene* m_pScene;
    D3DXVECTOR3 m_vEye{0, 0, 0};
};

class CShaderWaterScene : public CKestuDevObjMng {
public:
    CShaderWaterScene() : m_Cube(this), m_Sky(MakeSkyBox()) {}

    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        m_pDevice = device;
        const terrain_gen::Params p = FieldParams();
        m_Field = terrain_gen::MakeHeightField(p);
        const std::vector<uint8_t> block = terrain_gen::MakeDataBlock(m_Field, p);
        const float levels[2] = {90.0f, 180.0f};
        m_DistLOD.Set(levels, 2, 0);
        HRESULT hr = m_Terrain.Build(device, block.data(), block.size(), &m_DistLOD, 0.0f, TERRAIN_BUILD_ALL, nullptr);
        if (FAILED(hr) || FAILED(hr = sample::MakeGroundTexture(device, &m_pGround))) return hr;
        if (FAILED(Kestu::CShaderWater::IsSupportShaderWater(device))) {
            std::fprintf(stderr, "shaderwater: the device has no shaders 1.1\n");
            return E_FAIL;
        }
        if (FAILED(hr = m_Cube.Build(device)) || FAILED(hr = m_WaterTex.Build(device)) ||
            FAILED(hr = m_Water.Build(device, &m_Cube, &m_WaterTex)))
            return hr;
        m_Water.SetReflectLv(0.75f);
        m_Water.SetTexAmpOverLen(0.012f);
        MakeWaterMesh(p);
        return S_OK;
    }
    HRESULT ActivateDeviceObjects() override
    {
        HRESULT hr = m_Terrain.Restore();
        if (SUCCEEDED(hr) && m_Cube.IsBuild()) hr = m_Cube.Restore();
        if (SUCCEEDED(hr) && m_WaterTex.IsBuild()) hr = m_WaterTex.Restore();
        if (SUCCEEDED(hr) && m_Water.IsBuild()) hr = m_Water.Restore();
        return hr;
    }
    HRESULT InvalidateDeviceObjects() override
    {
        m_Water.Invalidate();
        m_WaterTex.Invalidate();
        m_Cube.Invalidate();
        return m_Terrain.Invalidate();
    }

    void Release()
    {
        m_Water.Release();
        m_WaterTex.Release();
        m_Cube.Release();
        m_Terrain.Release();
        if (m_pGround) m_pGround->Release();
        m_pGround = nullptr;
    }

    // Sky around the eye, without depth.
    void DrawSky(const D3DXVECTOR3& eye)
    {
        IDirect3DDevice8* d = m_pDevice;
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, eye.x, eye.y, eye.z);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetTexture(0, nullptr);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        d->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(m_Sky.size() / 3), m_Sky.data(), sizeof(SkyVertex));
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }

    // The hills, lit by the sun, all blocks or those in the frustum.
    HRESULT DrawTerrain(const CFrustum* frustum)
    {
        IDirect3DDevice8* d = m_pDevice;
        D3DXMATRIX world;
        D3DXMatrixIdentity(&world);
        d->SetTransform(D3DTS_WORLD, &world);
        sample::SetSun(d, {1.0f, 0.93f, 0.8f, 1.0f}, {-kSunDir.x, -kSunDir.y, -kSunDir.z}, 0xFF505868u);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetTexture(0, m_pGround);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        HRESULT hr = m_Terrain.UpdateVisibleState(frustum, frustum != nullptr, frustum != nullptr);
        if (SUCCEEDED(hr)) hr = m_Terrain.RenderRough();
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        return hr;
    }

    HRESULT Render(int frame)
    {
        IDirect3DDevice8* d = m_pDevice;
        const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
        m_Eye.SetViewingFrustum(D3DX_PI / 3.2f, float(back->Width) / float(back->Height), 1.0f, 600.0f, 1.1f, 0, 1,
                                FRUSTUM_WIDEN_RATE);
        D3DXVECTOR3 pos(92.0f, 19.0f, 78.0f);
        const D3DXVECTOR3 target(140.0f, 5.0f, 150.0f), up(0.0f, 1.0f, 0.0f);
        D3DXVECTOR3 dir = target - pos;
        D3DXVec3Normalize(&dir, &dir);
        m_Eye.SetPos(&pos, 0);
        m_Eye.SetDirection(&dir, &up, 1);

        // The reflection follows the lake's centre, a little above the water.
        const D3DXVECTOR3 lake(128.0f, kWaterLevel + 1.5f, 128.0f);
        m_Cube.SetEye(lake);
        m_Cube.RenderCubeBox(lake);
        m_Water.FrameMove(frame == 0 ? 0.0f : 0.4f, pos, lake);

        d->SetTransform(D3DTS_VIEW, m_Eye.GetViewMatrix());
        d->SetTransform(D3DTS_PROJECTION, m_Eye.GetProjMatrix());
        DrawSky(pos);
        HRESULT hr = DrawTerrain(m_Eye.GetFrustum());
        if (FAILED(hr)) return hr;

        D3DXMATRIX world;
        D3DXMatrixIdentity(&world);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        m_Water.RenderBeginPass();
        hr = d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, UINT(m_WaterVertices.size()),
                                       UINT(m_WaterIndices.size() / 3), m_WaterIndices.data(), D3DFMT_INDEX16,
                                       m_WaterVertices.data(), sizeof(Kestu::ShaderWaterVertex));
        m_Water.RenderEndPass();
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        return hr;
    }

    HRESULT SaveFaces() { return m_Cube.SaveCubeToFile(kFaceFolder); }
    const CTerrain& Terrain() const { return m_Terrain; }
    DWORD WaterTriangles() const { return DWORD(m_WaterIndices.size() / 3); }

private:
    // One vertex per height sample; the diffuse alpha (wave weight and
    // opacity) grows with the depth, so the shore stays still and clear.
    void MakeWaterMesh(const terrain_gen::Params& p)
    {
        const DWORD side = m_Field.side;
        const float step = p.blockSize / 4.0f;
        m_WaterVertices.clear();
        m_WaterIndices.clear();
        for (DWORD r = 0; r < side; ++r)
            for (DWORD c = 0; c < side; ++c) {
                const float depth = kWaterLevel - m_Field.At(c, r);
                const float alpha = std::clamp(depth / 3.0f, 0.0f, 1.0f) * 0.9f;
                const DWORD a = DWORD(alpha * 255.0f);
                m_WaterVertices.push_back({p.originX + c * step, kWaterLevel, p.originZ + r * step, 0, 1, 0,
                                           (a << 24) | 0x0A2A3Au, float(c) / 4, float(r) / 4});
            }
        for (DWORD r = 0; r + 1 < side; ++r)
            for (DWORD c = 0; c + 1 < side; ++c) {
                const WORD i = WORD(r * side + c);
                // Cells wholly above the water are left out.
                if (kWaterLevel <
                    std::min({m_Field.At(c, r), m_Field.At(c + 1, r), m_Field.At(c, r + 1), m_Field.At(c + 1, r + 1)}))
                    continue;
                for (WORD k : {WORD(0), WORD(side), WORD(1), WORD(1), WORD(side), WORD(side + 1)})
                    m_WaterIndices.push_back(WORD(i + k));
            }
    }

    friend class CLakeCube;
    IDirect3DDevice8* m_pDevice = nullptr;
    IDirect3DTexture8* m_pGround = nullptr;
    terrain_gen::HeightField m_Field;
    SGfxDistLOD m_DistLOD;
    CTerrain m_Terrain;
    CLakeCube m_Cube;
    Kestu::CShaderWater_Tex m_WaterTex;
    Kestu::CShaderWater m_Water;
    std::vector<SkyVertex> m_Sky;
    std::vector<Kestu::ShaderWaterVertex> m_WaterVertices;
    std::vector<WORD> m_WaterIndices;
    CEye m_Eye;
};

HRESULT CLakeCube::RenderCubeFace(int face)
{
    m_pScene->DrawSky(m_vEye);
    return m_pScene->DrawTerrain(nullptr);
}

} // namespace

int main()
{
    CShaderWaterScene scene;
    if (FAILED(sample::BuildEngine(&scene, "shaderwater", "Kestu Shader Water"))) return 1;
    int status = 0;
    for (int frame = 0; frame < kFrames && status == 0; ++frame)
        if (FAILED(sample::Frame("shaderwater", frame, 0xFF9CC4E8u, [&] { return scene.Render(frame); }))) status = 1;
    if (status == 0 && !sample::SavePicture("shaderwater", kPngPath)) status = 1;
    std::error_code ec;
    std::filesystem::create_directories(kFaceFolder, ec);
    if (status == 0 && FAILED(scene.SaveFaces())) {
        std::fprintf(stderr, "shaderwater: cannot save the cube faces in %s\n", kFaceFolder);
        status = 1;
    }
    const DWORD triangles = scene.WaterTriangles();
    scene.Release();
    Kestu_Release();
    if (status == 0)
        std::printf("shaderwater: wrote %s and the cube faces in %s (%u water triangles)\n", kPngPath, kFaceFolder,
                    triangles);
    return status;
}
