#include <cstring>
#include <new>

#include "kestu_datachunk.h"
#include "kestu_meshani.h"
#include "kestu_meshanidata.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsmethods.h"
#include "core/resources/WholeFile.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/script/ScriptValues.h"

template <>
struct ParticleFieldList<CMethodMesh> {
    static constexpr RecordField kFields[] = {
        Stored<&CMethodMesh::m_strName, CMethodMesh>("Method", 0, LineRead::Value, ppsfile::kNameMax),
        Stored<&CMethodMesh::m_szMeshFile>("MeshFile", 1),
        Stored<&CMethodMesh::m_szMeshPath>("MeshPath", 2),
    };
};

namespace {
constexpr RecordFieldList kFields = ParticleFieldList<CMethodMesh>::kFields;

// The players run at this speed, looping from the start.
constexpr float kPlaySpeed = 3.0f;

void StartPlayer(CMeshAni& player)
{
    player.SetSpeed(kPlaySpeed);
    player.Play(0.0f, static_cast<ENUM_ANIPLAY_MODE>(1), TRUE, 0.0f);
}

// The players and the group's own mesh data of a record, freed.
void FreeMeshes(SPPS_METHOD_RES& res)
{
    if (res.pMeshAniData) res.pMeshAniData->Release();
    delete[] res.pMeshAnis;
    res.pMeshAnis = nullptr;
    res.dwReserved2 = 0;
    delete res.pMeshAniData;
    res.pMeshAniData = nullptr;
}

void CopyField(char (&field)[260], const char* text)
{
    std::memset(field, 0, sizeof field);
    if (text) std::strncpy(field, text, sizeof field - 1);
}
} // namespace

CMethodMesh::CMethodMesh() {}

CMethodMesh::~CMethodMesh()
{
    for (auto& entry : m_Res) FreeMeshes(*entry.second);
    ReleaseSphere();
}

void CMethodMesh::SetMeshFile(const char* file) { CopyField(m_szMeshFile, file); }

void CMethodMesh::SetMeshPath(const char* path) { CopyField(m_szMeshPath, path); }

void CMethodMesh::ReleaseSphere()
{
    if (m_pSphere) m_pSphere->Release();
    m_pSphere = nullptr;
}

// The record's word 2 holds the number of players, so that no walk passes
// the end of their array.
HRESULT CMethodMesh::Build(IDirect3DDevice8* device, CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    if (device) {
        ReleaseSphere();
        D3DXCreateSphere(device, 0.1f, 3, 3, &m_pSphere, nullptr);
    }
    res->dwMeshState = 0;
    FreeMeshes(*res);
    const DWORD players = group->GetMaxParticleNumber();
    res->pMeshAnis = new (std::nothrow) CMeshAni[players];
    if (!res->pMeshAnis) return E_OUTOFMEMORY;
    res->dwReserved2 = players;
    if (m_pMeshAniData) return 0;

    DWORD size = 0;
    BYTE* image = LoadWholeFile(m_szMeshFile, &size);
    if (!image) return 0;
    auto* data = new (std::nothrow) CMeshAniData;
    HRESULT hr = E_OUTOFMEMORY;
    if (data)
        hr = data->Build(image, size, device, m_szMeshPath, nullptr, nullptr, nullptr, D3DPOOL_MANAGED, 1.0f, TRUE,
                         TRUE, FALSE, FALSE, FALSE, TRUE, FALSE);
    delete[] image;
    if (FAILED(hr)) {
        delete data;
        return 0;
    }
    res->pMeshAniData = data;
    data->Restore();
    for (DWORD i = 0; i < players; ++i) {
        res->pMeshAnis[i].Build(data);
        StartPlayer(res->pMeshAnis[i]);
    }
    return 0;
}

void CMethodMesh::Release(CParticleGroup* group)
{
    if (SPPS_METHOD_RES* res = GetRes(group)) {
        if (res->pMeshAnis)
            for (DWORD i = 0; i < res->dwReserved2; ++i)
                if (res->pMeshAnis[i].IsBuilt()) res->pMeshAnis[i].Release();
        FreeMeshes(*res);
        EraseRes(group);
    }
    ReleaseSphere();
}

HRESULT CMethodMesh::Update(CParticleGroup* group, float)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    if (!res->pMeshAnis) return 0;
    DWORD i = 0;
    group->ForEachParticle([&](CParticleBase* p) {
        if (i == res->dwReserved2) return;
        CMeshAni& player = res->pMeshAnis[i++];
        StartPlayer(player);
        player.FrameMove(p->GetLifeTime());
    });
    return 0;
}

HRESULT CMethodMesh::Render(IDirect3DDevice8* device, CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    if (res->pMeshAnis && res->pMeshAniData) {
        D3DXMATRIX rotation, scaling, translation, world;
        D3DXMatrixScaling(&scaling, 0.4f, 0.4f, 0.4f);
        DWORD i = 0;
        group->ForEachParticle([&](CParticleBase* p) {
            if (i == res->dwReserved2) return;
            const CMeshAni& player = res->pMeshAnis[i++];
            const float* at = p->GetPosition();
            D3DXMatrixRotationZ(&rotation, p->GetLifeTime());
            D3DXMatrixTranslation(&translation, at[0], at[1], at[2]);
            D3DXMatrixMultiply(&world, &rotation, &scaling);
            D3DXMatrixMultiply(&world, &world, &translation);
            D3DXMatrixMultiply(&world, &world, group->GetRootMat());
            device->SetTransform(D3DTS_WORLD, &world);
            res->pMeshAniData->Render(player.GetCurrentFrame(), nullptr);
        });
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    return 0;
}

CParticleBase* CMethodMesh::New(CParticleGroup*, int) { return new (std::nothrow) CParticleMesh; }

void CMethodMesh::Delete(CParticleGroup*, CParticleBase* particle) { delete particle; }

HRESULT CMethodMesh::Serialize(std::iostream& stream, int bWrite)
{
    if (bWrite) {
        WriteRecord(stream, this, kFields);
        return ppsfile::StreamResult(stream);
    }
    // The name read stays when the rest is cut short.
    if (CPPS_METHOD_BASE::Serialize(stream, 0) != 0 || !ReadRecord(stream, this, kFields.subspan(1))) return E_FAIL;
    return 0;
}

HRESULT CMethodMesh::CreateFromScript(CDataChunk& chunk)
{
    // The paths are read only after the name.
    if (CPPS_METHOD_BASE::CreateFromScript(chunk) == 0) ReadScriptFields(chunk, this, kFields.subspan(1));
    return 0;
}

HRESULT CMethodMesh::WriteToScript(std::ostream& out)
{
    out << "{\n";
    WriteScriptFields(out, this, kFields, "");
    out << "}\n";
    return 0;
}
