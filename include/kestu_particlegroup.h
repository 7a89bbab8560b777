// A particle group: one population of particles that share a render method
// and a root matrix. Actions move its particles; the method draws them.
#pragma once
#include "kestu_export.h"
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include <d3dx8math.h>

#include "kestu_particle.h"

class CDataChunk;
class CPPS_METHOD_BASE;

class KESTU_API CParticleGroup {
public:
    // A position in the particle list; the end position holds no particle.
    // Positions stay valid while particles are added and removed; the
    // group's Update closes the gaps that removals leave, which moves them.
    class iterator {
    public:
        iterator() {}
        CParticleBase* operator*() const { return Index() == kEnd ? nullptr : m_pGroup->m_Slots[m_nIndex]; }
        iterator& operator++()
        {
            if (Index() != kEnd) m_nIndex = m_pGroup->NextLive(m_nIndex + 1);
            return *this;
        }
        bool operator==(const iterator& other) const { return Index() == other.Index(); }
        bool operator!=(const iterator& other) const { return Index() != other.Index(); }

    private:
        friend class CParticleGroup;
        static constexpr size_t kEnd = static_cast<size_t>(-1);
        iterator(const CParticleGroup* group, size_t index) : m_pGroup(group), m_nIndex(index) {}
        size_t Index() const { return m_pGroup && m_nIndex < m_pGroup->m_Slots.size() ? m_nIndex : kEnd; }

        const CParticleGroup* m_pGroup = nullptr;
        size_t m_nIndex = kEnd;
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

    // The group's record of the particle binary file. Reading gives a group
    // whose particles are not specified the particles the record counts, from
    // the free list; E_FAIL (and the stream's failbit) for a record the format
    // cannot hold: a name beyond 19 bytes, more particles than the group's
    // maximum or than one file may make at load (262,144), a stream cut
    // short.
    virtual HRESULT Serialize(std::iostream& stream, int bWrite);
    // The keys of a group block up to its "}"; no particle is made.
    virtual HRESULT CreateFromScript(CDataChunk& chunk);
    // The group block, from its "Group" line to its "}". A group without a
    // name is written under its GroupID in decimal, which a reader keeps as
    // its name: a block without one is passed over.
    virtual HRESULT WriteToScript(std::ostream& out);

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
    void Add(const float* pos, const float* posB, const float* size, const float* vel, const float* rgb, float unused,
             float age);

    CParticleBase* FirstParticle() const { return *begin(); }
    CParticleBase* FirstParticle(iterator& it) const
    {
        it = begin();
        return *it;
    }
    CParticleBase* LastParticle(iterator& it) const
    {
        it = end();
        for (size_t i = m_Slots.size(); i-- > m_nFirst;)
            if (m_Slots[i]) return m_Slots[i];
        return nullptr;
    }
    // The particle at it (null at the end), then it moves on.
    CParticleBase* NextParticle(iterator& it) const
    {
        CParticleBase* p = *it;
        ++it;
        return p;
    }
    iterator begin() const { return iterator(this, NextLive(m_nFirst)); }
    iterator end() const { return iterator(this, iterator::kEnd); }
    // Calls f(particle) for every particle in list order; f neither adds
    // nor removes particles.
    template <class F>
    void ForEachParticle(F&& f) const
    {
        // The middle of the fields the action passes read.
        ForEachParticleFetching<32>(static_cast<F&&>(f));
    }
    // The same walk for a pass that reads other fields: the bytes at each of
    // Offsets into the particles ahead are asked for.
    template <size_t... Offsets, class F>
    void ForEachParticleFetching(F&& f) const
    {
        // Particles lie wherever the free list last had them: each one is
        // asked for a little before its turn.
        constexpr size_t kAhead = 16;
        CParticleBase* const* slot = m_Slots.data() + m_nFirst;
        CParticleBase* const* last = m_Slots.data() + m_Slots.size();
        for (; last - slot > static_cast<std::ptrdiff_t>(kAhead); ++slot) {
            const char* ahead = reinterpret_cast<const char*>(slot[kAhead]);
            (__builtin_prefetch(ahead + Offsets), ...);
            if (CParticleBase* p = *slot) f(p);
        }
        for (; slot != last; ++slot)
            if (CParticleBase* p = *slot) f(p);
    }

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
    // The render methods size their vertex arrays, billboards and mesh
    // players by the maximum; what a file or script may store is bounded
    // with the rest of it (CParticleSystemMng::kMaxReadParticles).
    DWORD GetMaxParticleNumber() const { return m_dwMaxParticleNumber; }
    void SetMaxParticleNumber(DWORD max) { m_dwMaxParticleNumber = max; }

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    size_t NextLive(size_t i) const
    {
        while (i < m_Slots.size() && !m_Slots[i]) ++i;
        return i;
    }
    void Append(CParticleBase* p);
    // Closes the gaps removals left, keeping the order.
    void CloseGaps();
    // Back through the method, or to the free list when there is none.
    void GiveBack(CParticleBase* p);
    void CopyFields(const CParticleGroup& other);
    void CopyParticles(const CParticleGroup& other);

    alignas(16) D3DXMATRIX m_matRoot;
    DWORD m_dwLastCount = 0;
    DWORD m_dwGroupID = 0;
    DWORD m_dwMaxParticleNumber = 10000;
    // The particles in birth order from m_nFirst on; a removed particle
    // leaves a null until the gaps are closed. The oldest particles go first,
    // so the slots before m_nFirst are dropped in bulk, not moved each time.
    std::vector<CParticleBase*> m_Slots;
    size_t m_nFirst = 0;
    DWORD m_dwCount = 0;
    size_t m_nGaps = 0;
    int32_t m_bSpecifiedParticles = 0;
    std::string m_strName;
    CPPS_METHOD_BASE* m_pMethod = nullptr; // owned by the method manager
    int32_t m_bInWorldSpace = 0;
};
