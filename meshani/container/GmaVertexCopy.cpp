// Copies of GMA vertices between the vertex formats of the four records: how
// frames fill their buffers and read them back.
#include <cstring>

#include "kestu_gmatools.h"
#include "meshani/container/GmaVertexLayout.h"

namespace {

inline void CopyPart(BYTE* d, int dOff, const BYTE* s, int sOff, size_t n)
{
    if (dOff >= 0 && sOff >= 0) std::memcpy(d + dOff, s + sOff, n);
}

inline D3DXVECTOR3 LoadVec(const BYTE* p)
{
    D3DXVECTOR3 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreVec(BYTE* p, const D3DXVECTOR3& v) { std::memcpy(p, &v, sizeof v); }

// The shared loop: the position and the normal pass through the given
// operations, the other components are copied.
template <typename PosOp, typename NormalOp>
void CopyVertices(BYTE* d, const GmaVertexLayout& dl, const BYTE* s, const GmaVertexLayout& sl, DWORD count, PosOp pos,
                  NormalOp normal)
{
    for (DWORD i = 0; i < count; ++i, d += dl.size, s += sl.size) {
        if (dl.position >= 0 && sl.position >= 0) StoreVec(d + dl.position, pos(LoadVec(s + sl.position)));
        if (dl.normal >= 0 && sl.normal >= 0) StoreVec(d + dl.normal, normal(LoadVec(s + sl.normal)));
        CopyPart(d, dl.diffuse, s, sl.diffuse, 4);
        CopyPart(d, dl.tex, s, sl.tex, 8);
    }
}

struct Same {
    D3DXVECTOR3 operator()(const D3DXVECTOR3& v) const { return v; }
};

} // namespace

DWORD Kestu_GMA_GetVertexSize(DWORD format) { return GmaVertexLayout(format).size; }

HRESULT Kestu_GMA_VertexCopy(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat, DWORD count)
{
    if (!dst || !src) return E_INVALIDARG;
    const GmaVertexLayout dl(dstFormat), sl(srcFormat);
    if (dstFormat == srcFormat) {
        std::memmove(dst, src, size_t(count) * dl.size);
        return S_OK;
    }
    CopyVertices(static_cast<BYTE*>(dst), dl, static_cast<const BYTE*>(src), sl, count, Same(), Same());
    return S_OK;
}

HRESULT Kestu_GMA_VertexCopy_NoTexToTex(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat,
                                        const SCoords2d* texCoords, DWORD count)
{
    const GmaVertexLayout dl(dstFormat), sl(srcFormat);
    if (!dst || !src || !texCoords || sl.tex >= 0 || dl.tex < 0) return E_INVALIDARG;
    BYTE* d = static_cast<BYTE*>(dst);
    CopyVertices(d, dl, static_cast<const BYTE*>(src), sl, count, Same(), Same());
    for (DWORD i = 0; i < count; ++i, d += dl.size) {
        std::memcpy(d + dl.tex, &texCoords[i].u, 4);
        std::memcpy(d + dl.tex + 4, &texCoords[i].v, 4);
    }
    return S_OK;
}

HRESULT Kestu_GMA_VertexCopyScaling(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat, DWORD count,
                                    float scale)
{
    if (!dst || !src) return E_INVALIDARG;
    CopyVertices(
        static_cast<BYTE*>(dst), GmaVertexLayout(dstFormat), static_cast<const BYTE*>(src), GmaVertexLayout(srcFormat),
        count, [scale](const D3DXVECTOR3& v) { return v * scale; }, Same());
    return S_OK;
}

HRESULT Kestu_GMA_VertexCopyEx(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat, DWORD count, BOOL scaled,
                               float scale, const D3DXMATRIX* matrix, SBoundBox* box)
{
    if (!dst || !src) return E_INVALIDARG;
    auto pos = [&](const D3DXVECTOR3& in) {
        D3DXVECTOR3 v = scaled ? in * scale : in;
        if (matrix) D3DXVec3TransformCoord(&v, &v, matrix);
        if (box) box->AddPoint(&v);
        return v;
    };
    auto normal = [matrix](const D3DXVECTOR3& in) {
        D3DXVECTOR3 v = in;
        if (matrix) D3DXVec3TransformNormal(&v, &v, matrix);
        return v;
    };
    CopyVertices(static_cast<BYTE*>(dst), GmaVertexLayout(dstFormat), static_cast<const BYTE*>(src),
                 GmaVertexLayout(srcFormat), count, pos, normal);
    return S_OK;
}
