// The environment sample client: a static terrain under linear vertex fog
// inside a sky tent, the sun with its lens flare low over the hills and rain
// falling in front of the camera, saved as out/environment.png. The sky, sun
// and flare pictures are drawn here and packed into out/environment.lib.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include <kestu.h>
#include <host/host.h>

#include "../../tools/kestu-terrain/terrain_gen.h"
#include "../../tools/kestu-terrain/texture_lib_gen.h"
#include "../common/sample_engine.h"
#include "sky_images.h"

namespace {

const char kPngPath[] = "out/environment.png";
const int kFrames = 4;
const float kFar = 420.0f;
const DWORD kHaze = 0xFF8E9BAA; // the fog and the sky at the horizon
const char kTextureLibrary[] = "out/environment.lib";
enum : WORD { kSkyTop = 10, kSkySide, kSkyFloor, kSun = 20, kRing, kBlob, kHex };
const WORD kSkyTextures[] = {kSkyTop, kSkySide, kSkyFloor, kSun, kRing, kBlob, kHex};
const DWORD kSunColour = 0xFFF0D8;

// Where along the flare line, which picture, and how wide (a fraction of the
// screen width with the sun at the centre, then at a corner); the heights
// come from the pictures, which are square.
struct FlarePiece {
    float position;
    WORD texture;
    float centreWidth, edgeWidth;
};
const FlarePiece kFlare[] = {{0.0f, kSun, 0.34f, 0.26f},   {0.0f, kRing, 0.36f, 0.26f}, {0.3f, kHex, 0.06f, 0.05f},
                             {0.5f, kBlob, 0.035f, 0.03f}, {0.62f, kRing, 0.14f, 0.1f}, {0.8f, kHex, 0.09f, 0.07f},
                             {1.05f, kBlob, 0.05f, 0.04f}, {1.25f, kRing, 0.22f, 0.16f}};

HRESULT MakeSkyLibrary(IDirect3DDevice8* device)
{
    using namespace sky_images;
    return texture_lib_gen::MakeTextureLibrary(device, kTextureLibrary,
                                               {{kSkyTop, "sky_top", kTopSize, kTopSize, TopTexel},
                                                {kSkySide, "sky_side", kSideWidth, kSideHeight, SideTexel},
                                                {kSkyFloor, "sky_floor", 8, 8, FloorTexel},
                                                {kSun, "sun", kGlowSize, kGlowSize, SunTexel},
                                                {kRing, "flare_ring", kGlowSize, kGlowSize, RingTexel},
                                                {kBlob, "flare_blob", kGlowSize, kGlowSize, BlobTexel},
                                                {kHex, "flare_hex", kGlowSize, kGlowSize, HexTexel}});
}

// Pebbles of earth over moss: two octaves of the generator's value noise.
HRESULT MakeMossTexture(IDirect3DDevice8* device, IDirect3DTexture8** out)
{
    HRESULT hr = D3DXCreateTexture(device, 64, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, out);
    D3DLOCKED_RECT lr{};
    if (SUCCEEDED(hr)) hr = (*out)->LockRect(0, &lr, nullptr, 0);
    if (FAILED(hr)) return hr;
    for (int y = 0; y < 64; ++y) {
        auto* texel = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
        for (int x = 0; x < 64; ++x) {
            const float fine = terrain_gen::Lattice(21, x & 63, y & 63);
            const float coarse = terrain_gen::Lattice(22, (x / 8) & 7, (y / 8) & 7);
            const float moss = 0.5f * fine + 0.5f * coarse;
            texel[x] = D3DCOLOR_XRGB(int(60 + 70 * moss), int(95 + 60 * moss), int(45 + 25 * fine));
        }
    }
    (*out)->UnlockRect(0);
    return D3DXFilterTexture(*out, nullptr, 0, D3DX_DEFAULT);
}

class CEnvironmentScene : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        m_pDevice = device;
        terrain_gen::Params p;
        p.depth = 5;
        p.blockSize = 16.0f;
        p.relief = 30.0f;
        p.base = 6.0f;
        p.seed = 12;
        const std::vector<uint8_t> block = terrain_gen::MakeDataBlock(p);
        const float levels[2] = {80.0f, 170.0f};
        m_DistLOD.Set(levels, 2, 0);
        HRESULT hr = m_Terrain.Build(device, block.data(), block.size(), &m_DistLOD, 0.0f, TERRAIN_BUILD_ALL, nullptr);
        if (SUCCEEDED(hr)) hr = MakeMossTexture(device, &m_pGround);
        if (FAILED(hr)) return hr;

        hr = MakeSkyLibrary(device);
        if (SUCCEEDED(hr)) hr = m_Textures.Build(device, kTextureLibrary);
        if (FAILED(hr)) return hr;
        for (WORD id : kSkyTextures)
            if (!m_Textures.QueryTexture(id)) return E_FAIL;

        PlaceCamera();
        hr = BuildSky(device);
        if (FAILED(hr)) return hr;
        SRainInit rain;
        rain.pDevice = device;
        rain.pEye = &m_Eye;
        rain.nRows = rain.nColumns = 24;
        rain.nLayers = 6;
        rain.fStreakWidth = 0.05f;
        rain.fStreakLength = 1.4f;
        rain.dwTopColor = 0x00C8D0DC;
        rain.dwBottomColor = 0xA0C8D0DC;
        std::srand(4);
        hr = m_Rain.Build(rain);
        if (FAILED(hr)) return hr;
        m_Rain.NotifyCameraMove();

        m_Fog.dwColor = kHaze & 0xFFFFFF;
        m_Fog.fStartFactor = 0.1f;
        m_Fog.fEndFactor = 0.6f;
        return S_OK;
    }
    HRESULT ActivateDeviceObjects() override { return m_Terrain.Restore(); }
    HRESULT InvalidateDeviceObjects() override { return m_Terrain.Invalidate(); }

    void Release()
    {
        m_Sun.Release();
        m_Sky.Release();
        if (m_Textures.IsBuilt())
            for (WORD id : kSkyTextures) m_Textures.ReleaseTexture(id);
        m_Textures.Release();
        m_Rain.Release();
        m_Terrain.Release();
        if (m_pGround) m_pGround->Release();
        m_pGround = nullptr;
    }

    HRESULT Render(float time)
    {
        IDirect3DDevice8* d = m_pDevice;
        PlaceCamera();
        D3DXMATRIX world;
        D3DXMatrixIdentity(&world);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetTransform(D3DTS_VIEW, m_Eye.GetViewMatrix());
        d->SetTransform(D3DTS_PROJECTION, m_Eye.GetProjMatrix());

        HRESULT hr = DrawSky();
        if (SUCCEEDED(hr)) hr = m_Fog.ApplyFog(d, kFar);
        if (SUCCEEDED(hr)) hr = DrawGround();
        d->SetRenderState(D3DRS_FOGENABLE, FALSE);
        if (FAILED(hr)) return hr;

        // Rain last among the world's objects: it blends over the ground.
        m_Rain.Logic(time);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        d->SetTexture(0, nullptr);
        hr = m_Rain.Render(d);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetTransform(D3DTS_WORLD, &world);
        if (FAILED(hr)) return hr;

        // The sun and its flare over everything, added to what is there.
        hr = m_Sun.Render(d);
        return FAILED(hr) ? hr : S_OK;
    }

    const CTerrain& Terrain() const { return m_Terrain; }
    const SFogPara& Fog() const { return m_Fog; }
    const CGfxSun& Sun() const { return m_Sun; }

private:
    // On the western hills, looking east over the valley a little above the horizon.
    void PlaceCamera()
    {
        const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
        m_Eye.SetViewingFrustum(D3DX_PI / 3.2f, float(back->Width) / float(back->Height), 1.0f, kFar, 1.1f, 0, 1,
                                FRUSTUM_WIDEN_RATE);
        D3DXVECTOR3 pos(30.0f, 44.0f, 40.0f);
        const D3DXVECTOR3 target(230.0f, 30.0f, 170.0f), up(0.0f, 1.0f, 0.0f);
        D3DXVECTOR3 dir = target - pos;
        D3DXVec3Normalize(&dir, &dir);
        m_Eye.SetPos(&pos, 0);
        m_Eye.SetDirection(&dir, &up, 1);
    }

    // A tent 400 wide around the eye, its eave as high above the eye as the
    // floor is below, so the walls close the box; the sun low in the east
    // north-east, a little left of where the camera looks.
    HRESULT BuildSky(IDirect3DDevice8* device)
    {
        SGfxSkyTentInit sky;
        sky.pDevice = device;
        sky.pTexMng = &m_Textures;
        sky.wTexID[SKYTENT_TOP] = kSkyTop;
        for (int i = SKYTENT_POSX; i <= SKYTENT_NEGZ; ++i) sky.wTexID[i] = kSkySide;
        sky.wTexID[SKYTENT_BOTTOM] = kSkyFloor;
        sky.fSize = 400.0f;
        sky.fEaveHeight = 100.0f;
        sky.fTopHeight = 140.0f;
        sky.fBottomDepth = 100.0f;
        HRESULT hr = m_Sky.Build(sky);
        if (FAILED(hr)) return hr;

        SGfxLensflarePiece pieces[std::size(kFlare)];
        for (size_t i = 0; i < std::size(kFlare); ++i) {
            pieces[i].fPosition = kFlare[i].position;
            pieces[i].pTexMng = &m_Textures;
            pieces[i].wTexID = kFlare[i].texture;
            pieces[i].rcTexture = FRECT(0.0f, 0.0f, 1.0f, 1.0f);
            pieces[i].fCenterWidth = kFlare[i].centreWidth;
            pieces[i].fEdgeWidth = kFlare[i].edgeWidth;
        }
        SGfxLensflareInit flare;
        flare.pDevice = device;
        flare.pEye = &m_Eye;
        flare.vLightDir = SunDirection();
        flare.pPieces = pieces;
        flare.nPieceNum = int32_t(std::size(kFlare));
        return m_Sun.Build(flare, kSunColour);
    }
    static D3DXVECTOR3 SunDirection()
    {
        D3DXVECTOR3 dir(0.62f, 0.3f, 0.72f);
        D3DXVec3Normalize(&dir, &dir);
        return dir;
    }

    // First, so everything else covers it; without fog, and with the walls'
    // pictures clamped so their top and bottom rows do not bleed into each other.
    HRESULT DrawSky()
    {
        IDirect3DDevice8* d = m_pDevice;
        d->SetRenderState(D3DRS_FOGENABLE, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        const HRESULT hr = m_Sky.Render(d);
        d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        return FAILED(hr) ? hr : S_OK;
    }

    HRESULT DrawGround()
    {
        IDirect3DDevice8* d = m_pDevice;
        const D3DXVECTOR3 sun = SunDirection();
        sample::SetSun(d, {0.85f, 0.85f, 0.9f, 1.0f}, {-sun.x, -sun.y, -sun.z}, 0xFF4A5058u);
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
        return m_Terrain.RenderRough();
    }

    IDirect3DDevice8* m_pDevice = nullptr;
    IDirect3DTexture8* m_pGround = nullptr;
    CTextureMng m_Textures;
    CGfxSkyTent m_Sky;
    CGfxSun m_Sun;
    SGfxDistLOD m_DistLOD;
    CTerrain m_Terrain;
    CGfxRain m_Rain;
    SFogPara m_Fog;
    CEye m_Eye;
};

} // namespace

int main()
{
    CEnvironmentScene scene;
    if (FAILED(sample::BuildEngine(&scene, "environment", "Kestu Environment"))) return 1;
    int status = 0;
    for (int frame = 0; frame < kFrames && status == 0; ++frame)
        if (FAILED(sample::Frame("environment", frame, kHaze, [&] { return scene.Render(0.35f * float(frame)); })))
            status = 1;
    if (status == 0 && !sample::SavePicture("environment", kPngPath)) status = 1;
    const DWORD faces = scene.Terrain().GetVisibleFaceNum();
    const int fogMode = scene.Fog().nMode;
    const int sunVisible = scene.Sun().IsVisible();
    scene.Release();
    Kestu_Release();
    if (status == 0)
        std::printf("environment: wrote %s (%u terrain triangles, %s fog, rain, sky, sun %s)\n", kPngPath, faces,
                    fogMode == 0 ? "vertex" : "table", sunVisible ? "in view" : "out of view");
    return status;
}
