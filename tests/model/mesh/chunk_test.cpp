// The "MESHDATA" chunk: round trips in every version and flag, and damaged chunks.
#include <cstring>

#include "model_fixture.h"

namespace {

using namespace modeltest;

constexpr DWORD kNoVersion = 0xFFFFFFFF;

// n items from p; a missing array reads as n copies of `missing`.
template <class T>
std::vector<T> Bytes(const void* p, size_t n, T missing = T())
{
    std::vector<T> v(n, missing);
    if (n && p) std::memcpy(v.data(), p, n * sizeof(T));
    return v;
}

void ExpectSameMesh(CMeshDataBase& a, CMeshDataBase& b, bool subsets, bool batches)
{
    const SMeshDataBase& ha = a;
    const SMeshDataBase& hb = b;
    EXPECT_EQ(0, std::memcmp(&ha, &hb, sizeof(SMeshDataBase)));
    ASSERT_EQ(a.GetVertexBufferSize(), b.GetVertexBufferSize());
    EXPECT_EQ(Bytes<char>(a.GetVertexData(), a.GetVertexBufferSize()),
              Bytes<char>(b.GetVertexData(), b.GetVertexBufferSize()));
    EXPECT_EQ(Bytes<char>(a.GetWorkVertexData(), a.GetVertexBufferSize()),
              Bytes<char>(b.GetVertexData(), b.GetVertexBufferSize()));
    ASSERT_EQ(a.GetIndexBufferSize(), b.GetIndexBufferSize());
    EXPECT_EQ(Bytes<char>(a.GetIndexData(), a.GetIndexBufferSize()),
              Bytes<char>(b.GetIndexData(), b.GetIndexBufferSize()));
    ASSERT_EQ(a.GetBonesPerVertex(), b.GetBonesPerVertex());
    const size_t entries = size_t(a.GetVerticesNum()) * a.GetBonesPerVertex();
    EXPECT_EQ(Bytes<DWORD>(a.GetVerInfluneceBuf(), entries), Bytes<DWORD>(b.GetVerInfluneceBuf(), entries));
    EXPECT_EQ(Bytes<float>(a.GetVerWeightBuf(), entries), Bytes<float>(b.GetVerWeightBuf(), entries));
    EXPECT_EQ(a.GetVertexRedundantNum(), b.GetVertexRedundantNum());
    EXPECT_EQ(Bytes<DWORD>(a.GetVertexRedundantBuf(), a.GetVerticesNum(), 0xFFFFFFFF),
              Bytes<DWORD>(b.GetVertexRedundantBuf(), b.GetVerticesNum()));
    ASSERT_EQ(a.GetMaterialNum(), b.GetMaterialNum());
    for (DWORD m = 0; m < a.GetMaterialNum(); ++m) {
        const CMaterialData& ma = a.GetMaterial(m);
        const CMaterialData& mb = b.GetMaterial(m);
        EXPECT_EQ(ma.dwMtlID, mb.dwMtlID);
        EXPECT_EQ(ma.dwBlendMode, mb.dwBlendMode);
        EXPECT_EQ(0, std::memcmp(&ma.mtl, &mb.mtl, sizeof(D3DMATERIAL8)));
        EXPECT_EQ(ma.GetTextureID(), mb.GetTextureID());
        EXPECT_STREQ(ma.GetTextureFileName(), mb.GetTextureFileName());
    }
    EXPECT_EQ(Bytes<DWORD>(a.GetPrimitiveMaterialList(), a.GetPrimitiveCount()),
              Bytes<DWORD>(b.GetPrimitiveMaterialList(), b.GetPrimitiveCount()));
    if (subsets) {
        EXPECT_EQ(Bytes<DWORD>(a.GetSubsetFirstIndex(), a.GetMaterialNum()),
                  Bytes<DWORD>(b.GetSubsetFirstIndex(), b.GetMaterialNum()));
        EXPECT_EQ(Bytes<DWORD>(a.GetSubsetFaceCount(), a.GetMaterialNum()),
                  Bytes<DWORD>(b.GetSubsetFaceCount(), b.GetMaterialNum()));
    }
    ASSERT_EQ(b.GetBoneBatchNum(), batches ? a.GetBoneBatchNum() : 0u);
    for (DWORD k = 0; k < b.GetBoneBatchNum(); ++k) {
        EXPECT_EQ(a.GetBatchBoneCount(k), b.GetBatchBoneCount(k));
        EXPECT_EQ(a.GetBatchFirstFace(k), b.GetBatchFirstFace(k));
        EXPECT_EQ(Bytes<DWORD>(a.GetBatchBoneList(k), a.GetBatchBoneCount(k)),
                  Bytes<DWORD>(b.GetBatchBoneList(k), b.GetBatchBoneCount(k)));
        const size_t p = size_t(a.GetVerticesNum()) * (a.GetBonesPerVertex() <= 4 ? 4 : 8);
        EXPECT_EQ(Bytes<WORD>(a.GetBatchPaletteIndex(k), p), Bytes<WORD>(b.GetBatchPaletteIndex(k), p));
    }
}

struct Variant {
    DWORD version;
    DWORD flags;
    DWORD indexFormat;
    int meshKind; // 0 mini, 1 tube of two materials
};

class ChunkRoundTrip : public ::testing::TestWithParam<Variant> {};

TEST_P(ChunkRoundTrip, ReadsBackWhatWasWritten)
{
    const Variant v = GetParam();
    MeshPtr<TestMesh> mesh = v.meshKind == 0 ? MiniMesh(v.indexFormat) : MakeTube({6, 5, 70, 4, 2});
    if (v.flags & 4) {
        ASSERT_EQ(mesh->SplitIdxToLimitBones(1), 0);
    }
    long written = 0;
    const std::vector<BYTE> bytes = WriteChunk(*mesh, v.version, v.flags, &written);
    ASSERT_EQ(written, 1);
    ASSERT_EQ(std::memcmp(bytes.data(), "MESHDATA", 8), 0);
    DWORD consumed = 0;
    MeshPtr<CMeshDataBase> back(ReadChunk(bytes, v.version, v.flags, nullptr, &consumed));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_EQ(back->GetMeshType(), KESTU_MESHTYPE_DYNAMIC);
    ExpectSameMesh(*mesh, *back, v.version != kNoVersion, (v.flags & 4) != 0);
    // What was read writes the same bytes again.
    EXPECT_EQ(WriteChunk(*back, v.version, v.flags), bytes);
}

INSTANTIATE_TEST_SUITE_P(Versions, ChunkRoundTrip,
                         ::testing::Values(Variant{2, 1, D3DFMT_INDEX16, 0}, Variant{2, 5, D3DFMT_INDEX16, 0},
                                           Variant{kNoVersion, 1, D3DFMT_INDEX16, 0},
                                           Variant{kNoVersion, 4, D3DFMT_INDEX16, 0}, Variant{2, 1, D3DFMT_INDEX32, 0},
                                           Variant{2, 5, D3DFMT_INDEX32, 0}, Variant{2, 5, D3DFMT_INDEX16, 1},
                                           Variant{kNoVersion, 0, D3DFMT_INDEX16, 1}));

// Bytes of the mini mesh's chunk: 44 head, 148 vertices, 4 + 12 indices,
// 4 + 32 + 32 influences, 4 + 8 pairs, 4 + material, 8 face materials.
TEST(Chunk, SectionsFollowTheVersionAndFlags)
{
    MeshPtr<TestMesh> mesh = MiniMesh();
    const size_t material = 8 + 4 + 4 + 68 + 4 + 4 + 12; // "skin.png" pads to 12
    const size_t base = 44 + 4 + 144 + 4 + 12 + 4 + 32 + 32 + 4 + 8 + 4 + material + 8;
    EXPECT_EQ(WriteChunk(*mesh, kNoVersion, 0).size(), base);
    EXPECT_EQ(WriteChunk(*mesh, 2, 0).size(), base + 8);
    EXPECT_EQ(WriteChunk(*mesh, 2, 4).size(), base + 8 + 8);
    ASSERT_EQ(mesh->SplitIdxToLimitBones(0), 0);
    ASSERT_EQ(mesh->GetBoneBatchNum(), 1u);
    // One batch: count, 59 bones, first face, 4 vertices x 4 offsets.
    EXPECT_EQ(WriteChunk(*mesh, 2, 4).size(), base + 8 + 8 + 4 + 59 * 4 + 4 + 4 * 4 * 2);
}

TEST(Chunk, ThirtyTwoBitIndicesStayThirtyTwoBit)
{
    MeshPtr<TestMesh> mesh = MiniMesh(D3DFMT_INDEX32);
    DWORD* idx = reinterpret_cast<DWORD*>(mesh->GetIndexData());
    mesh->SetVerticesNum(4);
    MeshPtr<CMeshDataBase> back(ReadChunk(WriteChunk(*mesh, 2, 1), 2, 1));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetIndexFormat(), DWORD(D3DFMT_INDEX32));
    EXPECT_EQ(back->GetIndexBufferSize(), 24u);
    EXPECT_EQ(0, std::memcmp(back->GetIndexData(), idx, 24));
}

TEST(Chunk, EmptyMeshReadsWithoutArrays)
{
    MeshPtr<CMeshDataNull> empty(new CMeshDataNull());
    const std::vector<BYTE> bytes = WriteChunk(*empty, 2, 0);
    MeshPtr<CMeshDataBase> back(ReadChunk(bytes, 2, 0));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetMeshType(), KESTU_MESHTYPE_NULL);
    EXPECT_EQ(back->GetVertexData(), nullptr);
    EXPECT_EQ(back->GetIndexData(), nullptr);
    EXPECT_EQ(back->GetMaterialNum(), 0u);
    EXPECT_EQ(back->GetIndexFormat(), DWORD(D3DFMT_INDEX32));
}

TEST(Chunk, EveryShortChunkFailsCleanly)
{
    MeshPtr<TestMesh> mesh = MiniMesh();
    ASSERT_EQ(mesh->SplitIdxToLimitBones(0), 0);
    const std::vector<BYTE> bytes = WriteChunk(*mesh, 2, 4);
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<BYTE> cut(bytes.begin(), bytes.begin() + long(n));
        EXPECT_EQ(ReadChunk(cut, 2, 4), nullptr) << n;
    }
}

struct Patch {
    const char* what;
    size_t offset;
    DWORD value;
};

class ChunkDamage : public ::testing::TestWithParam<Patch> {};

// Offsets into the mini mesh's chunk (version 2, flags 4, one batch).
constexpr size_t kHead = 8, kV = 44, kI = 48 + 144, kB = kI + 4 + 12, kR = kB + 4 + 64, kM = kR + 4 + 8;
constexpr size_t kName = kM + 4 + 8 + 4 + 4 + 68 + 4, kFaces = kName + 4 + 12, kSubsets = kFaces + 8;
constexpr size_t kBatches = kSubsets + 8;

TEST_P(ChunkDamage, IsRefused)
{
    MeshPtr<TestMesh> mesh = MiniMesh();
    ASSERT_EQ(mesh->SplitIdxToLimitBones(0), 0);
    std::vector<BYTE> bytes = WriteChunk(*mesh, 2, 4);
    const Patch p = GetParam();
    ASSERT_LE(p.offset + 4, bytes.size());
    std::memcpy(bytes.data() + p.offset, &p.value, 4);
    host::ClearDebugOutput();
    EXPECT_EQ(ReadChunk(bytes, 2, 4), nullptr) << p.what;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ChunkDamage,
    ::testing::Values(Patch{"stride not a multiple of four", kHead + 0, 37},
                      Patch{"stride below the format", kHead + 0, 16}, Patch{"vertex size", kV, 140},
                      Patch{"vertex count", kHead + 12, 5}, Patch{"huge vertex count", kHead + 12, 0x40000000},
                      Patch{"index format", kHead + 20, 103}, Patch{"index count", kHead + 16, 7},
                      Patch{"index past the vertices", kI + 4, 4}, Patch{"primitive count", kHead + 28, 3},
                      Patch{"primitive type", kHead + 8, 9}, Patch{"bones per vertex", kB, 0x10000000},
                      Patch{"redundant count", kR, 5}, Patch{"duplicate inside", kR + 4, 1},
                      Patch{"duplicate of a duplicate", kR + 8, 3}, Patch{"material count", kM, 0x7FFFFFFF},
                      Patch{"name longer than the name buffer", kName, 264}, Patch{"material index", kFaces + 4, 1},
                      Patch{"subset past the indices", kSubsets, 3}, Patch{"batch count", kBatches, 11},
                      Patch{"batch wider than its lists", kBatches + 8, 60}));

TEST(Chunk, UnknownMeshTypeIsReportedAndMakesNothing)
{
    MeshPtr<TestMesh> mesh = MiniMesh();
    std::vector<BYTE> bytes = WriteChunk(*mesh, 2, 0);
    const DWORD type = 0x103;
    std::memcpy(bytes.data() + kHead + 32, &type, 4);
    host::ClearDebugOutput();
    EXPECT_EQ(ReadChunk(bytes, 2, 0), nullptr);
    EXPECT_NE(host::GetDebugOutputText().find("Error Mesh Type!\n"), std::string::npos);
}

TEST(Chunk, PaletteOffsetOutsideTheBatchReadsSlotZero)
{
    MeshPtr<TestMesh> mesh = MiniMesh();
    ASSERT_EQ(mesh->SplitIdxToLimitBones(0), 0);
    std::vector<BYTE> bytes = WriteChunk(*mesh, 2, 4);
    // The palette array ends the chunk: its first entry names bone slot 200,
    // its second points between two slots.
    const size_t palette = bytes.size() - 4 * 4 * 2;
    const WORD far = 200 * 4, between = 6;
    WORD third;
    std::memcpy(bytes.data() + palette, &far, 2);
    std::memcpy(bytes.data() + palette + 2, &between, 2);
    std::memcpy(&third, bytes.data() + palette + 4, 2);
    MeshPtr<CMeshDataBase> back(ReadChunk(bytes, 2, 4));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetBatchPaletteIndex(0)[0], 0);
    EXPECT_EQ(back->GetBatchPaletteIndex(0)[1], 0);
    EXPECT_EQ(back->GetBatchPaletteIndex(0)[2], third) << "an offset that names a slot is kept";
}

TEST(Chunk, ExpansionAddsAThirdCoordinateAfterTheFirstSet)
{
    CMeshDataMng manager;
    for (DWORD fvf : {DWORD(0x152), DWORD(0x252)}) {
        SCOPED_TRACE(fvf);
        MeshPtr<TestMesh> mesh = MiniMesh();
        const DWORD oldStride = fvf == 0x152 ? 36 : 44;
        std::vector<float> v(4 * oldStride / 4, 0.0f);
        for (size_t i = 0; i < v.size(); ++i) v[i] = float(i);
        mesh->SetVertexFVF(fvf);
        mesh->SetVertexStride(oldStride);
        mesh->SetVertexData(reinterpret_cast<const char*>(v.data()), DWORD(v.size() * 4));
        const std::vector<BYTE> bytes = WriteChunk(*mesh, 2, 0);

        CMeshDataMng::EnableTexCoordExpand(0);
        MeshPtr<CMeshDataBase> plain(ReadChunk(bytes, 2, 0, &manager));
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(plain->GetVertexFVF(), fvf);

        CMeshDataMng::EnableTexCoordExpand(1);
        MeshPtr<CMeshDataBase> grown(ReadChunk(bytes, 2, 0, &manager));
        ASSERT_NE(grown, nullptr);
        EXPECT_EQ(grown->GetVertexFVF(), fvf | D3DFVF_TEXCOORDSIZE3(0));
        EXPECT_EQ(grown->GetVertexStride(), oldStride + 4);
        ASSERT_EQ(grown->GetVertexBufferSize(), 4 * (oldStride + 4));
        const float* out = reinterpret_cast<const float*>(grown->GetVertexData());
        const float* work = reinterpret_cast<const float*>(grown->GetWorkVertexData());
        const size_t floats = oldStride / 4;
        for (size_t vert = 0; vert < 4; ++vert) {
            const float* row = out + vert * (floats + 1);
            for (size_t i = 0; i < 9; ++i) EXPECT_EQ(row[i], v[vert * floats + i]);
            EXPECT_EQ(row[9], 1.0f);
            for (size_t i = 9; i < floats; ++i) EXPECT_EQ(row[i + 1], v[vert * floats + i]);
        }
        EXPECT_EQ(0, std::memcmp(out, work, grown->GetVertexBufferSize()));
        CMeshDataMng::EnableTexCoordExpand(1);
    }
}

TEST(Chunk, WritingFinalisesWindingAndSubsets)
{
    MeshPtr<TestMesh> mesh = MakeTube({4, 3, 2, 2, 1});
    // Three materials, the middle one unused; faces alternate between 2 and 0.
    CMaterialData extra;
    mesh->AddMaterial(&extra);
    mesh->AddMaterial(&extra);
    std::vector<DWORD> faces(mesh->GetPrimitiveCount());
    for (size_t f = 0; f < faces.size(); ++f) faces[f] = f % 2 ? 0 : 2;
    mesh->SetPrimitiveMaterialList(faces.data());
    const std::vector<WORD> before = Bytes<WORD>(mesh->GetIndexData(), mesh->GetIndicesNum());
    mesh->SetConverCoord(0);
    long result = 0;
    const std::vector<BYTE> bytes = WriteChunk(*mesh, 2, 0, &result);
    ASSERT_EQ(result, 1);
    EXPECT_EQ(mesh->IsConvertCoord(), 1);
    const DWORD* firsts = mesh->GetSubsetFirstIndex();
    const DWORD* counts = mesh->GetSubsetFaceCount();
    const DWORD half = mesh->GetPrimitiveCount() / 2;
    EXPECT_EQ(counts[0], half);
    EXPECT_EQ(counts[1], 0u);
    EXPECT_EQ(counts[2], half);
    EXPECT_EQ(firsts[0], 0u);
    EXPECT_EQ(firsts[2], 3 * half);
    // Material 0's faces (the odd ones) come first, in their order, wound the other way.
    const WORD* after = reinterpret_cast<const WORD*>(mesh->GetIndexData());
    for (DWORD f = 0; f < half; ++f) {
        const size_t from = 3 * (2 * f + 1);
        EXPECT_EQ(after[3 * f], before[from]);
        EXPECT_EQ(after[3 * f + 1], before[from + 2]);
        EXPECT_EQ(after[3 * f + 2], before[from + 1]);
        EXPECT_EQ(mesh->GetPrimitiveMaterialList()[f], 0u);
    }
}

TEST(Chunk, WritingRefusesAFaceWithoutItsMaterial)
{
    MeshPtr<TestMesh> mesh = MiniMesh();
    const DWORD faces[2] = {0, 1};
    mesh->SetPrimitiveMaterialList(faces);
    mesh->SetConverCoord(0);
    long result = 0;
    EXPECT_TRUE(WriteChunk(*mesh, 2, 0, &result).empty());
    EXPECT_EQ(result, E_FAIL);
}

} // namespace
