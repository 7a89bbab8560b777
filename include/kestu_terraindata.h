// The static terrain's data block: one contiguous block of memory that the
// client fills (a 921-byte head, the vertex data, one normal per vertex and
// one 156-byte record per block) and hands to CTerrain::Build. Every value is
// little-endian and byte-packed; the accessors read and write the fields at
// their offsets, so a head or record may sit at any address in the block.
//
//   head (STerrainInit)          offset 0, 921 bytes
//   vertices                     921, count x stride
//   normals (3 floats each)      921 + count x stride, count x 12
//   block records                921 + count x (stride + 12), N x N x 156
//
// Records run row-major, N per row, row 0 at the smallest z and column 0 at
// the smallest x.
#pragma once
#include "kestu_export.h"
#include "kestu_bound.h"
#include "d3d8.h"

class KESTU_API STerrainInit {
public:
    static constexpr DWORD kSize = 921;
    static constexpr DWORD kInfoSize = 256;
    static constexpr DWORD kTexLibSize = 260;
    static constexpr WORD kVersion = 1;

    STerrainInit();
    STerrainInit(const STerrainInit& other) = default;
    // Copies the 921 head bytes only.
    STerrainInit& operator=(const STerrainInit& other) = default;

    // Version 1, zeros, an empty (inverted) bounding box, the managed pool;
    // the material and the reserved word at 544 keep their bytes.
    void CleanUp();
    // Version 1, the word at 2 zero, depth 2 to 6, N above 1, a non-zero
    // vertex format, stride and count, the format's size equal to the stride,
    // both extents exactly N block sizes, and N = 2^(depth - 1).
    int IsValid() const;
    // The size of the whole block; 64-bit so that no head can overflow it.
    uint64_t GetDataBlockSize() const;
    // Addresses inside the block that this head starts.
    BYTE* GetVertices() { return m_Bytes + kSize; }
    const BYTE* GetVertices() const { return m_Bytes + kSize; }
    BYTE* GetNormals();
    const BYTE* GetNormals() const;
    BYTE* GetBlockInits();
    const BYTE* GetBlockInits() const;

    WORD GetVersion() const;
    void SetVersion(WORD version);
    WORD GetReservedWord() const;
    DWORD GetID() const;
    void SetID(DWORD id);
    // Copies the text, bounded by its field and by size, always terminated;
    // returns its length.
    DWORD GetInfo(char* out, DWORD size) const;
    void SetInfo(const char* text);
    DWORD GetTexLib(char* out, DWORD size) const;
    void SetTexLib(const char* path);
    DWORD GetDepth() const;
    void SetDepth(DWORD depth);
    DWORD GetLength() const; // blocks per side N
    void SetLength(DWORD n);
    float GetExtentX() const;
    float GetExtentZ() const;
    void SetExtent(float x, float z);
    float GetBlockWidth() const;
    float GetBlockHeight() const;
    void SetBlockSize(float width, float height);
    void GetBoundBox(SBoundBox* box) const;
    void SetBoundBox(const SBoundBox* box);
    BYTE GetMinLODLevel() const;
    void SetMinLODLevel(BYTE level);
    DWORD GetFVF() const;
    void SetFVF(DWORD fvf);
    DWORD GetVertexStride() const;
    void SetVertexStride(DWORD stride);
    DWORD GetVertexNumber() const;
    void SetVertexNumber(DWORD count);
    void GetMaterial(D3DMATERIAL8* material) const;
    void SetMaterial(const D3DMATERIAL8* material);
    // The stored value, which need not name a pool.
    DWORD GetPool() const;
    void SetPool(D3DPOOL pool);

    const BYTE* GetBytes() const { return m_Bytes; }

private:
    BYTE m_Bytes[kSize];
};
static_assert(sizeof(STerrainInit) == STerrainInit::kSize && alignof(STerrainInit) == 1,
              "the head is 921 packed bytes");

class KESTU_API STerrainBlockInit {
public:
    static constexpr DWORD kSize = 156;

    // Vertex numbers, texture id and altitudes 0; initial level 255; drawn;
    // cull mark 65535 (all cells).
    STerrainBlockInit();
    STerrainBlockInit(const STerrainBlockInit& other) = default;
    STerrainBlockInit& operator=(const STerrainBlockInit& other) = default;

    void Set(WORD texId, const WORD* indices25, const float* altitudes25, BYTE lodLevel, BYTE render, WORD cullMark);
    // Grid points i are 0 to 24, row-major; nothing is checked.
    WORD GetIndex(WORD i) const;
    void SetIndex(WORD i, WORD vertex);
    float GetAtitude(WORD i) const;
    void SetAtitude(WORD i, float altitude);
    WORD GetTexIdx() const;
    void SetTexIdx(WORD texId);
    BYTE GetLODLevel() const;
    void SetLODLevel(BYTE level);
    BYTE GetRender() const;
    void SetRender(BYTE render);
    WORD GetCullMark() const;
    void SetCullMark(WORD mark);

    const BYTE* GetBytes() const { return m_Bytes; }

private:
    BYTE m_Bytes[kSize];
};
static_assert(sizeof(STerrainBlockInit) == STerrainBlockInit::kSize && alignof(STerrainBlockInit) == 1,
              "a block record is 156 packed bytes");
