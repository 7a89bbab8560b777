// A particle group: one population of particles that share a render method
// and a root matrix. Actions move its particles; the method draws them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include <d3dx8math.h>

#include "kestu_particle.h"

class CPPS_METHOD_BASE;

class CParticleGroup {
public:
    // A position in the particle list; the end position holds no particle.
    class iterator {
    public:
        iterator() {}
        explicit iterator(CParticleBase* p) : m_p(p) {}
        CParticleBase* operator*() const { return m_p; }
        iterator& operator++()
        {
            m_p = m_p->NextInList();
            return *this;
        }
        bool operator==(const iterator& other) const { return m_p == other.m_p; }
        bool operator!=(const iterator& other) const { return m_p != other.m_p; }

    private:
        CParticleBase* m_p = nullptr;
    };

    // Registers a user of the particle free list.
    CParticleGroup();
    // The copy takes particles of its own from the free list, equal to the
    // source's, so that no particle is in two groups; the method is shared
    // but holds no record for the copy until SetMethod.
    CParticleGroup(const CParticleGroup& other);
    CParticleGroup& operator=(const CParticleGroup& other);
    // Gives back particles still held (Release), then unregisters.
    virtual ~CParticleGroup();

    // The method's New: one particle, null without a method.
    virtual CParticleBase* New(int count);
    // Every particle back through the method (to the free list without one),
    // then the method's record of this group freed.
    virtual void Release();
    virtual HRESULT Build(IDirect3DDevice8* device);
    virtual HRESULT Update(float dt);
    // 0 for an empty group; 1 without a method.
    virtual HRESULT Render(IDirect3DDevice8* device);

    // The method AddRefs the group; null clears the method.
    void SetMethod(CPPS_METHOD_BASE* method);
    CPPS_METHOD_BASE* GetMethod() const { return m_pMethod; }
    void SetRootMat(D3DXMATRIX mat) { m_matRoot = mat; }
    D3DXMATRIX* GetRootMat() { return &m_matRoot; }

    // Unlinks the particle at it, moves it to the following one and gives the
    // particle back.
    void RemoveAt(iterator& it);
    // n particles from the free list, uncleared, with velocities drawn from a
    // small cylinder; returns 1.
    int Spawn(DWORD count);
    // A new particle at pos (through the root matrix in a world-space group)
    // with velocity vel and colour rgb; the other arguments are not used.
    void Add(const float* pos, const float* posB, const float* size, const float* vel, const float* rgb,
             float unused, float age);

    CParticleBase* FirstParticle() const { return m_pHead; }
    CParticleBase* FirstParticle(iterator& it) const
    {
        it = iterator(m_pHead);
        return m_pHead;
    }
    CParticleBase* LastParticle(iterator& it) const
    {
        it = iterator();
        return m_pTail;
    }
    // The particle at it (null at the end), then it moves on.
    CParticleBase* NextParticle(iterator& it) const
    {
        CParticleBase* p = *it;
        if (p) ++it;
        return p;
    }
    iterator begin() const { return iterator(m_pHead); }
    iterator end() const { return iterator(); }

    DWORD GetParticlesNumber() const { return m_dwCount; }
    DWORD GetLastCount() const { return m_dwLastCount; }
    DWORD GetID() const { return m_dwGroupID; }
    void SetID(DWORD id) { m_dwGroupID = id; }
    const char* GetName() const { return m_strName.c_str(); }
    void SetName(const char* name) { m_strName = name ? name : ""; }
    int IsSpecified() const { return m_bSpecifiedParticles; }
    void SetSpecified(int specified) { m_bSpecifiedParticles = specified; }
    int IsInWorldSpace() const { return m_bInWorldSpace; }
    void EnableParticleInWorldSpace(int enable) { m_bInWorldSpace = enable; }
    DWORD GetMaxParticleNumber() const { return m_dwMaxParticleNumber; }
    void SetMaxParticleNumber(DWORD max) { m_dwMaxParticleNumber = max; }

private:
    void Append(CParticleBase* p);
    void Unlink(CParticleBase* p);
    // Back through the method, or to the free list when there is none.
    void GiveBack(CParticleBase* p);
    void CopyFields(const CParticleGroup& other);
    void CopyParticles(const CParticleGroup& other);

    alignas(16) D3DXMATRIX m_matRoot;
    DWORD m_dwLastCount = 0;
    DWORD m_dwGroupID = 0;
    DWORD m_dwMaxParticleNumber = 10000;
    CParticleBase* m_pHead = nullptr;
    CParticleBase* m_pTail = nullptr;
    DWORD m_dwCount = 0;
    int32_t m_bSpecifiedParticles = 0;
    std::string m_strName;
    CPPS_METHOD_BASE* m_pMethod = nullptr; // owned by the method manager
    int32_t m_bInWorldSpace = 0;
};
