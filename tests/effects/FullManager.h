// A particle-system manager that holds every render method the files store
// and every action, each field set to a value of its own, for the round
// trips of the binary file and the script.
#pragma once
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "kestu_datachunk.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethods.h"

namespace ppstest {

// A domain whose stored fields all differ, of a type the script keeps.
inline SPPS_DOMAIN Domain(float k)
{
    SPPS_DOMAIN d(PPS_DOMAIN_CONE, k, k + 0.25f, k + 0.5f, k + 1.0f, k + 1.25f, k + 1.5f, k + 2.0f, k + 0.75f, 0.0f);
    return d;
}

// Sets every stored field of the action (header, times and its own) to
// values drawn from k.
inline void FillAction(SPPS_ACTION_BASE* a, float k)
{
    a->scope = {4, 0x80000001u, 7, 8};
    a->validity = {4, 0xFFFFFFF0u, 9, 10};
    a->fDeltaTime = k + 0.125f;
    a->dwCRCNum = 0x90000000u;
    a->dwSize = 123;
    a->dwFPFFlags = 0xA5A5A5A5u;
    a->fStartTime = k + 1.0f;
    a->fLifeTime = k + 2.0f;
    a->fRepeatTime = k + 3.0f;
    a->fExecuteTime = k + 4.0f;
    const D3DXVECTOR3 v(k + 5.0f, k + 5.25f, k + 5.5f), w(k + 6.0f, k + 6.25f, k + 6.5f);
    if (auto* x = dynamic_cast<SPPS_ACTION_AVOID*>(a)) {
        x->domain = Domain(k);
        x->fLookAhead = k + 7, x->fMagnitude = k + 8, x->fEpsilon = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_BOUNCE*>(a)) {
        x->domain = Domain(k);
        x->fOneMinFriction = k + 7, x->fResilience = k + 8, x->fCutoffSqr = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_DAMP*>(a)) {
        x->fDamping = v;
        x->fVlowSqr = k + 7, x->fVhighSqr = k + 8;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_EXPLODE*>(a)) {
        x->vCenter = v;
        x->fVelocity = k + 7, x->fMagnitude = k + 8, x->fStdev = k + 9, x->fAge = k + 10, x->fEpsilon = k + 11;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_FOLLOW*>(a)) {
        x->fMagnitude = k + 7, x->fEpsilon = k + 8, x->fMaxRadius = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_GRAVITY*>(a)) {
        x->vDirection = v;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_GRAVITATE*>(a)) {
        x->fMagnitude = k + 7, x->fEpsilon = k + 8, x->fMaxRadius = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_JET*>(a)) {
        x->vCenter = v;
        x->domain = Domain(k);
        x->fMagnitude = k + 7, x->fEpsilon = k + 8, x->fMaxRadius = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_KILL*>(a)) {
        x->fAgeLimit = k + 7;
        x->bKillLessThan = 5;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_MATCH*>(a)) {
        x->fMagnitude = k + 7, x->fEpsilon = k + 8, x->fMaxRadius = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_ORBIT*>(a)) {
        x->vCenter = v;
        x->fMagnitude = k + 7, x->fEpsilon = k + 8, x->fMaxRadius = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_SINK*>(a)) {
        x->domain = Domain(k);
        x->nType = 0xF0000001u;
        x->bKillInside = 3;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_SOURCE*>(a)) {
        x->position = Domain(k);
        x->positionB = Domain(k + 10);
        x->size = Domain(k + 20);
        x->velocity = Domain(k + 30);
        x->color = Domain(k + 40);
        x->fRate = k + 7, x->fAge = k + 8, x->fAgeSigma = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_VORTEX*>(a)) {
        x->vCenter = v;
        x->vAxis = w;
        x->fMagnitude = k + 7, x->fEpsilon = k + 8, x->fMaxRadius = k + 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_COLORCTRL*>(a)) {
        x->bSpark = 2, x->bSuddenChange = 3, x->bLoop = 4;
        x->dwStartColor = 0xFF102030u, x->dwEndColor = 0x80FFEEDDu;
        x->fCycle = k + 7;
    }
}

// Every action, ids 256 to 272, filled and named.
inline void AddEveryAction(CParticleSystem& system, float k)
{
    for (DWORD id = PPS_ACTION_AVOID; id <= PPS_ACTION_COLORCTRL; ++id) {
        SPPS_ACTION_BASE* a = NewPPSAction(id);
        FillAction(a, k + float(id - PPS_ACTION_AVOID));
        a->SetName(("act" + std::to_string(id)).c_str());
        system.AddAction(a);
    }
}

// The method types the manager holds, in order.
inline std::vector<DWORD> MethodTypes()
{
    return {PPS_METHOD_POINT, PPS_METHOD_TRIANGLE, PPS_METHOD_QUAD, PPS_METHOD_POINTSPRITE, PPS_METHOD_MESH};
}

// Methods of every type the files store, two systems: "fire" with a group
// whose particles are specified and one whose are not, and every action;
// "smoke" with one group and every action again.
inline void FillManager(CParticleSystemMng& mng)
{
    mng.SetTextureIDXPath("data/effects.kidx");
    CParticleMethodMng* methods = mng.GetParticleMethodMng();
    static const char* const kNames[] = {"points", "tris", "quads", "sprites", "bb", "skl", "meshes"};
    for (DWORD type : MethodTypes()) {
        CPPS_METHOD_BASE* m = methods->NewMethod(type);
        m->SetName(kNames[type]);
        if (auto* s = dynamic_cast<CMethodPointSprite*>(m)) {
            s->SetPointSize(7.5f);
            s->SetTexturePath("sprites/spark.png");
        } else if (auto* mesh = dynamic_cast<CMethodMesh*>(m)) {
            mesh->SetMeshFile("meshes/ember.gma");
            mesh->SetMeshPath("meshes/tex/");
        }
    }
    CParticleSystem* fire = mng.NewSystem();
    fire->SetName("fire");
    fire->fStartTime = 0.5f, fire->fLifeTime = 10, fire->fRepeatTime = 2, fire->fExecuteTime = 1.5f;
    fire->NewGroup();
    fire->NewGroup();
    CParticleGroup* flames = fire->FirstGroup();
    flames->SetName("flames");
    flames->SetID(0x80000002u);
    flames->SetSpecified(1);
    flames->EnableParticleInWorldSpace(1);
    flames->SetMaxParticleNumber(500);
    CParticleGroup* sparks = fire->LastGroup();
    sparks->SetName("sparks");
    sparks->SetID(9);
    sparks->SetMaxParticleNumber(200);
    fire->SetMethodName("quads");
    AddEveryAction(*fire, 0.0f);

    CParticleSystem* smoke = mng.NewSystem();
    smoke->SetName("smoke");
    smoke->fLifeTime = 4;
    smoke->NewGroup();
    smoke->FirstGroup()->SetName("puffs");
    smoke->FirstGroup()->SetID(3);
    smoke->SetMethodName("sprites");
    AddEveryAction(*smoke, 100.0f);
}

// A billboard method "bb" with stored fields of its own and a system "glow"
// of one group drawn by it.
inline void AddBillboardSystem(CParticleSystemMng& mng)
{
    auto* bb = static_cast<CMethodBB*>(mng.GetParticleMethodMng()->NewMethod(PPS_METHOD_BB));
    bb->SetName("bb");
    bb->SetTextureID(0x80000007u);
    bb->SetBBHeight(0.75f);
    bb->SetBBWidth(1.25f);
    CParticleSystem* glow = mng.NewSystem();
    glow->SetName("glow");
    glow->fLifeTime = 3;
    glow->NewGroup();
    glow->FirstGroup()->SetName("motes");
    glow->FirstGroup()->SetID(5);
    glow->FirstGroup()->SetMaxParticleNumber(64);
    glow->SetMethodName("bb");
}

inline std::string Binary(CParticleSystemMng& mng)
{
    std::stringstream out;
    EXPECT_EQ(mng.Serialize(out, 1), 0);
    return out.str();
}

inline std::string Script(CParticleSystemMng& mng)
{
    std::ostringstream out;
    EXPECT_EQ(mng.WriteToScript(out), 0);
    return out.str();
}

// Reads a manager, method or other script block from text; hands back the
// line after what the reader took.
template <class Target>
std::string ReadScript(Target& target, const std::string& text)
{
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    EXPECT_EQ(target.CreateFromScript(chunk), 0);
    std::string next = chunk.isEOF() ? "" : chunk.getLine(true);
    chunk.clear();
    return next;
}

} // namespace ppstest
