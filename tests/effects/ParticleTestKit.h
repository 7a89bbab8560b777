// What the particle tests share: the classic rand() sequence worked out on its
// own, a render method that records its calls and keeps the common method
// behaviour, a method manager that takes such methods, and hand-placed
// particles.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestu_particle.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsmethod.h"

namespace ppstest {

// rand() * 1/32767, as every particle draw takes it.
constexpr float kU = 3.0518509e-05f;

// The first n results of rand() after srand(seed), computed independently.
inline std::vector<int> Draws(unsigned seed, int n)
{
    std::vector<int> out;
    uint32_t x = seed;
    for (int i = 0; i < n; ++i) {
        x = x * 214013u + 2531011u;
        out.push_back(static_cast<int>((x >> 16) & 0x7FFF));
    }
    return out;
}
inline std::vector<float> Uniforms(unsigned seed, int n)
{
    std::vector<float> out;
    for (int r : Draws(seed, n)) out.push_back(static_cast<float>(r) * kU);
    return out;
}

// A method with the common behaviour (a record per group, particles from and
// to the free list) that logs what it is asked to do.
class TestMethod : public CPPS_METHOD_BASE {
public:
    LONG AddRef(CParticleGroup* group) override
    {
        log.push_back("AddRef");
        return AddRes(group);
    }
    HRESULT Build(IDirect3DDevice8* device, CParticleGroup* group) override
    {
        log.push_back("Build");
        return GetRes(group) ? 0 : 1;
    }
    void Release(CParticleGroup* group) override
    {
        log.push_back("Release");
        EraseRes(group);
    }
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override
    {
        log.push_back("Render");
        // A scene opened by the caller refuses a second BeginScene.
        if (device) {
            sceneWasOpen = FAILED(device->BeginScene());
            if (!sceneWasOpen) device->EndScene();
        }
        return GetRes(group) ? 0 : 1;
    }
    HRESULT Update(CParticleGroup* group, float dt) override
    {
        log.push_back("Update");
        return GetRes(group) ? 0 : 1;
    }
    CParticleBase* New(CParticleGroup* group, int count) override { return NewPooledParticle(); }
    void Delete(CParticleGroup* group, CParticleBase* particle) override
    {
        deleted.push_back(particle);
        DeletePooledParticle(particle);
    }

    std::vector<std::string> log;
    std::vector<CParticleBase*> deleted;
    bool sceneWasOpen = false;
};

// A particle from the group's method at pos with velocity vel.
inline CParticleBase* Place(CParticleGroup& group, D3DXVECTOR3 pos, D3DXVECTOR3 vel, DWORD color = 0xFF000000)
{
    const float rgb[3] = {0, 0, 0};
    group.Add(&pos.x, &pos.x, &pos.x, &vel.x, rgb, 0, 0);
    CParticleGroup::iterator it;
    CParticleBase* p = group.LastParticle(it);
    p->SetColor(color);
    return p;
}

inline D3DXVECTOR3 Velocity(const CParticleBase* p) { return D3DXVECTOR3(p->GetVelocity()); }
inline D3DXVECTOR3 Position(const CParticleBase* p) { return D3DXVECTOR3(p->GetPosition()); }

// Every particle of a group, in list order.
inline std::vector<CParticleBase*> Particles(const CParticleGroup& group)
{
    std::vector<CParticleBase*> out;
    for (CParticleBase* p : group) out.push_back(p);
    return out;
}

// A group served by its own test method.
struct MethodGroup {
    TestMethod method;
    CParticleGroup group;
    MethodGroup() { group.SetMethod(&method); }
    ~MethodGroup() { group.Release(); }
};

} // namespace ppstest

namespace ppstest {
// Each component equal within 4 units in the last place.
inline ::testing::AssertionResult Vec3Near(const char* expr, const char*, const char*, const char*,
                                           const D3DXVECTOR3& v, float x, float y, float z)
{
    using F = ::testing::internal::FloatingPoint<float>;
    if (F(v.x).AlmostEquals(F(x)) && F(v.y).AlmostEquals(F(y)) && F(v.z).AlmostEquals(F(z)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << expr << " is (" << v.x << ", " << v.y << ", " << v.z << "), expected (" << x
                                         << ", " << y << ", " << z << ")";
}
} // namespace ppstest

#define EXPECT_VEC3_EQ(v, x, y, z) EXPECT_PRED_FORMAT4(ppstest::Vec3Near, v, x, y, z)
