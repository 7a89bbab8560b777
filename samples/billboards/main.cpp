// The billboard and trail sample client: a grove of billboarded trees (the
// vertical kind, culled and sorted far to near by a billboard manager, their
// pictures from a texture library the sample packs itself), a glowing sun
// fan, a signboard that keeps its own direction, a screen badge, and a
// sword swung in an arc that leaves a fading ribbon trail behind it. The
// last presented frame is saved as out/billboards.png.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <kestu.h>
#include <host/host.h>

#include "../common/sample_engine.h"
#include "../common/sample_sword.h"

namespace {

const char kPngPath[] = "out/billboards.png";
const char kLibPath[] = "out/billboards.kidx";
const int kFrames = 48;
const float kStep = 1.0f / 30.0f;
const float kPi = 3.14159265f;

enum TextureId : DWORD { kPine = 1, kOak = 2, kSign = 3, kBadge = 4, kGlow = 5 };

// ---- pictures: 32-bit TGA images with alpha, packed into a library ----

using Pixel = std::function<uint32_t(float u, float v)>; // ARGB at (u, v), v downward

std::vector<uint8_t> Tga(int size, const Pixel& pixel)
{
    std::vector<uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    auto u16 = [&](int v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    u16(size);
    u16(size);
    out.push_back(32);
    out.push_back(0x28); // top-down rows, 8 alpha bits
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const uint32_t c = pixel((x + 0.5f) / size, (y + 0.5f) / size);
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(c >> (8 * i)));
        }
    return out;
}

uint32_t Shade(uint32_t argb, float k)
{
    auto ch = [&](int s) { return static_cast<uint32_t>(std::fmin(255.0f, ((argb >> s) & 0xFF) * k)) << s; };
    return (argb & 0xFF000000u) | ch(16) | ch(8) | ch(0);
}

uint32_t Pine(float u, float v)
{
    if (v > 0.82f) return std::fabs(u - 0.5f) < 0.05f ? 0xFF5A3A1Eu : 0;
    // Three stacked cones.
    for (int tier = 0; tier < 3; ++tier) {
        const float top = 0.04f + tier * 0.22f, bottom = top + 0.36f;
        if (v < top || v > bottom) continue;
        const float half = 0.42f * (v - top) / (bottom - top) + 0.02f;
        if (std::fabs(u - 0.5f) < half) return Shade(0xFF1F6B2Cu, 0.8f + 0.4f * (u - 0.5f + half) / (2 * half));
    }
    return 0;
}

uint32_t Oak(float u, float v)
{
    if (v > 0.6f) return std::fabs(u - 0.5f) < 0.07f + (v - 0.6f) * 0.1f ? 0xFF6B4423u : 0;
    const float dx = u - 0.5f, dy = v - 0.35f;
    const float r2 = dx * dx + dy * dy * 1.4f;
    if (r2 > 0.11f) return 0;
    return Shade(0xFF3F8F2Fu, 1.15f - r2 * 3.0f + (dx < 0 ? 0.15f : 0.0f));
}

uint32_t Sign(float u, float v)
{
    if (u > 0.45f && u < 0.55f && v > 0.5f) return 0xFF5A3A1Eu;
    if (v < 0.08f || v > 0.55f || u < 0.05f || u > 0.95f) return v <= 0.55f ? 0xFF3A2410u : 0;
    const bool stripe = static_cast<int>(u * 8) % 2 == 0 && v > 0.2f && v < 0.42f;
    return stripe ? 0xFFF0E0B0u : 0xFFB07A3Au;
}

uint32_t Badge(float u, float v)
{
    const float dx = u - 0.5f, dy = v - 0.5f, r = std::sqrt(dx * dx + dy * dy);
    if (r > 0.48f) return 0;
    if (r > 0.40f) return 0xFFE0C040u;
    const float star = std::cos(5.0f * std::atan2(dy, dx)) * 0.1f + 0.22f;
    return r < star ? 0xFFFFF0A0u : 0xFF304880u;
}

uint32_t Glow(float u, float v)
{
    const float dx = u - 0.5f, dy = v - 0.5f, r = std::fmin(1.0f, std::sqrt(dx * dx + dy * dy) * 2.0f);
    const auto a = static_cast<uint32_t>(255.0f * (1.0f - r) * (1.0f - r));
    return a << 24 | 0xFFE890u;
}

bool PackLibrary()
{
    std::remove(kLibPath);
    CIndexLib lib;
    if (lib.Load(kLibPath, 0, 1, 1, 1) < 0) return false;
    const struct {
        DWORD id;
        const char* name;
        Pixel pixel;
        int size;
    } images[] = {{kPine, "pine.tga", Pine, 128},
                  {kOak, "oak.tga", Oak, 128},
                  {kSign, "sign.tga", Sign, 64},
                  {kBadge, "badge.tga", Badge, 64},
                  {kGlow, "glow.tga", Glow, 64}};
    for (const auto& image : images) {
        const std::vector<uint8_t> bytes = Tga(image.size, image.pixel);
        if (lib.ImportFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()), image.id, image.name) < 0)
            return false;
    }
    return lib.Save() >= 0;
}

// ---- the scene ----

using sample::ColourVertex;

void DrawGround(IDirect3DDevice8* device)
{
    std::vector<ColourVertex> v;
    const int n = 16;
    const float size = 40.0f, step = 2 * size / n;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const float x = -size + i * step, z = -size + j * step;
            const DWORD c = (i + j) % 2 ? 0xFF4E7A32u : 0xFF587F38u;
            const ColourVertex a{x, 0, z, c}, b{x, 0, z + step, c}, d{x + step, 0, z + step, c}, e{x + step, 0, z, c};
            for (const ColourVertex& q : {a, b, d, a, d, e}) v.push_back(q);
        }
    sample::DiffuseInWorld(device);
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(v.size() / 3), v.data(), sizeof(ColourVertex));
}

class Grove {
public:
    explicit Grove(CTextureMng* textures)
    {
        srand(5);
        m_Trees.Build(1, 64, 16, 0);
        m_Trees.SetSort(0.0f, BBSort);
        m_Trees.SetAlphaRef(96);
        for (int i = 0; i < 60; ++i) {
            // A ring of trees around a clearing in front of the camera.
            const float angle = (rand() % 3600) * 0.1f * kPi / 180.0f, r = 8.0f + (rand() % 2400) * 0.01f;
            const bool pine = i % 2 == 0;
            const float scale = 0.8f + (rand() % 60) * 0.01f;
            SBBVerticalInit init;
            init.dwValid = 1;
            init.pTexMng = textures;
            init.dwTexID = pine ? kPine : kOak;
            init.vPos = D3DXVECTOR3(std::cos(angle) * r, 0.0f, std::fabs(std::sin(angle)) * r + 4.0f);
            init.fHalfWidth = (pine ? 1.6f : 2.0f) * scale;
            init.fHalfHeight = (pine ? 2.4f : 1.9f) * scale;
            init.dwColorOp = D3DTOP_SELECTARG1;
            auto tree = std::make_unique<CBBVertical>();
            if (FAILED(tree->Build(&init))) continue;
            m_Trees.InsertPointerGrow(tree.get());
            m_Owned.push_back(std::move(tree));
        }

        SBBStaticInit sign;
        sign.dwValid = 1;
        sign.pTexMng = textures;
        sign.dwTexID = kSign;
        sign.vPos = D3DXVECTOR3(-3.2f, 0.0f, -2.0f);
        sign.fHalfWidth = 1.2f;
        sign.fHalfHeight = 0.9f;
        sign.vDirection = D3DXVECTOR3(0.4f, 0.0f, -1.0f);
        D3DXVec3Normalize(&sign.vDirection, &sign.vDirection);
        m_Sign.Build(&sign);

        SBBFanInit sun;
        sun.dwValid = 1;
        sun.pTexMng = textures;
        sun.dwTexID = kGlow;
        sun.vPos = D3DXVECTOR3(14.0f, 15.0f, 40.0f);
        sun.dwSegmentCount = 24;
        sun.dwSegments = 24;
        sun.fRadius = 6.0f;
        sun.vDirection = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
        m_Sun.Build(&sun);
        std::vector<D3DXVECTOR2> rim(25);
        for (int i = 0; i < 25; ++i) {
            const float a = i * 2 * kPi / 24;
            rim[i] = D3DXVECTOR2(0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a));
        }
        m_Sun.SetTexCoor(D3DXVECTOR2(0.5f, 0.5f), rim.data());

        SBB2dInit badge;
        badge.dwValid = 1;
        badge.pTexMng = textures;
        badge.dwTexID = kBadge;
        badge.vPos = D3DXVECTOR3(14.0f, 14.0f, 0.0f);
        badge.rcScreen = FRECT(0.0f, 0.0f, 56.0f, 56.0f);
        badge.dwColorOp = D3DTOP_SELECTARG1;
        m_Badge.Build(&badge);
    }

    void FrameMove(float now)
    {
        m_Trees.FrameMove(now);
        m_Sign.DecideIsVisible();
        m_Sun.DecideIsVisible();
        m_Badge.SetRotation(now * 0.8f);
        m_Badge.UpdatePosition(14.0f, 14.0f);
    }

    void Render(IDirect3DDevice8* device)
    {
        // The sun glows additively behind everything.
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        SetPictureStages(device);
        if (m_Sun.IsVisible()) m_Sun.Render(device);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

        // Trees and the sign cut their shapes out with the alpha test.
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        SetPictureStages(device);
        m_Trees.Render(device);
        if (m_Sign.IsVisible()) m_Sign.Render(device);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    }

    void RenderScreen(IDirect3DDevice8* device)
    {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_Badge.Render(device);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }

    DWORD Visible() const { return m_Trees.GetVisibleNumber(); }

private:
    static void SetPictureStages(IDirect3DDevice8* device)
    {
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    }

    CBillboardMng m_Trees;
    std::vector<std::unique_ptr<CBBVertical>> m_Owned;
    CBBStatic m_Sign;
    CBBFan m_Sun;
    CBB2d m_Badge;
};

// ---- the sword and its trail ----

// The sword's carrier in the world at time t of a one-second swing: a
// sweep from the right shoulder down across to the left hip, held out in
// front of a figure standing at (1, 0, -4).
D3DXMATRIX SwingAt(float t)
{
    const float a = -0.35f * kPi + t * 1.5f * kPi;
    D3DXMATRIX roll, tilt, place, m;
    D3DXMatrixRotationZ(&roll, a);
    D3DXMatrixRotationX(&tilt, -0.5f);
    D3DXMatrixTranslation(&place, 1.0f, 1.2f, -4.0f);
    D3DXMatrixMultiply(&m, &roll, &tilt);
    D3DXMatrixMultiply(&m, &m, &place);
    return m;
}

const D3DXVECTOR3 kHilt(0.0f, 0.25f, 0.0f), kTip(0.0f, 1.9f, 0.0f);

class Sword {
public:
    explicit Sword(IDirect3DDevice8* device) : m_Strategy(40)
    {
        sample::BladeTrailLook(m_Strategy, device);
        // One segment along the blade; 60 frames of the swing.
        m_Emitter.AddOutlineSegment(&kHilt, &kTip, 0.0f, 1.0f);
        const int n = 60;
        std::vector<float> times(n);
        std::vector<D3DXMATRIX> matrices(n);
        for (int i = 0; i < n; ++i) {
            times[i] = (i + 1) / static_cast<float>(n) * 1.2f;
            matrices[i] = SwingAt(std::fmin(1.0f, (i + 1) / static_cast<float>(n) * 1.2f));
        }
        m_Emitter.SetMatrixList(1, matrices.data(), n);
        m_Emitter.SetFrameTimeList(1, times.data(), n);
        m_Emitter.SetMaxTrailTime(1.0f);
        m_Emitter.Init(&m_Strategy);
        m_Emitter.Build();
        m_Emitter.SetCurrentSequence(1);
    }
    ~Sword() { m_Emitter.Release(); }

    void FrameMove(float dt)
    {
        m_fTime += dt;
        m_Emitter.FrameMove(dt);
    }

    void Render(IDirect3DDevice8* device)
    {
        sample::DrawTrail(device, m_Emitter);
        const D3DXMATRIX m = SwingAt(std::fmin(1.0f, std::fmod(m_fTime, 1.2f)));
        sample::DrawBlade(device, m, kHilt, kTip, D3DXVECTOR3(0.06f, 0.0f, 0.0f));
    }

private:
    Kestu::CTrail_Strategy m_Strategy;
    Kestu::ITrail_Emitter m_Emitter;
    float m_fTime = 0.0f;
};

void SetCamera(IDirect3DDevice8* device, CEye& eye, float aspect)
{
    eye.SetViewingFrustum(kPi / 3.0f, aspect, 0.3f, 120.0f, 1.05f, 0, 1, FRUSTUM_WIDEN_RATE);
    D3DXVECTOR3 pos(0.0f, 2.6f, -9.0f), dir(0.0f, -0.12f, 1.0f);
    D3DXVec3Normalize(&dir, &dir);
    eye.SetPos(&pos, 0);
    eye.SetDirection(&dir, nullptr, 1);
    device->SetTransform(D3DTS_VIEW, eye.GetViewMatrix());
    device->SetTransform(D3DTS_PROJECTION, eye.GetProjMatrix());
}

// The textures, the camera, the grove and the sword on the engine's device.
class CBillboardScene : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8*) override { return S_OK; }
    // A reset puts the device's transforms back to identity: the camera is set
    // again with the textures.
    HRESULT ActivateDeviceObjects() override
    {
        if (!m_pGrove) return S_OK;
        const HRESULT hr = m_Textures.Restore();
        const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
        SetCamera(m_pDevice, m_Eye, float(back->Width) / float(back->Height));
        return hr;
    }
    HRESULT InvalidateDeviceObjects() override { return m_pGrove ? m_Textures.Invalidate() : S_OK; }

    HRESULT Build(IDirect3DDevice8* device)
    {
        m_pDevice = device;
        HRESULT hr = m_Textures.Build(device, kLibPath);
        for (DWORD id : {kPine, kOak, kSign, kBadge, kGlow})
            if (SUCCEEDED(hr) && m_Textures.QueryTexture(id) == nullptr) hr = E_FAIL;
        if (FAILED(hr)) {
            std::fprintf(stderr, "billboards: cannot load the textures of %s\n", kLibPath);
            return hr;
        }
        const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
        SetCamera(device, m_Eye, float(back->Width) / float(back->Height));
        m_pGrove = std::make_unique<Grove>(&m_Textures);
        m_pSword = std::make_unique<Sword>(device);
        return S_OK;
    }

    HRESULT Render(float dt)
    {
        m_fNow += dt;
        m_pGrove->FrameMove(m_fNow);
        m_pSword->FrameMove(dt);
        IDirect3DDevice8* d = m_pDevice;
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        DrawGround(d);
        m_pGrove->Render(d);
        m_pSword->Render(d);
        m_pGrove->RenderScreen(d);
        return S_OK;
    }

    DWORD TreesInView() const { return m_pGrove ? m_pGrove->Visible() : 0; }

    void Release()
    {
        m_pSword.reset();
        m_pGrove.reset();
        m_Textures.Release();
        CBillboard::SetEye(nullptr);
    }

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    CTextureMng m_Textures;
    CEye m_Eye;
    std::unique_ptr<Grove> m_pGrove;
    std::unique_ptr<Sword> m_pSword;
    float m_fNow = 0.0f;
};

} // namespace

int main()
{
    std::error_code ec;
    std::filesystem::create_directories("out", ec);
    if (!PackLibrary()) {
        std::fprintf(stderr, "billboards: cannot write %s\n", kLibPath);
        return 1;
    }
    CBillboardScene scene;
    if (FAILED(sample::BuildEngine(&scene, "billboards", "Kestu Billboards"))) return 1;
    HRESULT hr = scene.Build(Kestu_GetDevice());
    for (int frame = 0; frame < kFrames && SUCCEEDED(hr); ++frame)
        hr = sample::Frame("billboards", frame, 0xFF8FB8E0u, [&] { return scene.Render(kStep); });
    int status = FAILED(hr) ? 1 : 0;
    if (status == 0 && !sample::SavePicture("billboards", kPngPath)) status = 1;
    const DWORD trees = scene.TreesInView();
    scene.Release();
    Kestu_Release();
    if (status == 0) std::printf("billboards: wrote %s (%u trees in view)\n", kPngPath, trees);
    return status;
}
