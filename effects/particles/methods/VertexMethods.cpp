#include <algorithm>
#include <new>
#include <ostream>

#include "kestu_datachunk.h"

#include "kestu_particlegroup.h"
#include "kestu_ppsmethods.h"
#include "effects/particles/methods/VertexFill.h"

namespace {
void FreeVertices(SPPS_METHOD_RES& res)
{
    delete[] static_cast<SPPS_VERTEX*>(res.pVertices);
    res.pVertices = nullptr;
    res.dwSize = 0;
}

// Particles per draw call.
constexpr DWORD kPointBatch = 2000;
constexpr DWORD kTriangleBatch = 1000;
} // namespace

CPPS_METHOD_VERTICES::~CPPS_METHOD_VERTICES()
{
    for (auto& entry : m_Res) FreeVertices(*entry.second);
}

HRESULT CPPS_METHOD_VERTICES::Build(IDirect3DDevice8* device, CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    FreeVertices(*res);
    res->dwFVF = PPS_VERTEX_FVF;
    const uint64_t count = uint64_t{group->GetMaxParticleNumber()} * m_dwVerticesPerParticle;
    // The record keeps the size in a 32-bit word.
    if (count * sizeof(SPPS_VERTEX) > 0xFFFFFFFFu) return E_OUTOFMEMORY;
    res->pVertices = new (std::nothrow) SPPS_VERTEX[count]();
    if (!res->pVertices) return E_OUTOFMEMORY;
    res->dwSize = static_cast<DWORD>(count * sizeof(SPPS_VERTEX));
    return 0;
}

void CPPS_METHOD_VERTICES::Release(CParticleGroup* group)
{
    if (SPPS_METHOD_RES* res = GetRes(group)) FreeVertices(*res);
    EraseRes(group);
}

DWORD CPPS_METHOD_VERTICES::DrawableParticles(CParticleGroup* group, const SPPS_METHOD_RES& res) const
{
    if (!res.pVertices) return 0;
    const DWORD capacity = res.dwSize / (sizeof(SPPS_VERTEX) * m_dwVerticesPerParticle);
    return std::min(group->GetParticlesNumber(), capacity);
}

void CPPS_METHOD_VERTICES::DrawBatches(IDirect3DDevice8* device, D3DPRIMITIVETYPE type, const SPPS_VERTEX* vertices,
                                       DWORD n, DWORD batch, DWORD verticesPerParticle, DWORD primitivesPerParticle)
{
    while (n > batch) {
        device->DrawPrimitiveUP(type, batch * primitivesPerParticle, vertices, sizeof(SPPS_VERTEX));
        vertices += size_t{batch} * verticesPerParticle;
        n -= batch;
    }
    // A call of no primitives is not a valid draw.
    if (n) device->DrawPrimitiveUP(type, n * primitivesPerParticle, vertices, sizeof(SPPS_VERTEX));
}

HRESULT CPPS_METHOD_VERTICES::UpdatePoints(CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    ppsvertex::FillGroup(*group, *res, 1,
                         [](SPPS_VERTEX* v, const float* p, DWORD c) { ppsvertex::Put(v, p[0], p[1], p[2], c); });
    return 0;
}

HRESULT CPPS_METHOD_VERTICES::RenderTriangles(IDirect3DDevice8* device, CParticleGroup* group,
                                              DWORD trianglesPerParticle)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    device->SetVertexShader(PPS_VERTEX_FVF);
    device->SetTransform(D3DTS_WORLD, group->GetRootMat());
    DrawBatches(device, D3DPT_TRIANGLELIST, static_cast<const SPPS_VERTEX*>(res->pVertices),
                DrawableParticles(group, *res), kTriangleBatch, m_dwVerticesPerParticle, trianglesPerParticle);
    return 0;
}

HRESULT CMethodPoint::Update(CParticleGroup* group, float) { return UpdatePoints(group); }

HRESULT CMethodPoint::Render(IDirect3DDevice8* device, CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    device->SetVertexShader(PPS_VERTEX_FVF);
    const DWORD n = DrawableParticles(group, *res);
    if (!n) return 0;
    device->SetTransform(D3DTS_WORLD, group->GetRootMat());
    DrawBatches(device, D3DPT_POINTLIST, static_cast<const SPPS_VERTEX*>(res->pVertices), n, kPointBatch, 1, 1);
    return 0;
}

HRESULT CMethodTriangle::Update(CParticleGroup* group, float)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    const float s = m_fSize;
    ppsvertex::FillGroup(*group, *res, 6,
                         [s](SPPS_VERTEX* v, const float* p, DWORD c) { ppsvertex::Triangle(v, p, c, s); });
    return 0;
}

HRESULT CMethodTriangle::Render(IDirect3DDevice8* device, CParticleGroup* group)
{
    return RenderTriangles(device, group, 2);
}

HRESULT CMethodQuad::Update(CParticleGroup* group, float)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    const float s = m_fSize;
    ppsvertex::FillGroup(*group, *res, 12,
                         [s](SPPS_VERTEX* v, const float* p, DWORD c) { ppsvertex::Quad(v, p, c, s); });
    return 0;
}

HRESULT CMethodQuad::Render(IDirect3DDevice8* device, CParticleGroup* group)
{
    return RenderTriangles(device, group, 4);
}

HRESULT CPPS_METHOD_VERTICES::CreateFromScript(CDataChunk& chunk)
{
    if (CPPS_METHOD_BASE::CreateFromScript(chunk) == 0) CDataChunk::skipToNextCloseBrace(chunk);
    return 0;
}

HRESULT CPPS_METHOD_VERTICES::WriteToScript(std::ostream& out)
{
    CPPS_METHOD_BASE::WriteToScript(out);
    out << "}\n";
    return 0;
}
