// STerrainInit and STerrainBlockInit: the fields of the data block's head and
// block records, read and written little-endian at their offsets.
#include <algorithm>
#include <cstring>

#include "d3dx8.h"
#include "kestu_bytes.h"
#include "kestu_terraindata.h"

namespace {

// Head offsets.
constexpr DWORD kVersionAt = 0;
constexpr DWORD kZeroWordAt = 2;
constexpr DWORD kIdAt = 4;
constexpr DWORD kInfoAt = 8;
constexpr DWORD kTexLibAt = 268;
constexpr DWORD kDepthAt = 528;
constexpr DWORD kLengthAt = 532;
constexpr DWORD kExtentXAt = 536;
constexpr DWORD kExtentZAt = 540;
constexpr DWORD kReserved544At = 544;
constexpr DWORD kBlockWidthAt = 548;
constexpr DWORD kBlockHeightAt = 552;
constexpr DWORD kBoxAt = 556;
constexpr DWORD kMinLodAt = 580;
constexpr DWORD kFvfAt = 581;
constexpr DWORD kStrideAt = 585;
constexpr DWORD kCountAt = 589;
constexpr DWORD kMaterialAt = 593;
constexpr DWORD kPoolAt = 661;
constexpr DWORD kReservedTailAt = 665;
constexpr DWORD kReservedTailSize = 256;

// Block record offsets.
constexpr DWORD kIndicesAt = 0;
constexpr DWORD kTexIdAt = 50;
constexpr DWORD kAltitudesAt = 52;
constexpr DWORD kLodAt = 152;
constexpr DWORD kRenderAt = 153;
constexpr DWORD kCullAt = 154;

constexpr float kFloatMax = 3.4028235e38f;

DWORD GetText(const BYTE* field, DWORD fieldSize, char* out, DWORD size)
{
    if (!out || size == 0) return 0;
    const DWORD len = std::min<DWORD>(static_cast<DWORD>(strnlen(reinterpret_cast<const char*>(field), fieldSize)),
                                      std::min(fieldSize, size) - 1);
    std::memcpy(out, field, len);
    out[len] = 0;
    return len;
}

void PutText(BYTE* field, DWORD fieldSize, const char* text)
{
    std::memset(field, 0, fieldSize);
    if (text) std::memcpy(field, text, strnlen(text, fieldSize - 1));
}

} // namespace

// ---- STerrainInit ----

STerrainInit::STerrainInit()
{
    std::memset(m_Bytes, 0, kSize);
    CleanUp();
}

void STerrainInit::CleanUp()
{
    BYTE reserved[4];
    std::memcpy(reserved, m_Bytes + kReserved544At, 4);
    std::memset(m_Bytes, 0, kMaterialAt);
    std::memcpy(m_Bytes + kReserved544At, reserved, 4);
    kestu::PutU16(m_Bytes + kVersionAt, kVersion);
    SBoundBox box;
    box.min = D3DXVECTOR3(kFloatMax, kFloatMax, kFloatMax);
    box.max = D3DXVECTOR3(-kFloatMax, -kFloatMax, -kFloatMax);
    SetBoundBox(&box);
    kestu::PutU32(m_Bytes + kPoolAt, D3DPOOL_MANAGED);
    std::memset(m_Bytes + kReservedTailAt, 0, kReservedTailSize);
}

int STerrainInit::IsValid() const
{
    const DWORD depth = GetDepth(), n = GetLength();
    if (GetVersion() != kVersion || GetReservedWord() != 0) return 0;
    if (depth <= 1 || depth >= 7 || n <= 1) return 0;
    if (!GetFVF() || !GetVertexStride() || !GetVertexNumber()) return 0;
    if (D3DXGetFVFVertexSize(GetFVF()) != GetVertexStride()) return 0;
    const float fn = static_cast<float>(n);
    if (GetExtentX() != fn * GetBlockWidth() || GetExtentZ() != fn * GetBlockHeight()) return 0;
    return n == (1u << (depth - 1));
}

uint64_t STerrainInit::GetDataBlockSize() const
{
    // Past 64 bits the size saturates: no block can be that long.
    using u128 = unsigned __int128;
    const u128 n = GetLength();
    const u128 size =
        kSize + u128(GetVertexNumber()) * (u128(GetVertexStride()) + 12) + STerrainBlockInit::kSize * n * n;
    return size > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(size);
}

BYTE* STerrainInit::GetNormals() { return GetVertices() + size_t(GetVertexNumber()) * GetVertexStride(); }
const BYTE* STerrainInit::GetNormals() const { return GetVertices() + size_t(GetVertexNumber()) * GetVertexStride(); }
BYTE* STerrainInit::GetBlockInits() { return GetNormals() + size_t(GetVertexNumber()) * 12; }
const BYTE* STerrainInit::GetBlockInits() const { return GetNormals() + size_t(GetVertexNumber()) * 12; }

WORD STerrainInit::GetVersion() const { return kestu::GetU16(m_Bytes + kVersionAt); }
void STerrainInit::SetVersion(WORD version) { kestu::PutU16(m_Bytes + kVersionAt, version); }
WORD STerrainInit::GetReservedWord() const { return kestu::GetU16(m_Bytes + kZeroWordAt); }
DWORD STerrainInit::GetID() const { return kestu::GetU32(m_Bytes + kIdAt); }
void STerrainInit::SetID(DWORD id) { kestu::PutU32(m_Bytes + kIdAt, id); }
DWORD STerrainInit::GetInfo(char* out, DWORD size) const { return GetText(m_Bytes + kInfoAt, kInfoSize, out, size); }
void STerrainInit::SetInfo(const char* text) { PutText(m_Bytes + kInfoAt, kInfoSize, text); }
DWORD STerrainInit::GetTexLib(char* out, DWORD size) const
{
    return GetText(m_Bytes + kTexLibAt, kTexLibSize, out, size);
}
void STerrainInit::SetTexLib(const char* path) { PutText(m_Bytes + kTexLibAt, kTexLibSize, path); }
DWORD STerrainInit::GetDepth() const { return kestu::GetU32(m_Bytes + kDepthAt); }
void STerrainInit::SetDepth(DWORD depth) { kestu::PutU32(m_Bytes + kDepthAt, depth); }
DWORD STerrainInit::GetLength() const { return kestu::GetU32(m_Bytes + kLengthAt); }
void STerrainInit::SetLength(DWORD n) { kestu::PutU32(m_Bytes + kLengthAt, n); }
float STerrainInit::GetExtentX() const { return kestu::GetF32(m_Bytes + kExtentXAt); }
float STerrainInit::GetExtentZ() const { return kestu::GetF32(m_Bytes + kExtentZAt); }
void STerrainInit::SetExtent(float x, float z)
{
    kestu::PutF32(m_Bytes + kExtentXAt, x);
    kestu::PutF32(m_Bytes + kExtentZAt, z);
}
float STerrainInit::GetBlockWidth() const { return kestu::GetF32(m_Bytes + kBlockWidthAt); }
float STerrainInit::GetBlockHeight() const { return kestu::GetF32(m_Bytes + kBlockHeightAt); }
void STerrainInit::SetBlockSize(float width, float height)
{
    kestu::PutF32(m_Bytes + kBlockWidthAt, width);
    kestu::PutF32(m_Bytes + kBlockHeightAt, height);
}
void STerrainInit::GetBoundBox(SBoundBox* box) const
{
    const BYTE* p = m_Bytes + kBoxAt;
    box->min = D3DXVECTOR3(kestu::GetF32(p), kestu::GetF32(p + 4), kestu::GetF32(p + 8));
    box->max = D3DXVECTOR3(kestu::GetF32(p + 12), kestu::GetF32(p + 16), kestu::GetF32(p + 20));
}
void STerrainInit::SetBoundBox(const SBoundBox* box)
{
    BYTE* p = m_Bytes + kBoxAt;
    const float v[6] = {box->min.x, box->min.y, box->min.z, box->max.x, box->max.y, box->max.z};
    for (int i = 0; i < 6; ++i) kestu::PutF32(p + 4 * i, v[i]);
}
BYTE STerrainInit::GetMinLODLevel() const { return m_Bytes[kMinLodAt]; }
void STerrainInit::SetMinLODLevel(BYTE level) { m_Bytes[kMinLodAt] = level; }
DWORD STerrainInit::GetFVF() const { return kestu::GetU32(m_Bytes + kFvfAt); }
void STerrainInit::SetFVF(DWORD fvf) { kestu::PutU32(m_Bytes + kFvfAt, fvf); }
DWORD STerrainInit::GetVertexStride() const { return kestu::GetU32(m_Bytes + kStrideAt); }
void STerrainInit::SetVertexStride(DWORD stride) { kestu::PutU32(m_Bytes + kStrideAt, stride); }
DWORD STerrainInit::GetVertexNumber() const { return kestu::GetU32(m_Bytes + kCountAt); }
void STerrainInit::SetVertexNumber(DWORD count) { kestu::PutU32(m_Bytes + kCountAt, count); }

void STerrainInit::GetMaterial(D3DMATERIAL8* m) const
{
    const BYTE* p = m_Bytes + kMaterialAt;
    D3DCOLORVALUE* colours[4] = {&m->Diffuse, &m->Ambient, &m->Specular, &m->Emissive};
    for (D3DCOLORVALUE* c : colours) {
        c->r = kestu::GetF32(p);
        c->g = kestu::GetF32(p + 4);
        c->b = kestu::GetF32(p + 8);
        c->a = kestu::GetF32(p + 12);
        p += 16;
    }
    m->Power = kestu::GetF32(p);
}

void STerrainInit::SetMaterial(const D3DMATERIAL8* m)
{
    BYTE* p = m_Bytes + kMaterialAt;
    const D3DCOLORVALUE* colours[4] = {&m->Diffuse, &m->Ambient, &m->Specular, &m->Emissive};
    for (const D3DCOLORVALUE* c : colours) {
        kestu::PutF32(p, c->r);
        kestu::PutF32(p + 4, c->g);
        kestu::PutF32(p + 8, c->b);
        kestu::PutF32(p + 12, c->a);
        p += 16;
    }
    kestu::PutF32(p, m->Power);
}

DWORD STerrainInit::GetPool() const { return kestu::GetU32(m_Bytes + kPoolAt); }
void STerrainInit::SetPool(D3DPOOL pool) { kestu::PutU32(m_Bytes + kPoolAt, static_cast<uint32_t>(pool)); }

// ---- STerrainBlockInit ----

STerrainBlockInit::STerrainBlockInit()
{
    std::memset(m_Bytes, 0, kSize);
    m_Bytes[kLodAt] = 255;
    m_Bytes[kRenderAt] = 1;
    kestu::PutU16(m_Bytes + kCullAt, 65535);
}

void STerrainBlockInit::Set(WORD texId, const WORD* indices25, const float* altitudes25, BYTE lodLevel, BYTE render,
                            WORD cullMark)
{
    SetTexIdx(texId);
    for (WORD i = 0; i < 25; ++i) {
        SetIndex(i, indices25[i]);
        SetAtitude(i, altitudes25[i]);
    }
    SetLODLevel(lodLevel);
    SetRender(render);
    SetCullMark(cullMark);
}

WORD STerrainBlockInit::GetIndex(WORD i) const { return kestu::GetU16(m_Bytes + kIndicesAt + 2 * i); }
void STerrainBlockInit::SetIndex(WORD i, WORD vertex) { kestu::PutU16(m_Bytes + kIndicesAt + 2 * i, vertex); }
float STerrainBlockInit::GetAtitude(WORD i) const { return kestu::GetF32(m_Bytes + kAltitudesAt + 4 * i); }
void STerrainBlockInit::SetAtitude(WORD i, float altitude) { kestu::PutF32(m_Bytes + kAltitudesAt + 4 * i, altitude); }
WORD STerrainBlockInit::GetTexIdx() const { return kestu::GetU16(m_Bytes + kTexIdAt); }
void STerrainBlockInit::SetTexIdx(WORD texId) { kestu::PutU16(m_Bytes + kTexIdAt, texId); }
BYTE STerrainBlockInit::GetLODLevel() const { return m_Bytes[kLodAt]; }
void STerrainBlockInit::SetLODLevel(BYTE level) { m_Bytes[kLodAt] = level; }
BYTE STerrainBlockInit::GetRender() const { return m_Bytes[kRenderAt]; }
void STerrainBlockInit::SetRender(BYTE render) { m_Bytes[kRenderAt] = render; }
WORD STerrainBlockInit::GetCullMark() const { return kestu::GetU16(m_Bytes + kCullAt); }
void STerrainBlockInit::SetCullMark(WORD mark) { kestu::PutU16(m_Bytes + kCullAt, mark); }
