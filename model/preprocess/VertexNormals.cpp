// Vertex normals recomputed from the faces.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "kestu_meshdata.h"

namespace Kestu {

namespace {

struct Vec {
    float x = 0, y = 0, z = 0;
};

Vec Load(const char* p)
{
    Vec v;
    std::memcpy(&v, p, 12);
    return v;
}

void Store(char* p, const Vec& v) { std::memcpy(p, &v, 12); }

Vec Normalized(Vec v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 0.0f) {
        v.x /= length;
        v.y /= length;
        v.z /= length;
    }
    return v;
}

} // namespace

long CMeshDataBase::UpdateVertexNormal(void* vertices)
{
    if (!(dwVertexFVF & D3DFVF_NORMAL) || !vertices || dwVertexStride < 24) return 0;
    char* const base = static_cast<char*>(vertices);
    const DWORD stride = dwVertexStride;
    DWORD n = dwVerticesNum;
    if (vertices == m_vertexData.data()) n = static_cast<DWORD>(std::min<size_t>(n, m_vertexData.size() / stride));
    auto at = [&](DWORD v) { return base + size_t(v) * stride; };
    auto source = [&](DWORD v) { return v < m_redundant.size() && m_redundant[v] < n ? m_redundant[v] : 0xFFFFFFFF; };

    for (DWORD v = 0; v < n; ++v)
        if (DWORD s = source(v); s != 0xFFFFFFFF) std::memmove(at(v), at(s), 24);

    // Unnormalised face normals: larger triangles weigh more.
    std::vector<Vec> sums(n);
    const size_t triangles = std::min<size_t>(dwPrimitiveCount, m_indexData.size() / (3 * IndexSize()));
    for (size_t t = 0; t < triangles; ++t) {
        const DWORD i0 = IndexAt(3 * t), i1 = IndexAt(3 * t + 1), i2 = IndexAt(3 * t + 2);
        if (i0 >= n || i1 >= n || i2 >= n) continue;
        const Vec p0 = Load(at(i0)), p1 = Load(at(i1)), p2 = Load(at(i2));
        const Vec a{p0.x - p1.x, p0.y - p1.y, p0.z - p1.z};
        const Vec b{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
        const Vec c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        for (DWORD i : {i0, i1, i2}) {
            sums[i].x += c.x;
            sums[i].y += c.y;
            sums[i].z += c.z;
        }
    }
    for (DWORD v = 0; v < n; ++v) Store(at(v) + 12, Normalized(sums[v]));

    // A duplicate's faces count for the vertex it duplicates.
    for (DWORD v = 0; v < n; ++v) {
        if (DWORD s = source(v); s != 0xFFFFFFFF) {
            Vec into = Load(at(s) + 12);
            const Vec add = Load(at(v) + 12);
            into.x += add.x;
            into.y += add.y;
            into.z += add.z;
            Store(at(s) + 12, into);
        }
    }
    for (DWORD v = 0; v < n; ++v)
        if (source(v) == 0xFFFFFFFF) Store(at(v) + 12, Normalized(Load(at(v) + 12)));
    for (DWORD v = 0; v < n; ++v)
        if (DWORD s = source(v); s != 0xFFFFFFFF) std::memmove(at(v), at(s), 24);

    if (m_pfnCallBack) m_pfnCallBack(KESTU_MESHEVENT_NORMALS, reinterpret_cast<DWORD_PTR>(vertices), 0, 0);
    return 0;
}

} // namespace Kestu
