#include <algorithm>
#include <new>
#include <vector>

#include "kestu_datachunk.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsmethods.h"
#include "kestu_skeleton.h"
#include "kestu_skeletonani.h"
#include "core/device/DeviceState.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/script/ScriptValues.h"

using Kestu::CSkeleton;
using Kestu::CSkeletonAni;

template <>
struct ParticleFieldList<CMethodSklAni> {
    static constexpr RecordField kFields[] = {
        Stored<&CMethodSklAni::m_strName, CMethodSklAni>("Method", 0, LineRead::Value, ppsfile::kNameMax),
        Stored<&CMethodSklAni::m_strSkeletonPath>("SkeletonPath", 1, LineRead::Value, ppsfile::kPathMax),
        Stored<&CMethodSklAni::m_ActionPaths>("ActionPath", 2, LineRead::Value, ppsfile::kPathMax),
    };
};

namespace {
constexpr RecordFieldList kFields = ParticleFieldList<CMethodSklAni>::kFields;

// A prepared player has run this many unit steps, so that it starts well
// inside its clip.
constexpr int kWarmUpSteps = 2000;

// The record's words beside the skeleton and the players: the length of the
// player array, and whether the last Build imported the skeleton and
// prepared the players.
DWORD& PlayerCount(SPPS_METHOD_RES& res) { return res.dwReserved2; }
DWORD& Ready(SPPS_METHOD_RES& res) { return res.dwReserved3; }

// The skeleton and the players of a record, freed; only player 0 ever has
// callbacks to release.
void FreeModel(SPPS_METHOD_RES& res)
{
    if (res.pSkeletonAnis) res.pSkeletonAnis[0].Release();
    delete[] res.pSkeletonAnis;
    res.pSkeletonAnis = nullptr;
    PlayerCount(res) = 0;
    Ready(res) = 0;
    if (res.pSkeleton) res.pSkeleton->Release();
    delete res.pSkeleton;
    res.pSkeleton = nullptr;
}

// The record's player array at count players, the existing ones kept.
bool GrowPlayers(SPPS_METHOD_RES& res, DWORD count)
{
    const DWORD old = CMethodSklAni::GetPlayerCount(res);
    if (count <= old) return true;
    auto* players = new (std::nothrow) CSkeletonAni[count];
    if (!players) return false;
    for (DWORD i = 0; i < old; ++i) players[i] = res.pSkeletonAnis[i];
    delete[] res.pSkeletonAnis;
    res.pSkeletonAnis = players;
    PlayerCount(res) = count;
    return true;
}
} // namespace

CMethodSklAni::CMethodSklAni() {}

CMethodSklAni::CMethodSklAni(Kestu::CMeshDataMng* meshDataMng) : m_pMeshDataMng(meshDataMng) {}

CMethodSklAni::~CMethodSklAni()
{
    for (auto& entry : m_Res) FreeModel(*entry.second);
}

// Player 0 and one player per action path fit with room to spare.
void CMethodSklAni::GrowCapacity(DWORD paths)
{
    while (m_dwPlayerCapacity <= paths) m_dwPlayerCapacity = m_dwPlayerCapacity ? m_dwPlayerCapacity * 2 : 1;
}

void CMethodSklAni::PreparePlayer(SPPS_METHOD_RES& res, DWORD i)
{
    CSkeletonAni& player = res.pSkeletonAnis[i];
    player.SetSkeleton(res.pSkeleton);
    player.Build();
    player.Reset();
    player.SetPlaySpeed(1.0f);
    player.SetPlayMode(ANIPLAY_LOOP);
    for (int step = 0; step < kWarmUpSteps; ++step) player.FrameMoveE(1.0f);
}

void CMethodSklAni::ImportAction(SPPS_METHOD_RES& res, DWORD i, const std::string& path)
{
    PreparePlayer(res, i);
    res.pSkeleton->Import(path.c_str(), 0, Kestu::KESTU_SKL_ACTIONS);
    res.pSkeletonAnis[i].SetCurrentAction(res.pSkeleton->GetActionsNumber() - 1);
}

HRESULT CMethodSklAni::Build(IDirect3DDevice8* device, CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    // The old players go with the old skeleton they play.
    FreeModel(*res);
    res->pSkeleton = new (std::nothrow) CSkeleton;
    if (!res->pSkeleton) return E_OUTOFMEMORY;
    if (!m_pMeshDataMng) return 1;

    CSkeleton& skeleton = *res->pSkeleton;
    skeleton.SetMeshManager(m_pMeshDataMng);
    const HRESULT hr = skeleton.Import(m_strSkeletonPath.c_str(), 0, Kestu::KESTU_SKL_ALL);
    if (SUCCEEDED(hr)) skeleton.Build(device);

    // A file may list more action paths than the capacity holds.
    GrowCapacity(GetActionCount());
    if (!GrowPlayers(*res, m_dwPlayerCapacity)) return E_OUTOFMEMORY;
    if (FAILED(hr)) return hr;

    PreparePlayer(*res, 0);
    DWORD k = 1;
    for (const std::string& path : m_ActionPaths) ImportAction(*res, k++, path);
    Ready(*res) = 1;
    return hr;
}

void CMethodSklAni::Release(CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return;
    FreeModel(*res);
    EraseRes(group);
}

LONG CMethodSklAni::AddActionPath(const char* path)
{
    if (m_Res.empty()) return 0;
    return AddActionPath(path, m_Res.begin()->second);
}

LONG CMethodSklAni::AddActionPath(const char* path, SPPS_METHOD_RES* res)
{
    if (!path || m_strSkeletonPath.empty()) return 0;
    if (std::find(m_ActionPaths.begin(), m_ActionPaths.end(), path) != m_ActionPaths.end()) return 0;
    m_ActionPaths.emplace_back(path);
    const DWORD n = GetActionCount();
    GrowCapacity(n);
    // A group not built yet takes the path at its Build.
    if (!res || !Ready(*res)) return 1;
    if (!GrowPlayers(*res, m_dwPlayerCapacity)) return E_OUTOFMEMORY;
    ImportAction(*res, n, m_ActionPaths.back());
    return 1;
}

CSkeletonAni* CMethodSklAni::CurrentPlayer(CParticleGroup* group) const
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res || !Ready(*res) || m_dwCurAction >= GetPlayerCount(*res)) return nullptr;
    return &res->pSkeletonAnis[m_dwCurAction];
}

HRESULT CMethodSklAni::Update(CParticleGroup* group, float dt)
{
    CSkeletonAni* player = CurrentPlayer(group);
    if (!player) return 1;
    player->FrameMoveE(dt);
    return 0;
}

HRESULT CMethodSklAni::Render(IDirect3DDevice8* device, CParticleGroup* group)
{
    if (!GetRes(group)) return 1;
    if (group->GetParticlesNumber() == 0) return 0;
    CSkeletonAni* player = CurrentPlayer(group);
    if (!player || !device) return 1;
    const D3DXMATRIX& root = *group->GetRootMat();
    HRESULT hr = 0;
    group->ForEachParticle([&](CParticleBase* p) {
        // Each particle's draw puts the world transform back.
        kestu::StateScope scope(device);
        scope.KeepTransform(D3DTS_WORLD);
        const float* at = p->GetPosition();
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, at[0], at[1], at[2]);
        world = world * root;
        player->SetTransform(&world);
        hr = player->Render(device);
    });
    return hr;
}

HRESULT CMethodSklAni::Serialize(std::iostream& stream, int bWrite)
{
    if (bWrite) {
        WriteRecord(stream, this, kFields);
        return ppsfile::StreamResult(stream);
    }
    // A record cut short changes nothing, the name included.
    return ReadRecord(stream, this, kFields) ? 0 : E_FAIL;
}

HRESULT CMethodSklAni::CreateFromScript(CDataChunk& chunk)
{
    ReadScriptFields(chunk, this, kFields);
    return 0;
}

HRESULT CMethodSklAni::WriteToScript(std::ostream& out)
{
    out << "{\n";
    WriteScriptFields(out, this, kFields, "");
    out << "}\n";
    return 0;
}
