#include <algorithm>

#include "kestu_log.h"
#include "kestu_meshdatamng.h"
#include "kestu_skeleton.h"
#include "model/archive/LogText.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

CSkAniSkin& CSkAniSkin::operator=(const CSkAniSkin& other)
{
    if (this == &other) return *this;
    CSoftObject::operator=(other);
    m_dwWord1 = other.m_dwWord1;
    m_dwBoneNum = other.m_dwBoneNum;
    m_dwBoneCapacity = other.m_dwBoneNum;
    m_matOffsets.assign(other.m_matOffsets.begin(), other.m_matOffsets.begin() + other.m_dwBoneNum);
    m_bones.assign(other.m_bones.begin(), other.m_bones.begin() + other.m_dwBoneNum);
    m_boneNames = other.m_boneNames;
    m_pParent = other.m_pParent;
    m_szTexturePath = other.m_szTexturePath;
    return *this;
}

void CSkAniSkin::AddBone(CSkAniBone* bone, const D3DXMATRIX* offset)
{
    if (m_dwBoneNum >= m_dwBoneCapacity) {
        m_dwBoneCapacity = 2 * std::max<DWORD>(m_dwBoneCapacity, 2);
        m_matOffsets.resize(m_dwBoneCapacity);
        m_bones.resize(m_dwBoneCapacity, nullptr);
    }
    m_matOffsets[m_dwBoneNum] = *offset;
    m_bones[m_dwBoneNum] = bone;
    ++m_dwBoneNum;
}

void CSkAniSkin::AddBone(CSkAniBone* bone, const float* m)
{
    D3DXMATRIX offset;
    if (m)
        offset = D3DXMATRIX(m);
    else
        D3DXMatrixIdentity(&offset);
    AddBone(bone, &offset);
}

void CSkAniSkin::SetBoneMatrixList(const D3DXMATRIX* m, DWORD n)
{
    if (!m) return;
    std::copy(m, m + std::min(n, m_dwBoneCapacity), m_matOffsets.begin());
}

void CSkAniSkin::AddBoneToList(const char* name, const D3DXMATRIX* m)
{
    if (name && m) m_boneNames.emplace_back(name, *m);
}

long CSkAniSkin::GenerateBoneList(CSkeleton* s)
{
    m_dwBoneNum = 0;
    if (!s) return E_FAIL;
    for (auto& [name, matrix] : m_boneNames) {
        CSkAniBone* bone = s->GetBoneByName(name);
        if (!bone) {
            if (s->GetBonesNumber() == 0) return 0;
            KestuSaveLog(0, logtext::kSkinBoneMissing, s->GetSKLFileName(), name.c_str());
            return E_FAIL;
        }
        AddBone(bone, &matrix);
    }
    return 0;
}

long CSkAniSkin::CalcDeform()
{
    if (CMeshDataBase* mesh = m_MeshRef.GetMeshData())
        mesh->Deform(GetBoneList(), m_dwBoneNum, GetMatrixList(), GetPalette(), m_MeshRef.GetVertexBuffer());
    return 0;
}

void CSkAniSkin::EnableNormalCalc(int enable)
{
    m_bNormalCalc = enable;
    if (CMeshDataBase* mesh = m_MeshRef.GetMeshData()) mesh->EnableNormalCalc(enable);
}

long CSkAniSkin::Build(IDirect3DDevice8* device)
{
    CMeshDataBase* mesh = m_MeshRef.GetMeshData();
    int wasBuilt = 0;
    if (mesh) {
        mesh->SetTexturePath(m_szTexturePath);
        wasBuilt = mesh->IsBuilt();
    }
    const long hr = m_MeshRef.Build(device, nullptr);
    if (!m_boneNames.empty() && CMeshDataMng::m_nSkeletonRenderPath > 1) {
        m_matList.assign(m_boneNames.size(), D3DXMATRIX());
        for (D3DXMATRIX& m : m_matList) D3DXMatrixIdentity(&m);
        if (mesh && !wasBuilt) mesh->BuildVsVertexBuffer(device, GetBoneList(), static_cast<DWORD>(m_boneNames.size()));
    }
    CSoftObject::Build(device);
    return hr;
}

long CSkAniSkin::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag)
{
    try {
        if (m_dwMSDVersion >= 2 && m_dwMSDVersion != 0xFFFFFFFF) record::U32(ar, store, m_dwMSDFlag, byteCount);
    } catch (HRESULT) {
        return E_FAIL;
    }
    const long hr = CSoftObject::Serialize(ar, byteCount, version, store, flag);
    if (hr < 0) return hr;
    try {
        if (store) {
            DWORD n = m_dwBoneNum ? m_dwBoneNum : static_cast<DWORD>(m_boneNames.size());
            for (DWORD i = 0; i < m_dwBoneNum; ++i)
                if (!m_bones[i] || std::string(m_bones[i]->GetName()).size() > record::kLongestShortPaddedName)
                    return E_FAIL;
            for (const auto& entry : m_boneNames)
                if (entry.first.size() > record::kLongestShortPaddedName) return E_FAIL;
            record::U32(ar, 1, n, byteCount);
            if (m_dwBoneNum) {
                for (DWORD i = 0; i < m_dwBoneNum; ++i) {
                    record::WriteName(ar, m_bones[i]->GetName(), byteCount);
                    record::Matrix(ar, 1, m_matOffsets[i], byteCount);
                }
            } else {
                for (auto& [name, matrix] : m_boneNames) {
                    record::WriteName(ar, name, byteCount);
                    record::Matrix(ar, 1, matrix, byteCount);
                }
            }
            return ar.IsFailed() ? E_FAIL : hr;
        }
        DWORD n = 0;
        record::U32(ar, 0, n, byteCount);
        for (DWORD i = 0; i < n; ++i) {
            std::string name = record::ReadName(ar, byteCount);
            D3DXMATRIX m;
            record::Matrix(ar, 0, m, byteCount);
            m_boneNames.emplace_back(std::move(name), m);
        }
    } catch (HRESULT) {
        return E_FAIL;
    }
    return hr;
}

} // namespace Kestu
