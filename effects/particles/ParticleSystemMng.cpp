#include "kestu_particlesystemmng.h"

#include <cstring>

#include "effects/particles/ParticleTextureLib.h"

CParticleSystemMng::CParticleSystemMng() : m_pMethodMng(new CParticleMethodMng) { D3DXMatrixIdentity(&m_matRoot); }

CParticleSystemMng::~CParticleSystemMng()
{
    Clear();
    delete m_pMethodMng;
}

void CParticleSystemMng::Logic(float dt)
{
    for (CParticleSystem* system : m_Systems) {
        if (system->IsPlayFinished())
            system->Release();
        else
            system->Logic(dt);
    }
}

void CParticleSystemMng::VirutalLogic(float dt)
{
    for (CParticleSystem* system : m_Systems) system->Logic(dt);
}

HRESULT CParticleSystemMng::Render(IDirect3DDevice8* device, int bScene)
{
    for (CParticleSystem* system : m_Systems)
        if (system->Render(device, bScene) != 0) return E_FAIL;
    return 0;
}

HRESULT CParticleSystemMng::Build(IDirect3DDevice8* device)
{
    for (CParticleSystem* system : m_Systems)
        if (system->Build(device) != 0) return E_FAIL;
    return 0;
}

void CParticleSystemMng::SetRootMat(D3DXMATRIX mat)
{
    m_matRoot = mat;
    for (CParticleSystem* system : m_Systems) system->SetRootMat(mat);
}

void CParticleSystemMng::SetSourcePos(const D3DXMATRIX* m)
{
    for (CParticleSystem* system : m_Systems) system->SetSourcePos(m);
}

void CParticleSystemMng::ReStart()
{
    for (CParticleSystem* system : m_Systems) system->ReStart();
}

CParticleSystem* CParticleSystemMng::NewSystem()
{
    CParticleSystem* system = new CParticleSystem;
    system->SetParticleMethodMng(m_pMethodMng);
    const DWORD id = PPSTakeSystemID();
    system->SetID(id);
    system->SetName(PPSNumberName(id).c_str());
    m_Systems.push_back(system);
    return system;
}

CParticleSystem* CParticleSystemMng::GetSystemByName(const char* name) const
{
    if (!name) return nullptr;
    for (CParticleSystem* system : m_Systems)
        if (std::strcmp(system->GetName(), name) == 0) return system;
    return nullptr;
}

CParticleSystem* CParticleSystemMng::GetCurSystemByName(const char* name)
{
    CParticleSystem* system = GetSystemByName(name);
    if (system) m_pCurSystem = system;
    return system;
}

CParticleSystem* CParticleSystemMng::GetSystem(int id) const
{
    for (CParticleSystem* system : m_Systems)
        if (system->GetID() == static_cast<DWORD>(id)) return system;
    return nullptr;
}

int CParticleSystemMng::RemoveSystem(DWORD id)
{
    for (auto it = m_Systems.begin(); it != m_Systems.end(); ++it)
        if ((*it)->GetID() == id) return RemoveSystem(it);
    return 0;
}

int CParticleSystemMng::RemoveSystem(iterator& it)
{
    if (it == m_Systems.end() || !*it) return 0;
    CParticleSystem* system = *it;
    it = m_Systems.erase(it);
    if (m_pCurSystem == system) m_pCurSystem = nullptr;
    system->Release();
    delete system;
    return 1;
}

void CParticleSystemMng::Clear()
{
    for (CParticleSystem* system : m_Systems) {
        system->Release();
        delete system;
    }
    m_Systems.clear();
    m_pCurSystem = nullptr;
    if (m_pMethodMng) m_pMethodMng->Clear();
}

int CParticleSystemMng::IsValid() const
{
    if (!m_pMethodMng || m_pMethodMng->GetMethodCount() == 0) return 0;
    for (const CParticleSystem* system : m_Systems)
        if (system->GetMethodName()[0] == '\0') return 0;
    return 1;
}

DWORD CParticleSystemMng::GetTotalParticleNum() const
{
    DWORD total = 0;
    for (const CParticleSystem* system : m_Systems)
        if (const CParticleGroup* first = system->FirstGroup()) total += first->GetParticlesNumber();
    return total;
}

void CParticleSystemMng::SetTextureMng(CTextureMng* textureMng)
{
    m_pTextureMng = textureMng;
    if (m_pMethodMng) m_pMethodMng->SetTextureMng(textureMng);
}

void CParticleSystemMng::SetTextureIDXPath(const char* path)
{
    m_strTextureIDXPath = path ? path : "";
    if (m_pTextureMng) ReloadOpenTextureLib(*m_pTextureMng, m_strTextureIDXPath.c_str());
}

void CParticleSystemMng::ReleaseMethod()
{
    for (CParticleSystem* system : m_Systems) {
        system->ReleaseAllGroupInMethod();
        system->SetMethod(nullptr);
        system->SetParticleMethodMng(nullptr);
    }
    delete m_pMethodMng;
    m_pMethodMng = nullptr;
}
