// The software skinning loop: each vertex's position (and normal) blended
// from its bone influences. The matrices are row-vector D3DX matrices in a
// table of kSlots; slot kIdentitySlot and every slot at or past the bone
// count hold the identity, so influences of bones outside the palette keep
// the vertex as it is.
#pragma once
#include <d3dx8.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Kestu::skinning {

constexpr uint32_t kIdentitySlot = 256;
constexpr uint32_t kSlots = 257;
// Influences at or below this weight are skipped.
constexpr float kMinWeight = 0.0001f;

// The influences as the fast loop reads them, one record a vertex: its
// bones as byte offsets of their slots in the matrix table, then its weights
// (the bits of floats), each at or below kMinWeight as 0.
void PackInfluences(const uint32_t* bones, const float* weights, size_t vertices, uint32_t perVertex,
                    std::vector<uint32_t>& packed);

struct SkinJob {
    const char* src = nullptr;        // bind-pose vertices
    char* dst = nullptr;              // working vertices
    size_t stride = 0;                // bytes per vertex (a multiple of 4, at least 16)
    size_t count = 0;                 // vertices to blend
    const uint32_t* bones = nullptr;  // count x perVertex bone indices
    const float* weights = nullptr;   // count x perVertex weights
    const uint32_t* packed = nullptr; // the same, packed (the fast loop needs them)
    uint32_t perVertex = 0;
    const D3DXMATRIX* positions = nullptr; // kSlots position matrices
    const D3DXMATRIX* normals = nullptr;   // kSlots normal matrices (sign applied), or null: no normals
    bool affine = false;                   // every position matrix has the last column (0, 0, 0, 1)
};

// The formula term by term: a homogeneous transform of the vertex by each
// influencing matrix, summed with its weight.
void BlendExact(const SkinJob& job);
// The instruction sets the fast loop comes in, narrowest first.
enum class Simd { Plain, Avx2, Avx512 };
// The widest this processor runs.
Simd BestSimd();
// The same result for affine matrices (within rounding): the influencing
// matrices are summed first and the vertex transformed once.
void BlendFast(const SkinJob& job);
// The same with the loops of at most the given set (at most BestSimd()).
void BlendFast(const SkinJob& job, Simd simd);
// Picks the fast loop when it gives the formula's result.
void Blend(const SkinJob& job);

// True when the matrix's last column is (0, 0, 0, 1).
inline bool IsAffine(const D3DXMATRIX& m) { return m._14 == 0.0f && m._24 == 0.0f && m._34 == 0.0f && m._44 == 1.0f; }

} // namespace Kestu::skinning
