// The "MESHDATA" chunk: written whole from the tag on, read from the vertex
// data on (the object record has read the tag and the head). The reader
// checks every count and index against the data it describes.
#include <algorithm>
#include <cstring>

#include "kestu_meshdata.h"
#include "kestu_meshdatamng.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

namespace {

using record::kBadRecord;

constexpr DWORD kNoVersion = 0xFFFFFFFF;
constexpr DWORD kFlagBatches = 0x4;

void Check(bool ok)
{
    if (!ok) throw kBadRecord;
}

DWORD PaletteWidth(DWORD bonesPerVertex) { return bonesPerVertex <= 4 ? 4 : 8; }

} // namespace

long CMeshDataBase::Serialize(DWORD version, DWORD flags, COUArchive& ar, DWORD& byteCount, DWORD materialVersion,
                              int store, int materialFlag)
{
    const bool hasVersion = version != kNoVersion;
    const bool hasBatches = (flags & kFlagBatches) != 0;
    const DWORD n = dwVerticesNum;

    if (store) {
        if (!m_bConvertCoord) {
            ConvertCoord();
            if (GernerateMaterialSet() < 0) return E_FAIL;
        }
        if (m_bNormalCalc) UpdateVertexNormal(GetVertexData());
        if (m_vertexData.size() != size_t(n) * dwVertexStride ||
            m_indexData.size() != size_t(dwIndicesNum) * IndexSize())
            return E_FAIL;
        for (const CMaterialData& m : m_materials)
            if (std::strlen(m.GetTextureFileName()) > CMaterialData::kMaxNameLength) return E_FAIL;
        if (hasBatches) {
            if (m_dwBatchNum > KESTU_MAX_BONE_BATCHES) return E_FAIL;
            for (DWORD k = 0; k < m_dwBatchNum; ++k)
                if (m_dwBoneCount[k] > m_dwMaxBatchBones) return E_FAIL;
        }
        char tag[8];
        record::Tag(ar, 1, "MESHDATA", tag, byteCount);
        DWORD* head[] = {&dwVertexStride, &dwVertexFVF, &dwPrimitiveType,  &dwVerticesNum, &dwIndicesNum,
                         &dwIndexFormat,  &dwSpare,     &dwPrimitiveCount, &dwMeshType};
        for (DWORD* word : head) record::U32(ar, 1, *word, byteCount);
        DWORD size = GetVertexBufferSize();
        record::U32(ar, 1, size, byteCount);
        record::WriteArray(ar, m_vertexData, size, byteCount);
        size = GetIndexBufferSize();
        record::U32(ar, 1, size, byteCount);
        record::WriteArray(ar, m_indexData, size, byteCount);
        DWORD bones = m_dwBonesPerVertex;
        record::U32(ar, 1, bones, byteCount);
        record::WriteArray(ar, m_influences, size_t(n) * bones, byteCount);
        record::WriteArray(ar, m_weights, size_t(n) * bones, byteCount);
        std::vector<DWORD> pairs;
        for (DWORD v = 0; v < n && v < m_redundant.size(); ++v)
            if (m_redundant[v] != 0xFFFFFFFF) {
                pairs.push_back(v);
                pairs.push_back(m_redundant[v]);
            }
        DWORD redundant = static_cast<DWORD>(pairs.size() / 2);
        record::U32(ar, 1, redundant, byteCount);
        record::WriteArray(ar, pairs, pairs.size(), byteCount);
        DWORD materials = GetMaterialNum();
        record::U32(ar, 1, materials, byteCount);
        for (CMaterialData& m : m_materials) m.Serialize(ar, byteCount, materialVersion, 1, materialFlag);
        record::WriteArray(ar, m_faceMaterials, dwPrimitiveCount, byteCount);
        if (hasVersion) {
            record::WriteArray(ar, m_subsetFaceCount, materials, byteCount);
            record::WriteArray(ar, m_subsetFirstIndex, materials, byteCount);
        }
        if (hasBatches) {
            DWORD batches = m_dwBatchNum, widest = m_dwMaxBatchBones;
            record::U32(ar, 1, batches, byteCount);
            record::U32(ar, 1, widest, byteCount);
            if (batches > 0) {
                for (DWORD k = 0; k < batches; ++k) record::U32(ar, 1, m_dwBoneCount[k], byteCount);
                for (DWORD k = 0; k < batches; ++k) record::WriteArray(ar, m_boneList[k], widest, byteCount);
                for (DWORD k = 0; k < batches; ++k) record::U32(ar, 1, m_dwBatchFirstFace[k], byteCount);
                for (DWORD k = 0; k < batches; ++k)
                    record::WriteArray(ar, m_paletteIdx[k], size_t(n) * PaletteWidth(bones), byteCount);
            }
        }
        return ar.IsFailed() ? E_FAIL : 1;
    }

    ++m_dwInfluenceStamp;
    try {
        // The vertices.
        DWORD size = 0;
        record::U32(ar, 0, size, byteCount);
        const DWORD stride = dwVertexStride;
        Check(size == static_cast<unsigned long long>(n) * stride);
        if (n > 0) Check(stride % 4 == 0 && stride >= 12 && stride >= D3DXGetFVFVertexSize(dwVertexFVF));
        record::ReadArray(ar, m_vertexData, size, byteCount);
        m_workVertexData = m_vertexData;
        if (m_pMng && CMeshDataMng::IsTexCoordExpand()) ExpandTexCoord();

        // The indices: every one names a vertex, and the primitives fit them.
        record::U32(ar, 0, size, byteCount);
        Check(dwIndexFormat == D3DFMT_INDEX16 || dwIndexFormat == D3DFMT_INDEX32);
        Check(size == static_cast<unsigned long long>(dwIndicesNum) * IndexSize());
        Check(dwPrimitiveType >= D3DPT_POINTLIST && dwPrimitiveType <= D3DPT_TRIANGLEFAN);
        Check(static_cast<unsigned long long>(dwPrimitiveCount) * 3 <= dwIndicesNum);
        record::ReadArray(ar, m_indexData, size, byteCount);
        for (DWORD i = 0; i < dwIndicesNum; ++i) Check(IndexAt(i) < n);

        // Influences.
        record::U32(ar, 0, m_dwBonesPerVertex, byteCount);
        if (m_dwBonesPerVertex != 0) {
            const unsigned long long entries = static_cast<unsigned long long>(n) * m_dwBonesPerVertex;
            record::ReadArray(ar, m_influences, entries, byteCount);
            record::ReadArray(ar, m_weights, entries, byteCount);
        }

        // Duplicates: the last R vertices, each naming one of the others.
        DWORD redundant = 0;
        record::U32(ar, 0, redundant, byteCount);
        Check(redundant <= n);
        m_redundant.assign(n, 0xFFFFFFFF);
        std::vector<DWORD> pairs;
        record::ReadArray(ar, pairs, static_cast<unsigned long long>(redundant) * 2, byteCount);
        const DWORD unique = n - redundant;
        for (DWORD r = 0; r < redundant; ++r) {
            const DWORD vertex = pairs[2 * r], source = pairs[2 * r + 1];
            Check(vertex >= unique && vertex < n && source < unique && m_redundant[vertex] == 0xFFFFFFFF);
            m_redundant[vertex] = source;
        }
        m_dwRedundantNum = redundant;

        // Materials and the material of each triangle.
        DWORD materials = 0;
        record::U32(ar, 0, materials, byteCount);
        m_materials.clear();
        for (DWORD m = 0; m < materials; ++m) {
            m_materials.emplace_back();
            Check(m_materials.back().Serialize(ar, byteCount, materialVersion, 0, materialFlag) >= 0);
        }
        record::ReadArray(ar, m_faceMaterials, dwPrimitiveCount, byteCount);
        for (DWORD m : m_faceMaterials) Check(m < std::max<DWORD>(materials, 1));

        // Subsets: each a range of the indices.
        if (hasVersion) {
            record::ReadArray(ar, m_subsetFaceCount, materials, byteCount);
            record::ReadArray(ar, m_subsetFirstIndex, materials, byteCount);
            for (DWORD m = 0; m < materials; ++m)
                Check(m_subsetFirstIndex[m] + 3ull * m_subsetFaceCount[m] <= dwIndicesNum);
        } else {
            SubsetsFromFaceList();
        }

        // Bone batches.
        m_dwBatchNum = 0;
        m_dwMaxBatchBones = 0;
        if (hasBatches) {
            DWORD batches = 0, widest = 0;
            record::U32(ar, 0, batches, byteCount);
            record::U32(ar, 0, widest, byteCount);
            Check(batches <= KESTU_MAX_BONE_BATCHES);
            if (batches > 0) {
                for (DWORD k = 0; k < batches; ++k) {
                    record::U32(ar, 0, m_dwBoneCount[k], byteCount);
                    Check(m_dwBoneCount[k] <= widest && m_dwBoneCount[k] <= KESTU_MAX_BATCH_BONES);
                }
                for (DWORD k = 0; k < batches; ++k) {
                    record::ReadArray(ar, m_boneList[k], widest, byteCount);
                    m_boneList[k].resize(KESTU_MAX_BATCH_BONES, 0);
                }
                for (DWORD k = 0; k < batches; ++k) {
                    record::U32(ar, 0, m_dwBatchFirstFace[k], byteCount);
                    Check(m_dwBatchFirstFace[k] <= dwPrimitiveCount);
                    Check(k == 0 || m_dwBatchFirstFace[k] >= m_dwBatchFirstFace[k - 1]);
                }
                const unsigned long long entries =
                    static_cast<unsigned long long>(n) * PaletteWidth(m_dwBonesPerVertex);
                for (DWORD k = 0; k < batches; ++k) {
                    record::ReadArray(ar, m_paletteIdx[k], entries, byteCount);
                    // An offset that names no slot of the batch reads slot 0 instead.
                    for (WORD& offset : m_paletteIdx[k])
                        if (offset % 4 != 0 || offset / 4 >= std::max<DWORD>(m_dwBoneCount[k], 1)) offset = 0;
                }
            }
            m_dwBatchNum = batches;
            m_dwMaxBatchBones = widest;
        }
    } catch (HRESULT) {
        ClearGeometry();
        return E_FAIL;
    }
    return 1;
}

void CMeshDataBase::SubsetsFromFaceList()
{
    const DWORD count = GetMaterialNum();
    m_subsetFaceCount.assign(count, 0);
    m_subsetFirstIndex.assign(count, 0);
    // Each material's first run of faces.
    for (DWORD f = 0; f < m_faceMaterials.size();) {
        const DWORD m = m_faceMaterials[f];
        DWORD end = f;
        while (end < m_faceMaterials.size() && m_faceMaterials[end] == m) ++end;
        if (m < count && m_subsetFaceCount[m] == 0) {
            m_subsetFirstIndex[m] = 3 * f;
            m_subsetFaceCount[m] = end - f;
        }
        f = end;
    }
}

void CMeshDataBase::ClearGeometry()
{
    ++m_dwInfluenceStamp;
    m_vertexData.clear();
    m_workVertexData.clear();
    m_indexData.clear();
    m_influences.clear();
    m_weights.clear();
    m_dwBonesPerVertex = 0;
    m_redundant.clear();
    m_dwRedundantNum = 0;
    m_materials.clear();
    m_faceMaterials.clear();
    m_subsetFirstIndex.clear();
    m_subsetFaceCount.clear();
    m_dwBatchNum = 0;
    m_dwMaxBatchBones = 0;
    for (DWORD k = 0; k < KESTU_MAX_BONE_BATCHES; ++k) {
        m_boneList[k].clear();
        m_paletteIdx[k].clear();
        m_dwBoneCount[k] = 0;
        m_dwBatchFirstFace[k] = 0;
    }
    dwVerticesNum = dwIndicesNum = dwPrimitiveCount = 0;
}

} // namespace Kestu
