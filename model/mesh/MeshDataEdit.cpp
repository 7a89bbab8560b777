// Winding flip, material subsets, influence reduction and texture-coordinate
// expansion of the mesh data.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "kestu_meshdata.h"

namespace Kestu {

long CMeshDataBase::ConvertCoord()
{
    if (m_indexData.empty()) return E_FAIL;
    if (dwIndexFormat != D3DFMT_INDEX16 && dwIndexFormat != D3DFMT_INDEX32) return E_FAIL;
    const size_t width = IndexSize();
    const size_t triangles = std::min<size_t>(dwPrimitiveCount, m_indexData.size() / (3 * width));
    for (size_t t = 0; t < triangles; ++t) {
        char* second = m_indexData.data() + (3 * t + 1) * width;
        char swap[4];
        std::memcpy(swap, second, width);
        std::memmove(second, second + width, width);
        std::memcpy(second + width, swap, width);
    }
    m_bConvertCoord = 1;
    return 0;
}

long CMeshDataBase::GernerateMaterialSet()
{
    const size_t width = IndexSize();
    const DWORD faces = dwPrimitiveCount;
    const DWORD count = GetMaterialNum();
    if (m_faceMaterials.size() < faces || m_indexData.size() < size_t(faces) * 3 * width) return E_FAIL;
    for (DWORD f = 0; f < faces; ++f)
        if (m_faceMaterials[f] >= count) return E_FAIL;
    // Faces keep their order within a material.
    std::vector<DWORD> order(faces);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](DWORD a, DWORD b) { return m_faceMaterials[a] < m_faceMaterials[b]; });
    std::vector<char> indices(m_indexData);
    std::vector<DWORD> materials(m_faceMaterials);
    for (DWORD f = 0; f < faces; ++f) {
        std::memcpy(indices.data() + size_t(f) * 3 * width, m_indexData.data() + size_t(order[f]) * 3 * width,
                    3 * width);
        materials[f] = m_faceMaterials[order[f]];
    }
    m_indexData.swap(indices);
    m_faceMaterials.swap(materials);
    m_subsetFaceCount.assign(count, 0);
    m_subsetFirstIndex.assign(count, 0);
    for (DWORD f = 0; f < faces; ++f) ++m_subsetFaceCount[m_faceMaterials[f]];
    for (DWORD m = 1; m < count; ++m) m_subsetFirstIndex[m] = m_subsetFirstIndex[m - 1] + 3 * m_subsetFaceCount[m - 1];
    return 0;
}

void CMeshDataBase::RecalculateInflunece(float threshold)
{
    const DWORD b = m_dwBonesPerVertex;
    const DWORD n = dwVerticesNum;
    if (b == 0 || m_influences.size() < size_t(n) * b || m_weights.size() < size_t(n) * b) return;
    ++m_dwInfluenceStamp;
    const DWORD unique = n > m_dwRedundantNum ? n - m_dwRedundantNum : 0;
    DWORD kept = 0;
    for (DWORD v = 0; v < unique; ++v) {
        DWORD* bones = &m_influences[size_t(v) * b];
        float* weights = &m_weights[size_t(v) * b];
        float dropped = 0.0f;
        for (DWORD i = 0; i < b; ++i)
            if (weights[i] <= threshold) dropped += weights[i];
        // Everything dropped (or more than the whole): nothing to spread it over.
        const float scale = dropped < 1.0f ? dropped / (1.0f - dropped) : 0.0f;
        DWORD k = 0;
        for (DWORD i = 0; i < b; ++i) {
            // Kept by weight: an influence without a bone holds the vertex
            // where it was loaded and keeps its share like any other.
            if (weights[i] <= threshold) continue;
            const float w = weights[i];
            bones[k] = bones[i];
            weights[k] = w + scale * w;
            ++k;
        }
        for (DWORD i = k; i < b; ++i) {
            bones[i] = 0xFFFFFFFF;
            weights[i] = 0.0f;
        }
        kept = std::max(kept, k);
    }
    if (kept >= b) return;
    std::vector<DWORD> bones(size_t(n) * kept);
    std::vector<float> weights(size_t(n) * kept);
    for (DWORD v = 0; v < n; ++v) {
        DWORD from = v;
        if (v >= unique && v < m_redundant.size() && m_redundant[v] < unique) from = m_redundant[v];
        for (DWORD i = 0; i < kept; ++i) {
            bones[size_t(v) * kept + i] = m_influences[size_t(from) * b + i];
            weights[size_t(v) * kept + i] = m_weights[size_t(from) * b + i];
        }
    }
    m_influences.swap(bones);
    m_weights.swap(weights);
    m_dwBonesPerVertex = kept;
}

void CMeshDataBase::ExpandTexCoord()
{
    const DWORD fvf = dwVertexFVF;
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    // Only a first set of two coordinates in a vertex laid out as its format says grows a third.
    if (sets == 0 || (fvf & D3DFVF_TEXCOORDSIZE3(0)) != 0 || (fvf >> 16 & 3) != 0) return;
    const DWORD stride = dwVertexStride;
    if (stride == 0 || stride != D3DXGetFVFVertexSize(fvf)) return;
    const DWORD newFvf = fvf | D3DFVF_TEXCOORDSIZE3(0);
    const DWORD newStride = D3DXGetFVFVertexSize(newFvf);
    const DWORD at = D3DXGetFVFVertexSize(fvf & ~(D3DFVF_TEXCOUNT_MASK | 0xFFFF0000u)) + 8;
    const size_t n = m_vertexData.size() / stride;
    std::vector<char> grown(n * newStride);
    const float one = 1.0f;
    for (size_t v = 0; v < n; ++v) {
        const char* from = m_vertexData.data() + v * stride;
        char* to = grown.data() + v * newStride;
        std::memcpy(to, from, at);
        std::memcpy(to + at, &one, 4);
        std::memcpy(to + at + 4, from + at, stride - at);
    }
    m_vertexData.swap(grown);
    m_workVertexData = m_vertexData;
    dwVertexFVF = newFvf;
    dwVertexStride = newStride;
}

} // namespace Kestu
