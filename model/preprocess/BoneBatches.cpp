// Cutting a skinned mesh into bone batches that fit the shader constants,
// and the palette offsets of each batch.
#include <algorithm>
#include <vector>

#include "kestu_meshdata.h"

namespace Kestu {

namespace {

constexpr float kMinWeight = 0.0001f;

struct FaceBones {
    DWORD bones[24];
    DWORD count = 0;
};

} // namespace

int CMeshDataBase::IsSameArray(const DWORD* a, DWORD na, const DWORD* b, DWORD nb)
{
    if (na != nb) return 0;
    for (DWORD i = 0; i < na; ++i)
        if (std::find(b, b + nb, a[i]) == b + nb) return 0;
    return 1;
}

int CMeshDataBase::IsSimilarArray(const DWORD* a, DWORD na, const DWORD* b, DWORD nb, DWORD k)
{
    const DWORD need = std::max<DWORD>(k, 1);
    DWORD found = 0;
    for (DWORD i = 0; i < na; ++i)
        if (std::find(b, b + nb, a[i]) != b + nb && ++found >= need) return 1;
    return 0;
}

int CMeshDataBase::SetArrayToArray(DWORD* set, DWORD& size, const DWORD* add, DWORD n)
{
    for (DWORD i = 0; i < n; ++i) {
        if (std::find(set, set + size, add[i]) != set + size) continue;
        if (size >= KESTU_MAX_BATCH_BONES) return 0;
        set[size++] = add[i];
    }
    return 1;
}

template <class Index>
static int FaceUseBones(const CMeshDataBase& mesh, const Index* face, DWORD* bones, const DWORD* influences,
                        size_t influenceSize, const float* weights, size_t weightSize, const DWORD* redundant,
                        DWORD redundantSize)
{
    const DWORD b = mesh.GetBonesPerVertex();
    const DWORD n = mesh.GetVerticesNum();
    const size_t rows = b ? std::min(influenceSize, weightSize) / b : 0;
    int count = 0;
    for (int c = 0; c < 3; ++c) {
        DWORD v = face[c];
        if (v < redundantSize && redundant[v] < n) v = redundant[v];
        // A corner past the tables (a face or duplicate naming no vertex) adds nothing.
        if (v >= n || v >= rows) continue;
        for (DWORD i = 0; i < b; ++i) {
            const DWORD bone = influences[size_t(v) * b + i];
            if (bone == 0xFFFFFFFF || weights[size_t(v) * b + i] < kMinWeight) continue;
            if (std::find(bones, bones + count, bone) == bones + count) bones[count++] = bone;
        }
    }
    return count;
}

int CMeshDataBase::GetFaceUseBones(const WORD* face, DWORD* bones) const
{
    return FaceUseBones(*this, face, bones, m_influences.data(), m_influences.size(), m_weights.data(),
                        m_weights.size(), m_redundant.data(), static_cast<DWORD>(m_redundant.size()));
}

int CMeshDataBase::GetFaceUseBones(const DWORD* face, DWORD* bones) const
{
    return FaceUseBones(*this, face, bones, m_influences.data(), m_influences.size(), m_weights.data(),
                        m_weights.size(), m_redundant.data(), static_cast<DWORD>(m_redundant.size()));
}

long CMeshDataBase::SplitIdxToLimitBones(int reorder)
{
    const DWORD b = m_dwBonesPerVertex;
    if (b > 8) return 0;
    for (DWORD k = 0; k < KESTU_MAX_BONE_BATCHES; ++k) {
        m_boneList[k].clear();
        m_paletteIdx[k].clear();
        m_dwBoneCount[k] = 0;
        m_dwBatchFirstFace[k] = 0;
    }
    m_dwBatchNum = 0;
    const DWORD n = dwVerticesNum;
    const size_t width = IndexSize();
    const DWORD faces = static_cast<DWORD>(std::min<size_t>(dwPrimitiveCount, m_indexData.size() / (3 * width)));
    if (m_influences.size() < size_t(n) * b || m_weights.size() < size_t(n) * b || m_faceMaterials.size() < faces)
        return E_FAIL;

    std::vector<FaceBones> used(faces);
    for (DWORD t = 0; t < faces; ++t) {
        DWORD face[3] = {IndexAt(3 * t), IndexAt(3 * t + 1), IndexAt(3 * t + 2)};
        if (face[0] >= n || face[1] >= n || face[2] >= n) return E_FAIL;
        used[t].count = GetFaceUseBones(face, used[t].bones);
    }

    auto exchange = [&](DWORD a, DWORD c) {
        if (a == c) return;
        std::swap(used[a], used[c]);
        std::swap_ranges(m_indexData.begin() + a * 3 * width, m_indexData.begin() + (a + 1) * 3 * width,
                         m_indexData.begin() + c * 3 * width);
    };
    if (reorder) {
        const DWORD share = std::max<DWORD>(b / 2, 1);
        for (DWORD start = 0; start < faces;) {
            DWORD end = start;
            while (end < faces && m_faceMaterials[end] == m_faceMaterials[start]) ++end;
            // The run's last triangle stays where it is: no exchange takes
            // it or fills its place.
            DWORD anchor = start, next = start + 1;
            while (end > 0 && next < end - 1) {
                for (DWORD u = next; u < end - 1 && next < end - 1; ++u)
                    if (IsSameArray(used[u].bones, used[u].count, used[anchor].bones, used[anchor].count))
                        exchange(u, next++);
                if (next >= end - 1) break;
                for (DWORD u = next; u < end - 1; ++u)
                    if (IsSimilarArray(used[u].bones, used[u].count, used[anchor].bones, used[anchor].count, share)) {
                        exchange(u, next);
                        break;
                    }
                anchor = next++;
            }
            start = end;
        }
    }

    DWORD set[KESTU_MAX_BATCH_BONES];
    DWORD size = 0, first = 0, batches = 0;
    bool tooMany = false;
    auto close = [&](DWORD nextFirst) {
        if (batches == KESTU_MAX_BONE_BATCHES) {
            tooMany = true;
            return;
        }
        m_boneList[batches].assign(set, set + size);
        m_boneList[batches].resize(KESTU_MAX_BATCH_BONES, 0);
        m_dwBoneCount[batches] = size;
        m_dwBatchFirstFace[batches] = first;
        ++batches;
        first = nextFirst;
        size = 0;
    };
    for (DWORD t = 0; t < faces && !tooMany; ++t) {
        // Every subset must start a batch, or the shader draw skips it: a
        // batch whose faces use no bone closes at a material change too.
        if (t > first && m_faceMaterials[t] != m_faceMaterials[t - 1]) close(t);
        if (!tooMany && !SetArrayToArray(set, size, used[t].bones, used[t].count)) {
            close(t);
            SetArrayToArray(set, size, used[t].bones, used[t].count);
        }
    }
    if (!tooMany && faces > 0) close(faces);
    if (tooMany) {
        // More batches than the streams allow: the mesh keeps none and skins in software.
        for (DWORD k = 0; k < KESTU_MAX_BONE_BATCHES; ++k) {
            m_boneList[k].clear();
            m_dwBoneCount[k] = 0;
            m_dwBatchFirstFace[k] = 0;
        }
        return E_FAIL;
    }
    m_dwBatchNum = batches;
    if (batches > 0) BuildBoneVertexMemBuffer();
    return 0;
}

long CMeshDataBase::BuildBoneVertexMemBuffer()
{
    m_dwMaxBatchBones = KESTU_MAX_BATCH_BONES;
    const DWORD b = m_dwBonesPerVertex;
    const DWORD n = dwVerticesNum;
    const DWORD p = b <= 4 ? 4 : 8;
    if (b > 8 || m_influences.size() < size_t(n) * b || m_weights.size() < size_t(n) * b) return E_FAIL;
    for (DWORD k = 0; k < m_dwBatchNum; ++k) {
        std::vector<WORD>& offsets = m_paletteIdx[k];
        offsets.assign(size_t(n) * p, 0);
        const DWORD* list = m_boneList[k].data();
        const DWORD count = m_dwBoneCount[k];
        for (DWORD v = 0; v < n; ++v) {
            if (v < m_redundant.size() && m_redundant[v] != 0xFFFFFFFF) continue;
            for (DWORD i = 0; i < b; ++i) {
                if (m_weights[size_t(v) * b + i] <= kMinWeight) continue;
                const DWORD* slot = std::find(list, list + count, m_influences[size_t(v) * b + i]);
                // A bone the batch does not carry reads slot 0; no face of the batch uses the vertex.
                offsets[size_t(v) * p + i] = slot == list + count ? 0 : static_cast<WORD>((slot - list) * 4);
            }
        }
        for (DWORD v = 0; v < n; ++v)
            if (v < m_redundant.size() && m_redundant[v] < n)
                std::copy_n(offsets.begin() + size_t(m_redundant[v]) * p, p, offsets.begin() + size_t(v) * p);
    }
    return 0;
}

} // namespace Kestu
