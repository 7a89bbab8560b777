#include "kestu_particlegroup.h"

#include "kestu_ppsdomain.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/ParticlePool.h"

CParticleGroup::CParticleGroup()
{
    D3DXMatrixIdentity(&m_matRoot);
    RegisterParticleUser();
}

CParticleGroup::CParticleGroup(const CParticleGroup& other)
{
    RegisterParticleUser();
    CopyFields(other);
    CopyParticles(other);
}

CParticleGroup& CParticleGroup::operator=(const CParticleGroup& other)
{
    if (this == &other) return *this;
    for (CParticleBase* p : m_Slots)
        if (p) GiveBack(p);
    m_Slots.clear();
    m_nFirst = 0;
    m_dwCount = 0;
    m_nGaps = 0;
    CopyFields(other);
    CopyParticles(other);
    return *this;
}

CParticleGroup::~CParticleGroup()
{
    if (m_dwCount) Release();
    UnregisterParticleUser();
}

void CParticleGroup::CopyFields(const CParticleGroup& other)
{
    m_matRoot = other.m_matRoot;
    m_dwLastCount = other.m_dwLastCount;
    m_dwGroupID = other.m_dwGroupID;
    m_dwMaxParticleNumber = other.m_dwMaxParticleNumber;
    m_bSpecifiedParticles = other.m_bSpecifiedParticles;
    m_strName = other.m_strName;
    m_pMethod = other.m_pMethod;
    m_bInWorldSpace = other.m_bInWorldSpace;
}

void CParticleGroup::CopyParticles(const CParticleGroup& other)
{
    for (CParticleBase* source : other) {
        CParticleBase* p = AllocParticle();
        if (!p) return;
        auto* to = dynamic_cast<CParticle*>(p);
        auto* from = dynamic_cast<CParticle*>(source);
        if (to && from) {
            *to = *from;
        } else {
            *p = *source;
            p->SetColor(source->GetColor());
        }
        Append(p);
    }
}

void CParticleGroup::Append(CParticleBase* p)
{
    m_Slots.push_back(p);
    ++m_dwCount;
}

void CParticleGroup::CloseGaps()
{
    while (m_nGaps && !m_Slots[m_nFirst]) {
        ++m_nFirst;
        --m_nGaps;
    }
    if (m_nGaps) {
        size_t kept = m_nFirst;
        for (size_t i = m_nFirst; i < m_Slots.size(); ++i)
            if (m_Slots[i]) m_Slots[kept++] = m_Slots[i];
        m_Slots.resize(kept);
        m_nGaps = 0;
    }
    if (m_nFirst * 2 >= m_Slots.size()) {
        m_Slots.erase(m_Slots.begin(), m_Slots.begin() + static_cast<std::ptrdiff_t>(m_nFirst));
        m_nFirst = 0;
    }
}

void CParticleGroup::GiveBack(CParticleBase* p)
{
    if (m_pMethod)
        m_pMethod->Delete(this, p);
    else
        FreeParticle(p);
}

void CParticleGroup::SetMethod(CPPS_METHOD_BASE* method)
{
    if (method) method->AddRef(this);
    m_pMethod = method;
}

CParticleBase* CParticleGroup::New(int count) { return m_pMethod ? m_pMethod->New(this, count) : nullptr; }

void CParticleGroup::Release()
{
    // Emptied first, so that the method sees no particle it has taken back.
    std::vector<CParticleBase*> held;
    held.swap(m_Slots);
    m_nFirst = 0;
    m_dwCount = 0;
    m_nGaps = 0;
    for (CParticleBase* p : held)
        if (p) GiveBack(p);
    held.clear();
    m_Slots.swap(held);
    if (m_pMethod) m_pMethod->Release(this);
}

HRESULT CParticleGroup::Build(IDirect3DDevice8* device)
{
    if (m_pMethod) m_pMethod->Build(device, this);
    return 0;
}

HRESULT CParticleGroup::Update(float dt)
{
    CloseGaps();
    m_dwLastCount = m_dwCount;
    if (m_pMethod) m_pMethod->Update(this, dt);
    return 0;
}

HRESULT CParticleGroup::Render(IDirect3DDevice8* device)
{
    if (!m_dwCount) return 0;
    return m_pMethod ? m_pMethod->Render(device, this) : 1;
}

void CParticleGroup::RemoveAt(iterator& it)
{
    CParticleBase* p = *it;
    if (!p) return;
    m_Slots[it.m_nIndex] = nullptr;
    ++m_nGaps;
    --m_dwCount;
    ++it;
    GiveBack(p);
}

int CParticleGroup::Spawn(DWORD count)
{
    const SPPS_DOMAIN velocities(PPS_DOMAIN_CYLINDER, 0.0f, -0.01f, 0.35f, 0.0f, -0.01f, 0.37f, 0.021f, 0.019f, 0.0f);
    DWORD spawned = 0;
    for (DWORD i = 0; i < count; ++i) {
        CParticleBase* p = AllocParticle();
        if (!p) break;
        D3DXVECTOR3 v;
        velocities.Generate(v);
        p->SetVelocity(&v.x);
        Append(p);
        ++spawned;
    }
    m_dwLastCount += spawned;
    return 1;
}

void CParticleGroup::Add(const float* pos, const float* posB, const float* size, const float* vel, const float* rgb,
                         float unused, float age)
{
    CParticleBase* p = New(1);
    if (!p) return;
    p->SetVelocity(vel);
    if (!m_bInWorldSpace) {
        p->SetPosition(pos);
    } else {
        // The birth position is placed through the root matrix.
        D3DXVECTOR4 world;
        const D3DXVECTOR3 local(pos[0], pos[1], pos[2]);
        D3DXVec3Transform(&world, &local, &m_matRoot);
        const float xyz[3] = {world.x, world.y, world.z};
        p->SetPosition(xyz);
    }
    p->SetColor(rgb);
    Append(p);
}
