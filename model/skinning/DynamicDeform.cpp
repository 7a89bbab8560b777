// Software skinning of the skinned mesh data.
#include <algorithm>
#include <cstring>

#include "kestu_meshdata_kinds.h"
#include "kestu_meshdatamng.h"
#include "kestu_skin.h"
#include "model/skinning/SkinKernel.h"

namespace Kestu {

namespace {

// -1 for a mirroring matrix (negative triple product of its upper 3x3 rows).
float MirrorSign(const D3DXMATRIX& m)
{
    const D3DXVECTOR3 r0(m._11, m._12, m._13), r1(m._21, m._22, m._23), r2(m._31, m._32, m._33);
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &r0, &r1);
    return D3DXVec3Dot(&c, &r2) < 0.0f ? -1.0f : 1.0f;
}

} // namespace

void CMeshDataDynamic::ResetTables()
{
    dwMeshType = KESTU_MESHTYPE_DYNAMIC;
    for (DWORD b = 0; b < kMaxBones; ++b) {
        D3DXMatrixIdentity(&m_matBones[b]);
        D3DXMatrixIdentity(&m_matNormals[b]);
        m_fNormalSign[b] = 1.0f;
    }
}

long CMeshDataDynamic::Deform(CSkAniBone** bones, DWORD boneCount, const D3DXMATRIX* offsets, D3DXMATRIX* palette,
                              CVertexBuffer* target)
{
    const int path = CMeshDataMng::GetSkeletonRenderPath();
    const DWORD used = bones && offsets ? std::min(boneCount, kMaxBones) : 0;
    const bool wantSign = m_bNormalCalc || (path != KESTU_SKLPATH_SOFTWARE && path != KESTU_SKLPATH_VS);
    for (DWORD b = 0; b < used; ++b) {
        D3DXMATRIX& m = m_matBones[b];
        if (bones[b])
            D3DXMatrixMultiply(&m, &offsets[b], bones[b]->GetRootMatrix());
        else
            m = offsets[b];
        if (wantSign) m_fNormalSign[b] = MirrorSign(m);
        if (m_bNormalCalc) {
            D3DXMATRIX inverse;
            if (D3DXMatrixInverse(&inverse, nullptr, &m))
                D3DXMatrixTranspose(&m_matNormals[b], &inverse);
            else
                D3DXMatrixIdentity(&m_matNormals[b]);
        }
        if (path != KESTU_SKLPATH_SOFTWARE && palette) D3DXMatrixTranspose(&palette[b], &m);
    }

    if (IsShaderSkinned() && palette) return 0;

    const DWORD stride = dwVertexStride;
    const DWORD held = VerticesHeld();
    const DWORD perVertex = m_dwBonesPerVertex;
    if (held == 0 || m_influences.size() < size_t(held) * perVertex || m_weights.size() < size_t(held) * perVertex)
        return 0;
    // Blending stops at the first duplicate.
    const size_t listed = std::min<size_t>(held, m_redundant.size());
    const DWORD blended = static_cast<DWORD>(
        std::find_if(m_redundant.begin(), m_redundant.begin() + listed, [](DWORD r) { return r != 0xFFFFFFFF; }) -
        m_redundant.begin());
    const DWORD first = blended < listed ? blended : held;
    const bool normals = m_bNormalCalc && (dwVertexFVF & D3DFVF_NORMAL) && stride >= 24;

    // Only this call's bones: every other slot keeps the vertex as it is.
    static_assert(sizeof(SkinSlot) == sizeof(D3DXMATRIX), "the loops step through the slots as matrices");
    if (m_skinPositions.size() != skinning::kSlots) {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        m_skinPositions.assign(skinning::kSlots, identity);
        m_skinNormals.assign(skinning::kSlots, identity);
        m_dwSkinSlotsUsed = 0;
    }
    bool affine = true;
    for (DWORD s = 0; s < used; ++s) {
        m_skinPositions[s] = m_matBones[s];
        affine = affine && skinning::IsAffine(m_matBones[s]);
        if (normals) m_skinNormals[s] = m_matNormals[s] * m_fNormalSign[s];
    }
    for (DWORD s = used; s < m_dwSkinSlotsUsed; ++s) {
        D3DXMatrixIdentity(&m_skinPositions[s]);
        D3DXMatrixIdentity(&m_skinNormals[s]);
    }
    m_dwSkinSlotsUsed = used;
    const size_t entries = size_t(held) * perVertex;
    if (!m_bPacked || m_dwPackedStamp != m_dwInfluenceStamp || m_packedEntries != entries) {
        skinning::PackInfluences(m_influences.data(), m_weights.data(), held, perVertex, m_skinPacked);
        m_dwPackedStamp = m_dwInfluenceStamp;
        m_packedEntries = entries;
        m_bPacked = true;
    }
    skinning::SkinJob job;
    job.src = m_vertexData.data();
    job.dst = m_workVertexData.data();
    job.stride = stride;
    job.count = first;
    job.bones = m_influences.data();
    job.weights = m_weights.data();
    job.packed = m_skinPacked.data();
    job.perVertex = perVertex;
    job.positions = m_skinPositions.data();
    job.normals = normals ? m_skinNormals.data() : nullptr;
    job.affine = affine;
    if (perVertex == 0) {
        // No influences: every blended vertex sums nothing.
        for (DWORD v = 0; v < first; ++v)
            std::memset(m_workVertexData.data() + size_t(v) * stride, 0, normals ? 24 : 12);
    } else {
        skinning::Blend(job);
    }

    const size_t copied = normals ? 24 : 12;
    for (DWORD v = first; v < listed; ++v)
        if (v < m_redundant.size() && m_redundant[v] < held)
            std::memmove(m_workVertexData.data() + size_t(v) * stride,
                         m_workVertexData.data() + size_t(m_redundant[v]) * stride, copied);

    if (m_pMng && CMeshDataMng::IsUsingCache())
        UpdateVertexBuffer(m_workVertexData.data());
    else if (target)
        UpdateVertexBuffer(target, m_workVertexData.data());
    return 0;
}

} // namespace Kestu
