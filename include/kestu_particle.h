// Particles: the motion state, the coloured particle and the mesh particle, and
// the one process-wide free list through which ordinary particles are recycled.
#pragma once
#include "kestu_export.h"
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include <windows.h>
#include <d3d8.h>

struct ID3DXMesh;

// Eight words carried for the client; the engine reads none of them.
struct SPPS_SHAPE {
    DWORD dwData[8];
};

class KESTU_API CParticleBase {
public:
    // Starts with weight 1 and a velocity of r / 100 on axis r % 3 for one
    // draw r = rand() % 100; the squared speed and direction stay 0.
    CParticleBase();
    CParticleBase(const CParticleBase& other) { CopyMotion(other); }
    CParticleBase& operator=(const CParticleBase& other)
    {
        CopyMotion(other);
        return *this;
    }
    virtual ~CParticleBase() {}

    // Particles live in the particle heap, in address order, so that a walk
    // of a group touches memory in sequence.
    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* p, size_t size) noexcept;

    virtual DWORD GetColor() = 0;
    virtual void SetColor(const float* rgb) = 0;
    virtual void SetColor(DWORD color) = 0;
    virtual CParticleBase* New() { return nullptr; }
    virtual HRESULT Render(IDirect3DDevice8* device) = 0;

    float* GetVelocity() { return m_vVelocity; }
    const float* GetVelocity() const { return m_vVelocity; }
    float GetVelocity2() const { return m_fVelLength2; }
    const float* GetVelocityNormal() const { return m_vVelNormal; }
    float GetWeight() const { return m_fWeight; }
    float GetLifeTime() const { return m_fLifeTime; }
    float* GetPosition() { return m_vPosition; }
    const float* GetPosition() const { return m_vPosition; }

    // Copies the velocity and derives its squared length and direction.
    void SetVelocity(const float* v)
    {
        m_vVelocity[0] = v[0];
        m_vVelocity[1] = v[1];
        m_vVelocity[2] = v[2];
        CalcVelLength2();
        CalcVelNormal();
    }
    void SetWeight(float weight) { m_fWeight = weight; }
    void SetLifeTime(float lifeTime) { m_fLifeTime = lifeTime; }
    void SetPosition(const float* p)
    {
        m_vPosition[0] = p[0];
        m_vPosition[1] = p[1];
        m_vPosition[2] = p[2];
    }
    void CalcVelLength2()
    {
        m_fVelLength2 =
            m_vVelocity[0] * m_vVelocity[0] + m_vVelocity[1] * m_vVelocity[1] + m_vVelocity[2] * m_vVelocity[2];
    }
    // A zero velocity has a zero direction.
    void CalcVelNormal()
    {
        const float len = std::sqrt(m_vVelocity[0] * m_vVelocity[0] + m_vVelocity[1] * m_vVelocity[1] +
                                    m_vVelocity[2] * m_vVelocity[2]);
        if (len == 0.0f) {
            m_vVelNormal[0] = m_vVelNormal[1] = m_vVelNormal[2] = 0.0f;
            return;
        }
        const float inv = 1.0f / len;
        m_vVelNormal[0] = m_vVelocity[0] * inv;
        m_vVelNormal[1] = m_vVelocity[1] * inv;
        m_vVelNormal[2] = m_vVelocity[2] * inv;
    }
    // Weight, velocity, lifetime, squared speed, direction and position become 0.
    void Clear();

private:
    void CopyMotion(const CParticleBase& other);

protected:
    // What the action passes read and write comes first.
    float m_vVelocity[4];
    float m_vPosition[4];
    float m_fLifeTime;
    float m_fVelLength2;
    float m_vVelNormal[4];
    float m_fWeight;
};

class KESTU_API CParticle : public CParticleBase {
public:
    CParticle() : m_dwColor(0xFFFFFFFF), m_Shape{} { m_Shape.dwData[0] = 2; }
    CParticle(const CParticle& other) = default;
    CParticle& operator=(const CParticle& other) = default;
    ~CParticle() override {}

    DWORD GetColor() override { return m_dwColor; }
    // Alpha 0xFF; each channel is the low byte of the value times 255, truncated.
    void SetColor(const float* rgb) override;
    void SetColor(DWORD color) override { m_dwColor = color; }
    HRESULT Render(IDirect3DDevice8* device) override { return 0; }
    virtual void Release() {}

    void SetShape(const SPPS_SHAPE& shape) { m_Shape = shape; }
    SPPS_SHAPE GetShape() const { return m_Shape; }

protected:
    DWORD m_dwColor;
    SPPS_SHAPE m_Shape;
};

// The particle of the mesh render method; it never enters the free list.
class KESTU_API CParticleMesh : public CParticle {
public:
    CParticleMesh() : m_pMesh(nullptr) {}
    CParticleMesh(const CParticleMesh& other) = default;
    CParticleMesh& operator=(const CParticleMesh& other) = default;
    ~CParticleMesh() override {}

    void SetMesh(ID3DXMesh* mesh) { m_pMesh = mesh; }
    ID3DXMesh* GetMesh() const { return m_pMesh; }

protected:
    ID3DXMesh* m_pMesh; // not owned
};

// Recycled particles, taken from the front and given back at the back. It
// exists from the first particle group on; when the last group goes, the
// particles it holds are deleted and the list waits, empty, for the next.
class KESTU_API CParticleFreeList {
public:
    CParticleFreeList() {}
    CParticleFreeList(const CParticleFreeList&) = delete;
    CParticleFreeList& operator=(const CParticleFreeList&) = delete;
    ~CParticleFreeList() { DeleteAll(); }

    // The oldest particle given back, as it was given back; null when empty.
    CParticleBase* Take()
    {
        if (m_nCount == 0) return nullptr;
        CParticleBase* p = m_Ring[m_nHead];
        m_nHead = m_nHead + 1 == m_Ring.size() ? 0 : m_nHead + 1;
        --m_nCount;
        return p;
    }
    // False when the list cannot grow.
    bool Give(CParticleBase* particle);
    void DeleteAll();
    size_t GetCount() const { return m_nCount; }
    CParticleBase* Front() const { return m_nCount ? m_Ring[m_nHead] : nullptr; }

    // Number of live particle groups.
    int32_t m_nUsers = 0;

private:
    // A ring over a buffer that only grows, so that taking and giving back
    // allocate nothing once the list has reached its size.
    std::vector<CParticleBase*> m_Ring;
    size_t m_nHead = 0;
    size_t m_nCount = 0;
};

// Null until the first particle group is constructed.
extern KESTU_API CParticleFreeList* ParticleFreeList;

// The front of the free list, uncleared, or a new CParticle; null only when
// memory runs out.
KESTU_API CParticleBase* AllocParticle();
// Appends a particle to the free list (deletes it when no group has made the
// list yet).
KESTU_API void FreeParticle(CParticleBase* particle);
