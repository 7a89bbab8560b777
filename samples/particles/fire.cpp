// The fire-and-sparks effect: flames and sparks drawn as additive point
// sprites with one soft round texture. The effect is kept as a particle
// script (samples/particles/fire_and_sparks.txt) that this sample writes with
// the engine's own writer and loads with the engine's reader.
#include "fire.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <kestu.h>
#include <kestu_safefile.h>
#include <host/host.h>

#include "../common/sample_engine.h"
#include "scene.h"

namespace {

// The script names the sprite texture by this path; the sample makes it.
const char kSpritePath[] = "out/fire_sprite.bmp";
const int kFrames = 75;
const float kStep = 1.0f / 30.0f;

CMethodPointSprite* NewSprites(CParticleMethodMng& methods, const char* name, float size)
{
    auto* sprites = static_cast<CMethodPointSprite*>(methods.NewMethod(PPS_METHOD_POINTSPRITE));
    sprites->SetName(name);
    sprites->SetPointSize(size);
    sprites->SetTexturePath(kSpritePath);
    return sprites;
}

CParticleSystem* NewSystem(CParticleSystemMng& mng, const char* name, const char* method, DWORD max)
{
    CParticleSystem* system = mng.NewSystem();
    system->SetName(name);
    system->NewGroup();
    system->FirstGroup()->SetName(name);
    system->FirstGroup()->SetID(0);
    system->FirstGroup()->SetMaxParticleNumber(max);
    system->SetMethodName(method);
    return system;
}

// Flames rise from a disc, pushed up and swirled, orange while young and
// deep red once older; sparks fly up fast, fall back, bounce off the ground
// and die.
void BuildEffect(CParticleSystemMng& mng)
{
    CParticleMethodMng& methods = *mng.GetParticleMethodMng();
    NewSprites(methods, "flames", 0.55f);
    NewSprites(methods, "sparks", 0.07f);

    CParticleSystem* sparks = NewSystem(mng, "sparks", "sparks", 400);
    const SPPS_DOMAIN sparkMouth(PPS_DOMAIN_DISC, 0, 0.25f, 0, 0, 1, 0, 0.3f, 0, 0);
    const SPPS_DOMAIN sparkSpray(PPS_DOMAIN_CONE, 0, 0, 0, 0, 3.2f, 0, 1.4f, 0, 0);
    const SPPS_DOMAIN sparkColour(PPS_DOMAIN_POINT, 1.0f, 0.8f, 0.35f);
    sparks->AddAction(Always(new SPPS_ACTION_SOURCE(70, sparkMouth, sparkSpray, sparkColour)));
    sparks->AddAction(Always(new SPPS_ACTION_GRAVITY(0, -2.6f, 0)));
    sparks->AddAction(Always(new SPPS_ACTION_BOUNCE(0.6f, 0.35f, 0.01f, PPS_DOMAIN_PLANE, 0, 0, 0, 0, 1, 0)));
    sparks->AddAction(Always(new SPPS_ACTION_MOVE));
    sparks->AddAction(Always(new SPPS_ACTION_KILL(1.8f, 1)));

    CParticleSystem* flames = NewSystem(mng, "flames", "flames", 2000);
    const SPPS_DOMAIN base(PPS_DOMAIN_DISC, 0, 0.05f, 0, 0, 1, 0, 0.32f, 0, 0);
    const SPPS_DOMAIN rise(PPS_DOMAIN_CONE, 0, 0, 0, 0, 1.1f, 0, 0.35f, 0, 0);
    const SPPS_DOMAIN glow(PPS_DOMAIN_POINT, 0.3f, 0.12f, 0.03f);
    flames->AddAction(Always(new SPPS_ACTION_SOURCE(900, base, rise, glow)));
    flames->AddAction(Always(new SPPS_ACTION_GRAVITY(0, 0.9f, 0)));
    flames->AddAction(Always(new SPPS_ACTION_VORTEX(0, 0, 0, D3DXVECTOR3(0, 1, 0), 0.35f, 0.2f, 2.0f)));
    flames->AddAction(Always(new SPPS_ACTION_DAMP(0.3f, 1.0f, 0.3f, 1.0e6f, 0.0f)));
    flames->AddAction(Always(new SPPS_ACTION_COLORCTRL(0, 1, 0xFF50200Au, 0xFF2A0804u, 0.45f, 0)));
    flames->AddAction(Always(new SPPS_ACTION_MOVE));
    flames->AddAction(Always(new SPPS_ACTION_KILL(1.05f, 1)));
}

// A soft round spot: white in the middle, fading to black at the rim.
bool WriteSprite(IDirect3DDevice8* device)
{
    return SaveSpot(device, kSpritePath, D3DFMT_X8R8G8B8, D3DXIFF_BMP, [](float fall) {
        const auto v = static_cast<DWORD>(255.0f * fall * fall);
        return 0xFF000000u | v << 16 | v << 8 | v;
    });
}

void SetCamera(IDirect3DDevice8* device)
{
    LookAt(device, D3DXVECTOR3(0, 1.2f, -3.6f), D3DXVECTOR3(0, 0.8f, 0));
    // The sprites add onto the frame: the method sets the destination factor.
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
}

bool ReadText(const char* path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

} // namespace

int WriteFireScript(const char* path)
{
    CParticleSystemMng mng;
    BuildEffect(mng);
    std::ostringstream text;
    if (mng.WriteToScript(text) != 0) return 1;
    const std::string script = text.str();
    if (!kestu::SafeReplaceFile(path, script.data(), script.size())) {
        std::fprintf(stderr, "particles: cannot write %s\n", path);
        return 1;
    }
    std::printf("particles: wrote %s\n", path);
    return 0;
}

int RunFire(const char* script, const char* png)
{
    std::string text;
    if (!ReadText(script, text) || text.empty()) {
        std::fprintf(stderr, "particles: cannot read %s\n", script);
        return 1;
    }
    if (FAILED(sample::BuildEngine(nullptr, "fire", "Kestu Fire"))) return 1;
    IDirect3DDevice8* device = Kestu_GetDevice();
    HWND wnd = Kestu_GetCfg()->GetRenderWnd();
    int status = WriteSprite(device) ? 0 : 1;
    if (status) std::fprintf(stderr, "particles: cannot write %s\n", kSpritePath);

    srand(7);
    CParticleSystemMng mng;
    // With a device the reader loads each point sprite's texture.
    mng.GetParticleMethodMng()->SetDevice(device);
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    mng.CreateFromScript(chunk);
    chunk.clear();
    if (status == 0 && mng.GetSystemCount() != 2) {
        std::fprintf(stderr, "particles: %s holds %u systems, not the two of the fire\n", script, mng.GetSystemCount());
        status = 1;
    }
    mng.Build(device);
    for (int frame = 0; frame < kFrames && status == 0; ++frame) {
        mng.Logic(kStep);
        if (FAILED(sample::Frame("particles", frame, 0xFF080608u, [&] {
                SetCamera(device);
                return mng.Render(device, 0);
            })))
            status = 1;
    }
    if (status == 0 && !host::SaveWindowPng(wnd, png)) {
        std::fprintf(stderr, "particles: cannot save %s\n", png);
        status = 1;
    }
    DWORD alive = 0;
    CParticleSystemMng::iterator it = mng.FirstSystemPosition();
    while (CParticleSystem* system = mng.NextSystem(it))
        if (system->FirstGroup()) alive += system->FirstGroup()->GetParticlesNumber();
    mng.Clear();
    Kestu_Release();
    if (status == 0) std::printf("particles: wrote %s (%u particles)\n", png, alive);
    return status;
}
