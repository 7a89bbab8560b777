// Particle actions: a system of 100,000 particles running SOURCE, GRAVITY,
// DAMP, BOUNCE off a plane, MOVE and KILL, one frame per iteration, in
// particle-action updates per second (each of the five passes over the
// particles counts one update per particle, each birth one). The reference,
// measured in the same run, is a plain loop doing the same arithmetic, pass
// by pass, on a flat array of the same particles (the same births from the
// same draws, kills kept in order). "of_flat" is the engine's speed as a
// fraction of the flat loop's; "bytes/particle" is the heap each live
// particle costs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "kestu_particlesystem.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethod.h"

namespace {

constexpr DWORD kParticles = 100000;
constexpr float kDt = 1.0f / 60.0f;
constexpr float kAgeLimit = 2.0f;
constexpr float kRate = kParticles / kAgeLimit;
constexpr int kWarmUpFrames = 180;

SPPS_DOMAIN BirthPosition() { return SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0, 1, 0, 0.5f, 0.0f); }
SPPS_DOMAIN BirthVelocity() { return SPPS_DOMAIN(PPS_DOMAIN_CYLINDER, 0, 0, 0, 0, 6, 0, 2, 1.5f, 0); }
SPPS_DOMAIN BirthColor() { return SPPS_DOMAIN(PPS_DOMAIN_POINT, 1, 0.5f, 0.25f); }
const D3DXVECTOR3 kGravity(0, -9.8f, 0);
const D3DXVECTOR3 kDamping(0.9f, 0.9f, 0.9f);
constexpr float kVlowSqr = 0.01f, kVhighSqr = 1.0e6f;
constexpr float kOneMinFriction = 0.9f, kResilience = 0.5f, kCutoffSqr = 0.01f;
const D3DXVECTOR3 kPlaneNormal(0, 1, 0);

// Particles from and back to the free list; draws nothing.
class PooledMethod : public CPPS_METHOD_BASE {
public:
    LONG AddRef(CParticleGroup* g) override { return AddRes(g); }
    HRESULT Build(IDirect3DDevice8*, CParticleGroup* g) override { return GetRes(g) ? 0 : 1; }
    void Release(CParticleGroup* g) override { EraseRes(g); }
    HRESULT Render(IDirect3DDevice8*, CParticleGroup* g) override { return GetRes(g) ? 0 : 1; }
    HRESULT Update(CParticleGroup* g, float) override { return GetRes(g) ? 0 : 1; }
    CParticleBase* New(CParticleGroup*, int) override { return NewPooledParticle(); }
    void Delete(CParticleGroup*, CParticleBase* p) override { DeletePooledParticle(p); }
};

struct Engine {
    PooledMethod method;
    CParticleSystem system;
    size_t bytesPerParticle = 0;

    Engine()
    {
        srand(1);
        const size_t before = mallinfo2().uordblks;
        system.NewGroup();
        CParticleGroup* group = system.FirstGroup();
        group->SetMaxParticleNumber(kParticles);
        system.SetMethod(&method);
        system.AddAction(new SPPS_ACTION_SOURCE(kRate, BirthPosition(), BirthVelocity(), BirthColor()));
        system.AddAction(new SPPS_ACTION_GRAVITY(kGravity.x, kGravity.y, kGravity.z));
        system.AddAction(new SPPS_ACTION_DAMP(kDamping.x, kDamping.y, kDamping.z, kVhighSqr, kVlowSqr));
        system.AddAction(new SPPS_ACTION_BOUNCE(kOneMinFriction, kResilience, kCutoffSqr, PPS_DOMAIN_PLANE, 0, 0, 0,
                                                kPlaneNormal.x, kPlaneNormal.y, kPlaneNormal.z));
        system.AddAction(new SPPS_ACTION_MOVE);
        system.AddAction(new SPPS_ACTION_KILL(kAgeLimit, 1));
        CParticleSystem::action_iterator it;
        system.FirstAction(it);
        while (SPPS_ACTION_BASE* a = system.NextAction(it)) a->validity.nValidity = 2;
        for (int i = 0; i < kWarmUpFrames; ++i) system.Logic(kDt);
        bytesPerParticle = (mallinfo2().uordblks - before) / group->GetParticlesNumber();
    }
    ~Engine() { system.Release(); }
    DWORD Count() { return system.FirstGroup()->GetParticlesNumber(); }
    void Frame() { system.Logic(kDt); }
};

// The same particle as a plain record: every field a particle has, in the
// order they are listed, without the engine's class machinery.
struct FlatParticle {
    float weight;
    float vel[4];
    float life;
    float vel2;
    float dir[4];
    float pos[4];
    DWORD color;
    DWORD shape[8];
};

inline void FlatSetVelocity(FlatParticle& p, float x, float y, float z)
{
    p.vel[0] = x;
    p.vel[1] = y;
    p.vel[2] = z;
    p.vel2 = x * x + y * y + z * z;
    const float len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0f) {
        p.dir[0] = p.dir[1] = p.dir[2] = 0.0f;
    } else {
        const float inv = 1.0f / len;
        p.dir[0] = x * inv;
        p.dir[1] = y * inv;
        p.dir[2] = z * inv;
    }
}

struct Flat {
    std::vector<FlatParticle> particles;
    SPPS_DOMAIN position = BirthPosition(), size, velocity = BirthVelocity(), color = BirthColor();

    Flat()
    {
        srand(1);
        particles.reserve(kParticles);
        for (int i = 0; i < kWarmUpFrames; ++i) Frame();
    }
    DWORD Count() const { return static_cast<DWORD>(particles.size()); }

    void Frame()
    {
        const float dt = kDt;
        // SOURCE
        {
            const float x = dt * kRate;
            const float whole = std::floor(x);
            const float u = RandUniform();
            const float wanted = u < x - whole ? whole + 1.0f : whole;
            const DWORD room = kParticles - Count();
            const DWORD n = !(wanted < static_cast<float>(room)) ? room : static_cast<DWORD>(wanted);
            for (DWORD i = 0; i < n; ++i) {
                D3DXVECTOR3 p, s, v, k;
                position.Generate(p);
                size.Generate(s);
                velocity.Generate(v);
                color.Generate(k);
                FlatParticle q{};
                // A birth reuses a particle given back when there is one;
                // otherwise the new particle draws its start velocity.
                if (waiting > 0)
                    --waiting;
                else
                    (void)(rand() % 100);
                FlatSetVelocity(q, v.x, v.y, v.z);
                q.pos[0] = p.x;
                q.pos[1] = p.y;
                q.pos[2] = p.z;
                DWORD ch[3];
                for (int c = 0; c < 3; ++c) ch[c] = static_cast<DWORD>(static_cast<int>((&k.x)[c] * 255.0f)) & 0xFF;
                q.color = 0xFF000000u | ch[0] << 16 | ch[1] << 8 | ch[2];
                particles.push_back(q);
            }
        }
        // GRAVITY
        const float gx = dt * kGravity.x, gy = dt * kGravity.y, gz = dt * kGravity.z;
        for (FlatParticle& p : particles) FlatSetVelocity(p, p.vel[0] + gx, p.vel[1] + gy, p.vel[2] + gz);
        // DAMP
        const float sx = 1.0f - (1.0f - kDamping.x) * dt, sy = 1.0f - (1.0f - kDamping.y) * dt,
                    sz = 1.0f - (1.0f - kDamping.z) * dt;
        for (FlatParticle& p : particles) {
            if (!(kVlowSqr < p.vel2 && p.vel2 < kVhighSqr)) continue;
            p.vel[0] *= sx;
            p.vel[1] *= sy;
            p.vel[2] *= sz;
        }
        // BOUNCE off the plane through the origin with the normal n
        const float nx = kPlaneNormal.x, ny = kPlaneNormal.y, nz = kPlaneNormal.z, term = 0.0f;
        for (FlatParticle& p : particles) {
            const float distOld = nx * p.pos[0] + ny * p.pos[1] + nz * p.pos[2] + term;
            const float distNew = nx * (p.pos[0] + p.vel[0] * dt) + ny * (p.pos[1] + p.vel[1] * dt) +
                                  nz * (p.pos[2] + p.vel[2] * dt) + term;
            if (!(distOld * distNew < 0.0f)) continue;
            const float along = p.vel[0] * nx + p.vel[1] * ny + p.vel[2] * nz;
            const float vnx = nx * along, vny = ny * along, vnz = nz * along;
            const float vtx = p.vel[0] - vnx, vty = p.vel[1] - vny, vtz = p.vel[2] - vnz;
            const float backx = vnx * kResilience, backy = vny * kResilience, backz = vnz * kResilience;
            if (vtx * vtx + vty * vty + vtz * vtz > kCutoffSqr)
                FlatSetVelocity(p, vtx * kOneMinFriction - backx, vty * kOneMinFriction - backy,
                                vtz * kOneMinFriction - backz);
            else
                FlatSetVelocity(p, vtx - backx, vty - backy, vtz - backz);
        }
        // MOVE
        for (FlatParticle& p : particles) {
            p.life += dt;
            p.pos[0] += p.vel[0] * dt;
            p.pos[1] += p.vel[1] * dt;
            p.pos[2] += p.vel[2] * dt;
        }
        // KILL, keeping the survivors in order
        size_t kept = 0;
        for (size_t i = 0; i < particles.size(); ++i)
            if (!(particles[i].life > kAgeLimit)) particles[kept++] = particles[i];
        waiting += particles.size() - kept;
        particles.resize(kept);
    }

    // Killed particles the engine's free list would hold.
    size_t waiting = 0;
};

template <class Sim>
double TimeFrame(Sim& sim)
{
    const auto t0 = std::chrono::steady_clock::now();
    sim.Frame();
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Five passes over the particles, plus the births of the frame.
int64_t Updates(DWORD count) { return static_cast<int64_t>(count) * 5 + static_cast<int64_t>(kRate * kDt); }

void BM_Reference_FlatLoop(benchmark::State& state)
{
    Flat flat;
    int64_t updates = 0;
    for (auto _ : state) {
        flat.Frame();
        benchmark::ClobberMemory();
        updates += Updates(flat.Count());
    }
    state.SetItemsProcessed(updates);
    state.counters["particles"] = flat.Count();
    state.counters["bytes/particle"] = sizeof(FlatParticle);
}

// The engine's frames alternate, in runs of 16, with runs of frames of the
// flat loop, so that both are measured under the same load of the machine;
// the first frame of each run (which finds the caches full of the other's
// particles) is not timed, and the flat frames are timed apart, for the
// ratio only.
void BM_ParticleSystem(benchmark::State& state)
{
    constexpr int kRun = 16;
    Engine engine;
    Flat flat;
    int64_t updates = 0;
    double engineSeconds = 0, flatSeconds = 0;
    int frames = 0;
    for (auto _ : state) {
        engineSeconds += TimeFrame(engine);
        updates += Updates(engine.Count());
        if (++frames % kRun) continue;
        state.PauseTiming();
        flat.Frame();
        for (int i = 0; i < kRun; ++i) flatSeconds += TimeFrame(flat);
        engine.Frame();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(updates);
    state.counters["particles"] = engine.Count();
    state.counters["bytes/particle"] = static_cast<double>(engine.bytesPerParticle);
    if (flatSeconds > 0) state.counters["of_flat"] = (flatSeconds / (frames / kRun * kRun)) / (engineSeconds / frames);
}

} // namespace

BENCHMARK(BM_Reference_FlatLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticleSystem)->Unit(benchmark::kMicrosecond);
