#include <cstring>

#include "kestu_ppsmethod.h"
#include "effects/particles/methods/MethodTypes.h"

namespace {
// Numbers every method made in the process.
DWORD g_dwMethodCounter = 0;
} // namespace

std::string PPSNumberName(DWORD number) { return std::to_string(number); }

CPPS_METHOD_BASE* CParticleMethodMng::AddMethod(CPPS_METHOD_BASE* method, DWORD type)
{
    if (!method) return nullptr;
    method->SetID(g_dwMethodCounter);
    method->SetName(PPSNumberName(g_dwMethodCounter).c_str());
    m_Methods.push_back({method, type});
    ++g_dwMethodCounter;
    return method;
}

CPPS_METHOD_BASE* CParticleMethodMng::NewMethod(DWORD type)
{
    if (type > PPS_METHOD_MESH) return nullptr;
    return AddMethod(CreatePPSMethod(type, *this), type);
}

CPPS_METHOD_BASE* CParticleMethodMng::GetMethodByName(const char* name) const
{
    if (!name) return nullptr;
    for (const auto& entry : m_Methods)
        if (std::strcmp(entry.pMethod->GetName(), name) == 0) return entry.pMethod;
    return nullptr;
}

DWORD CParticleMethodMng::GetMethodTypeByName(const char* name) const
{
    if (!name) return 0xFFFFFFFF;
    for (const auto& entry : m_Methods)
        if (std::strcmp(entry.pMethod->GetName(), name) == 0) return entry.dwType;
    return 0xFFFFFFFF;
}

CPPS_METHOD_BASE* CParticleMethodMng::GetMethod(DWORD id) const
{
    for (const auto& entry : m_Methods)
        if (entry.pMethod->GetID() == id) return entry.pMethod;
    return nullptr;
}

int CParticleMethodMng::RemoveMethod(DWORD id)
{
    for (auto it = m_Methods.begin(); it != m_Methods.end(); ++it) {
        if (it->pMethod->GetID() != id) continue;
        delete it->pMethod;
        m_Methods.erase(it);
        return 1;
    }
    return 0;
}

void CParticleMethodMng::Clear()
{
    for (auto& entry : m_Methods) delete entry.pMethod;
    m_Methods.clear();
}

CPPS_METHOD_BASE* CParticleMethodMng::NextMethod(iterator& it)
{
    if (it == m_Methods.end()) return nullptr;
    ++it;
    return it == m_Methods.end() ? nullptr : it->pMethod;
}

void CParticleMethodMng::SetTextureMng(CTextureMng* textureMng)
{
    m_pTextureMng = textureMng;
    for (auto& entry : m_Methods) GivePPSMethodTextureMng(entry.pMethod, entry.dwType, textureMng);
}

void CParticleMethodMng::SetMeshDataMng(Kestu::CMeshDataMng* meshDataMng)
{
    // Skeletal-model methods take the mesh-data manager only when they are
    // made, so the ones already made keep theirs.
    m_pMeshDataMng = meshDataMng;
}
