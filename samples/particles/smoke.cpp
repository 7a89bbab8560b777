// The smoke-and-embers effect: grey puffs that rise, spread and darken,
// drawn by one billboard method that sorts them far to near and blends them;
// orange embers that fly up and fall back, drawn through a billboard manager
// that their billboard method fills. Both take one soft round picture from a
// texture library by id and face the camera, which looks down on them.
#include "smoke.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <kestu.h>
#include <host/host.h>

#include "../common/sample_engine.h"
#include "scene.h"

namespace {

const char kLibPath[] = "out/smoke.kidx";
const char kPuffPath[] = "out/smoke_puff.png";
const DWORD kPuff = 1;
const int kFrames = 90;
const float kStep = 1.0f / 30.0f;

// A white disc whose alpha falls off from the middle, saved as a PNG and
// packed into the library under kPuff.
bool PackPuff(IDirect3DDevice8* device)
{
    const bool ok = SaveSpot(device, kPuffPath, D3DFMT_A8R8G8B8, D3DXIFF_PNG,
                             [](float fall) { return static_cast<DWORD>(255.0f * fall * fall) << 24 | 0xFFFFFFu; });
    if (!ok) return false;
    std::ifstream in(kPuffPath, std::ios::binary);
    const std::vector<char> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(kLibPath);
    CIndexLib lib;
    return lib.Load(kLibPath, 0, 1, 1, 1) >= 0 &&
           lib.ImportFromMemory(png.data(), static_cast<DWORD>(png.size()), kPuff, "puff.png") >= 0 && lib.Save() >= 0;
}

CMethodBB* NewBillboards(CParticleMethodMng& methods, const char* name, float size)
{
    auto* billboards = static_cast<CMethodBB*>(methods.NewMethod(PPS_METHOD_BB));
    billboards->SetName(name);
    billboards->SetTextureID(kPuff);
    billboards->SetBBWidth(size);
    billboards->SetBBHeight(size);
    return billboards;
}

CParticleSystem* NewSystem(CParticleSystemMng& mng, const char* name, DWORD max)
{
    CParticleSystem* system = mng.NewSystem();
    system->SetName(name);
    system->NewGroup();
    system->FirstGroup()->SetName(name);
    system->FirstGroup()->SetMaxParticleNumber(max);
    system->SetMethodName(name);
    return system;
}

// The method manager hands its eye and texture manager to the billboard
// methods it makes, and its billboard manager to those made while it has one.
void BuildEffect(CParticleSystemMng& mng, CBillboardMng& embersMng)
{
    CParticleMethodMng& methods = *mng.GetParticleMethodMng();
    NewBillboards(methods, "smoke", 0.7f);
    methods.SetBillboardMng(&embersMng);
    NewBillboards(methods, "embers", 0.09f);
    methods.SetBillboardMng(nullptr);

    CParticleSystem* smoke = NewSystem(mng, "smoke", 400);
    const SPPS_DOMAIN mouth(PPS_DOMAIN_DISC, 0, 0.1f, 0, 0, 1, 0, 0.25f, 0, 0);
    const SPPS_DOMAIN rise(PPS_DOMAIN_CONE, 0, 0, 0, 0, 0.9f, 0, 0.35f, 0, 0);
    const SPPS_DOMAIN grey(PPS_DOMAIN_POINT, 0.8f, 0.8f, 0.8f);
    smoke->AddAction(Always(new SPPS_ACTION_SOURCE(45, mouth, rise, grey)));
    smoke->AddAction(Always(new SPPS_ACTION_GRAVITY(0.12f, 0.15f, 0)));
    smoke->AddAction(Always(new SPPS_ACTION_COLORCTRL(0, 0, 0xFFE8E0D0u, 0xFF303038u, 3.0f, 0)));
    smoke->AddAction(Always(new SPPS_ACTION_MOVE));
    smoke->AddAction(Always(new SPPS_ACTION_KILL(3.0f, 1)));

    CParticleSystem* embers = NewSystem(mng, "embers", 300);
    const SPPS_DOMAIN spray(PPS_DOMAIN_CONE, 0, 0, 0, 0, 2.6f, 0, 1.1f, 0, 0);
    const SPPS_DOMAIN orange(PPS_DOMAIN_POINT, 1.0f, 0.55f, 0.15f);
    embers->AddAction(Always(new SPPS_ACTION_SOURCE(60, mouth, spray, orange)));
    embers->AddAction(Always(new SPPS_ACTION_GRAVITY(0, -2.2f, 0)));
    embers->AddAction(Always(new SPPS_ACTION_MOVE));
    embers->AddAction(Always(new SPPS_ACTION_KILL(1.6f, 1)));
}

// Above the source, looking down at it.
void SetCamera(IDirect3DDevice8* device, CEye& eye)
{
    const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
    eye.SetViewingFrustum(D3DX_PI / 3.0f, float(back->Width) / float(back->Height), 0.1f, 50.0f, 1.05f, 0, 1,
                          FRUSTUM_WIDEN_RATE);
    D3DXVECTOR3 pos(0.0f, 2.4f, -3.4f), dir(0.0f, -0.3f, 1.0f);
    D3DXVec3Normalize(&dir, &dir);
    eye.SetPos(&pos, 0);
    eye.SetDirection(&dir, nullptr, 1);
    device->SetTransform(D3DTS_VIEW, eye.GetViewMatrix());
    device->SetTransform(D3DTS_PROJECTION, eye.GetProjMatrix());
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
}

// The embers glow: their picture's alpha scales what they add onto the frame.
HRESULT RenderEmbers(IDirect3DDevice8* device, CBillboardMng& embers, float now)
{
    embers.FrameMove(now);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    const HRESULT hr = embers.Render(device);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    return hr;
}

} // namespace

int RunSmoke(const char* png)
{
    if (FAILED(sample::BuildEngine(nullptr, "smoke", "Kestu Smoke"))) return 1;
    IDirect3DDevice8* device = Kestu_GetDevice();
    int status = 0;
    CTextureMng textures;
    if (!PackPuff(device) || FAILED(textures.Build(device, kLibPath)) || !textures.QueryTexture(kPuff)) {
        std::fprintf(stderr, "particles: cannot make the smoke texture library %s\n", kLibPath);
        status = 1;
    }
    srand(11);
    CEye eye;
    CBillboardMng embers;
    embers.Build(0, 64, 64, 0);
    CParticleSystemMng mng;
    mng.SetTextureMng(&textures);
    mng.GetParticleMethodMng()->SetEye(&eye);
    BuildEffect(mng, embers);
    SetCamera(device, eye);
    mng.Build(device);
    float now = 0.0f;
    for (int frame = 0; frame < kFrames && status == 0; ++frame) {
        mng.Logic(kStep);
        now += kStep;
        if (FAILED(sample::Frame("particles", frame, 0xFF182028u, [&] {
                SetCamera(device, eye);
                const HRESULT hr = mng.Render(device, 0);
                return FAILED(hr) ? hr : RenderEmbers(device, embers, now);
            })))
            status = 1;
    }
    if (status == 0 && !sample::SavePicture("particles", png)) status = 1;
    const DWORD puffs = mng.GetSystemByName("smoke")->FirstGroup()->GetParticlesNumber();
    const DWORD sparks = embers.GetCount();
    mng.Clear();
    textures.Release();
    CBillboard::SetEye(nullptr);
    Kestu_Release();
    if (status == 0) std::printf("particles: wrote %s (%u smoke puffs, %u embers)\n", png, puffs, sparks);
    return status;
}
