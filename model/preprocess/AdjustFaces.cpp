// Crease analysis: which vertices a crease angle would split.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "kestu_meshdata.h"

namespace Kestu {

namespace {

// One record of a vertex's weld chain: the face normals gathered under a group mask.
struct WeldRecord {
    float normal[3] = {0, 0, 0};
    DWORD mask = 0;
    DWORD face = 0xFFFFFFFF;
    DWORD split = 0;
    DWORD generation = 0;
    int next = -1;
    DWORD used = 0;
};

class WeldChains {
public:
    explicit WeldChains(DWORD vertices) : records_(vertices) {}

    void Add(DWORD vertex, const float* n, DWORD mask, DWORD face)
    {
        int at = static_cast<int>(vertex), last = at;
        while (at >= 0 && (records_[at].mask & mask) == 0 && records_[at].used) {
            last = at;
            at = records_[at].next;
        }
        if (at >= 0) {
            WeldRecord& r = records_[at];
            for (int i = 0; i < 3; ++i) r.normal[i] += n[i];
            r.mask |= mask;
            r.used = 1;
            return;
        }
        WeldRecord added;
        for (int i = 0; i < 3; ++i) added.normal[i] = n[i];
        added.mask = mask;
        added.face = face;
        added.used = 1;
        records_.push_back(added);
        records_[last].next = static_cast<int>(records_.size() - 1);
    }

    // Marks every record whose normal turns at least as far as the tolerance
    // from a record before it in the chain.
    void MarkCreases(DWORD vertex, float tolerance)
    {
        for (int a = static_cast<int>(vertex); a >= 0; a = records_[a].next)
            for (int b = records_[a].next; b >= 0; b = records_[b].next) {
                WeldRecord& ra = records_[a];
                WeldRecord& rb = records_[b];
                const float dot =
                    ra.normal[0] * rb.normal[0] + ra.normal[1] * rb.normal[1] + ra.normal[2] * rb.normal[2];
                if (dot <= tolerance && !ra.split && !rb.split && ra.generation == rb.generation) {
                    rb.split = 1;
                    ++rb.generation;
                }
            }
    }

    template <class Fn>
    void ForMarked(DWORD vertex, Fn fn) const
    {
        for (int a = static_cast<int>(vertex); a >= 0; a = records_[a].next)
            if (records_[a].split) fn(records_[a].face);
    }

private:
    std::vector<WeldRecord> records_;
};

DWORD ReadIndex(const BYTE* p, DWORD size)
{
    DWORD v = 0;
    for (DWORD i = 0; i < size; ++i) v |= static_cast<DWORD>(p[i]) << (8 * i);
    return v;
}

void WriteIndex(BYTE* p, DWORD size, DWORD v)
{
    for (DWORD i = 0; i < size; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

} // namespace

long AdjustFaces(float tolerance, const char* vertices, DWORD vertexCount, DWORD stride, const void* indices,
                 DWORD faceCount, DWORD indexSize, void** newIndices, void** newVertices, int* newVertexCount)
{
    if (!vertices || !indices || !newIndices || !newVertices || !newVertexCount || stride < 12 ||
        (indexSize != 2 && indexSize != 4))
        return E_INVALIDARG;
    const BYTE* in = static_cast<const BYTE*>(indices);
    std::vector<DWORD> faces(size_t(faceCount) * 3);
    for (size_t i = 0; i < faces.size(); ++i) {
        faces[i] = ReadIndex(in + i * indexSize, indexSize);
        if (faces[i] >= vertexCount) return E_INVALIDARG;
    }
    auto position = [&](DWORD v, float* p) { std::memcpy(p, vertices + size_t(v) * stride, 12); };

    WeldChains chains(vertexCount);
    for (DWORD f = 0; f < faceCount; ++f) {
        float p0[3], p1[3], p2[3];
        position(faces[3 * f], p0);
        position(faces[3 * f + 1], p1);
        position(faces[3 * f + 2], p2);
        const float a[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
        const float b[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
        float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (length > 0.0f)
            for (float& c : n) c /= length;
        for (int c = 0; c < 3; ++c) chains.Add(faces[3 * f + c], n, 0, f);
    }

    // Each corner of a marked face at its vertex gets a vertex of its own.
    std::vector<DWORD> sources;
    for (DWORD v = 0; v < vertexCount; ++v) {
        chains.MarkCreases(v, tolerance);
        chains.ForMarked(v, [&](DWORD face) {
            for (int c = 0; c < 3; ++c)
                if (faces[3 * face + c] == v) {
                    faces[3 * face + c] = vertexCount + static_cast<DWORD>(sources.size());
                    sources.push_back(v);
                }
        });
    }
    char text[64];
    std::snprintf(text, sizeof(text), "Add vertex:%d\n\r", static_cast<int>(sources.size()));
    OutputDebugStringA(text);

    const unsigned long long total = static_cast<unsigned long long>(vertexCount) + sources.size();
    if ((indexSize == 2 && total > 0x10000) || total > 0x7FFFFFFF) return E_FAIL;
    char* outIndices = new (std::nothrow) char[faces.size() * indexSize + 1];
    char* outVertices = new (std::nothrow) char[static_cast<size_t>(total) * stride + 1];
    if (!outIndices || !outVertices) {
        delete[] outIndices;
        delete[] outVertices;
        return E_OUTOFMEMORY;
    }
    for (size_t i = 0; i < faces.size(); ++i)
        WriteIndex(reinterpret_cast<BYTE*>(outIndices) + i * indexSize, indexSize, faces[i]);
    std::memcpy(outVertices, vertices, size_t(vertexCount) * stride);
    for (size_t i = 0; i < sources.size(); ++i)
        std::memcpy(outVertices + (vertexCount + i) * stride, vertices + size_t(sources[i]) * stride, stride);
    *newIndices = outIndices;
    *newVertices = outVertices;
    *newVertexCount = static_cast<int>(total);
    return 0;
}

} // namespace Kestu
