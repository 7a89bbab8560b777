// The particle sample client.
//   particles                       a fountain run by the engine's particle
//                                   system (births from a disc, gravity,
//                                   damping, bounces off the ground, colours
//                                   over age, moves and deaths) for three
//                                   seconds, each particle drawn as a small
//                                   coloured square by the engine's quad
//                                   method; the last presented frame is saved
//                                   as out/particles.png.
//   particles fire-script <script>  writes the fire-and-sparks effect as a
//                                   particle script (fire.cpp).
//   particles fire <script> <png>   loads that script and draws the fire with
//                                   the engine's point-sprite method.
//   particles smoke <png>           smoke puffs and embers drawn by the
//                                   engine's billboard method (smoke.cpp).
#include <cstdio>
#include <string>

#include <kestu.h>
#include <host/host.h>

#include "../common/sample_engine.h"
#include "scene.h"
#include "fire.h"
#include "smoke.h"

namespace {

const char kPngPath[] = "out/particles.png";
const int kFrames = 90;
const float kStep = 1.0f / 30.0f;

void BuildFountain(CParticleSystemMng& mng)
{
    auto* squares = static_cast<CMethodQuad*>(mng.GetParticleMethodMng()->NewMethod(PPS_METHOD_QUAD));
    squares->SetName("squares");
    squares->SetSize(0.05f);
    CParticleSystem* fountain = mng.NewSystem();
    fountain->SetName("fountain");
    fountain->NewGroup();
    fountain->FirstGroup()->SetMaxParticleNumber(6000);
    fountain->SetMethodName("squares");
    const SPPS_DOMAIN mouth(PPS_DOMAIN_DISC, 0, 0.1f, 0, 0, 1, 0, 0.05f, 0, 0);
    const SPPS_DOMAIN spray(PPS_DOMAIN_CONE, 0, 0, 0, 0, 4.4f, 0, 1.5f, 0.2f, 0);
    const SPPS_DOMAIN white(PPS_DOMAIN_POINT, 1, 1, 1);
    fountain->AddAction(Always(new SPPS_ACTION_SOURCE(1500, mouth, spray, white)));
    fountain->AddAction(Always(new SPPS_ACTION_GRAVITY(0, -3.2f, 0)));
    fountain->AddAction(Always(new SPPS_ACTION_DAMP(0.6f, 1, 0.6f, 1.0e6f, 0)));
    fountain->AddAction(Always(new SPPS_ACTION_BOUNCE(0.7f, 0.35f, 0.01f, PPS_DOMAIN_PLANE, 0, 0, 0, 0, 1, 0)));
    fountain->AddAction(Always(new SPPS_ACTION_COLORCTRL(0, 0, 0xFFFFF0A0u, 0xFFC02010u, 2.5f, 0)));
    fountain->AddAction(Always(new SPPS_ACTION_MOVE));
    fountain->AddAction(Always(new SPPS_ACTION_KILL(3.0f, 1)));
}

void SetCamera(IDirect3DDevice8* device)
{
    LookAt(device, D3DXVECTOR3(0, 1.4f, -4.5f), D3DXVECTOR3(0, 1.1f, 0));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
}

int RunFountain()
{
    if (FAILED(sample::BuildEngine(nullptr, "particles", "Kestu Particles"))) return 1;
    IDirect3DDevice8* device = Kestu_GetDevice();
    srand(2);
    CParticleSystemMng mng;
    BuildFountain(mng);
    mng.Build(device);
    int status = 0;
    for (int frame = 0; frame < kFrames && status == 0; ++frame) {
        mng.Logic(kStep);
        if (FAILED(sample::Frame("particles", frame, 0xFF101828u, [&] {
                SetCamera(device);
                return mng.Render(device, 0);
            })))
            status = 1;
    }
    if (status == 0 && !sample::SavePicture("particles", kPngPath)) status = 1;
    const DWORD alive = mng.GetTotalParticleNum();
    mng.Clear();
    Kestu_Release();
    if (status == 0) std::printf("particles: wrote %s (%u particles)\n", kPngPath, alive);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode.empty()) return RunFountain();
    if (mode == "fire-script" && argc == 3) return WriteFireScript(argv[2]);
    if (mode == "fire" && argc == 4) return RunFire(argv[2], argv[3]);
    if (mode == "smoke" && argc == 3) return RunSmoke(argv[2]);
    std::fprintf(stderr, "usage: particles [fire-script <script> | fire <script> <png> | smoke <png>]\n");
    return 2;
}
