#include "kestu_particlesystem.h"

#include <cstring>
#include <new>

#include "kestu_ppsactions.h"
#include "kestu_ppsmethod.h"

namespace {
// The running counters of the process: group and system numbers only grow.
DWORD g_dwGroupCounter = 0;
DWORD g_dwSystemCounter = 0;
} // namespace

DWORD PPSTakeSystemID() { return g_dwSystemCounter++; }

CParticleSystem::CParticleSystem() { D3DXMatrixIdentity(&m_matRoot); }

CParticleSystem::~CParticleSystem() { Release(); }

CParticleGroup* CParticleSystem::MakeGroup()
{
    CParticleGroup* group = new CParticleGroup;
    group->SetID(g_dwGroupCounter);
    group->SetName(PPSNumberName(g_dwGroupCounter).c_str());
    ++g_dwGroupCounter;
    return group;
}

void CParticleSystem::Logic(float dt)
{
    if (fLifeTime > 0.0f) {
        m_fElapsedTime += dt;
        const float end = fStartTime + fLifeTime;
        if (!(fStartTime < m_fElapsedTime && m_fElapsedTime < end)) {
            if (m_fElapsedTime > end) m_bFinished = 1;
            return;
        }
    }
    if (fRepeatTime > 0.0f && fExecuteTime > 0.0f) {
        m_fCycleTime += dt;
        if (m_fCycleTime > fRepeatTime + fExecuteTime) m_fCycleTime = 0.0f;
        if (m_fCycleTime >= fExecuteTime) return;
    }
    for (SPPS_ACTION_BASE* action : m_Actions) {
        for (CParticleGroup* group : m_Groups) {
            action->fDeltaTime = dt;
            action->Execute(group);
        }
    }
    for (CParticleGroup* group : m_Groups) {
        group->SetRootMat(m_matRoot);
        group->Update(dt);
    }
}

HRESULT CParticleSystem::Render(IDirect3DDevice8* device, int bScene)
{
    if (bScene && device) device->BeginScene();
    for (CParticleGroup* group : m_Groups)
        if (group->GetParticlesNumber() > 0) group->Render(device);
    if (bScene && device) device->EndScene();
    return 0;
}

HRESULT CParticleSystem::Build(IDirect3DDevice8* device)
{
    if (m_Groups.empty()) {
        CParticleGroup* group = MakeGroup();
        group->SetMethod(m_pMethod);
        group->Spawn(3);
        m_Groups.push_back(group);
    }
    for (CParticleGroup* group : m_Groups) group->Build(device);
    return 0;
}

void CParticleSystem::SetSourcePos(const D3DXMATRIX* m)
{
    if (!m) return;
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    D3DXVECTOR4 at;
    D3DXVec3Transform(&at, &origin, m);
    const D3DXVECTOR3 pos(at.x, at.y, at.z);
    for (SPPS_ACTION_BASE* action : m_Actions)
        if (action->GetActionID() == PPS_ACTION_SOURCE)
            if (auto* source = dynamic_cast<SPPS_ACTION_SOURCE*>(action)) source->SetSourcePos(pos);
}

void CParticleSystem::ReStart()
{
    for (SPPS_ACTION_BASE* action : m_Actions) action->ReStart();
}

void CParticleSystem::SetMethod(CPPS_METHOD_BASE* method)
{
    m_pMethod = method;
    for (CParticleGroup* group : m_Groups) group->SetMethod(method);
}

void CParticleSystem::SetMethodName(const char* name)
{
    m_strMethodName = name ? name : "";
    SetMethod(m_pMethodMng ? m_pMethodMng->GetMethodByName(m_strMethodName.c_str()) : nullptr);
}

int CParticleSystem::NewGroup()
{
    m_Groups.push_back(MakeGroup());
    return 0;
}

void CParticleSystem::AddGroup(const CParticleGroup& group) { m_Groups.push_back(new CParticleGroup(group)); }

CParticleGroup* CParticleSystem::GetGroupByName(const char* name) const
{
    if (!name) return nullptr;
    for (CParticleGroup* group : m_Groups)
        if (std::strcmp(group->GetName(), name) == 0) return group;
    return nullptr;
}

int CParticleSystem::RemoveGroup(DWORD id)
{
    for (auto it = m_Groups.begin(); it != m_Groups.end(); ++it)
        if ((*it)->GetID() == id) return RemoveGroup(it);
    return 0;
}

int CParticleSystem::RemoveGroup(group_iterator& it)
{
    if (it == m_Groups.end() || !*it) return 0;
    CParticleGroup* group = *it;
    it = m_Groups.erase(it);
    group->Release();
    delete group;
    return 1;
}

int CParticleSystem::AddAction(SPPS_ACTION_BASE* action)
{
    m_Actions.push_back(action);
    return 1;
}

int CParticleSystem::RemoveAction(action_iterator& it)
{
    if (it != m_Actions.end()) it = m_Actions.erase(it);
    return 1;
}

int CParticleSystem::RemoveAction(SPPS_ACTION_BASE* action)
{
    m_Actions.remove(action);
    return 1;
}

int CParticleSystem::RemoveActionAll()
{
    if (m_Actions.empty()) return 0;
    m_Actions.clear();
    return 1;
}

SPPS_ACTION_BASE* CParticleSystem::GetActionByName(const char* name) const
{
    if (!name) return nullptr;
    for (SPPS_ACTION_BASE* action : m_Actions)
        if (std::strcmp(action->GetName(), name) == 0) return action;
    return nullptr;
}

int CParticleSystem::ReleaseAllGroupInMethod()
{
    if (m_pMethod)
        for (CParticleGroup* group : m_Groups) m_pMethod->Release(group);
    return 1;
}

void CParticleSystem::Release()
{
    for (CParticleGroup* group : m_Groups) {
        group->Release();
        delete group;
    }
    m_Groups.clear();
    for (SPPS_ACTION_BASE* action : m_Actions) delete action;
    m_Actions.clear();
}

void CParticleSystem::Clear()
{
    m_Groups.clear();
    m_Actions.clear();
}
