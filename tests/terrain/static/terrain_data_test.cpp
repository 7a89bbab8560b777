// The static terrain data block: layout, validation, size, the refusals of
// the reader and the head writer.
#include <cstring>
#include <functional>

#include "kestu_bytes.h"
#include "terrain_fixture.h"

namespace {

STerrainInit ValidHead(DWORD depth = 3, float block = 8.0f)
{
    STerrainInit h;
    const DWORD n = 1u << (depth - 1);
    h.SetDepth(depth);
    h.SetLength(n);
    h.SetBlockSize(block, block);
    h.SetExtent(n * block, n * block);
    h.SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    h.SetVertexStride(24);
    h.SetVertexNumber(9);
    return h;
}

} // namespace

TEST(TerrainData, FieldsSitAtTheirOffsets)
{
    STerrainInit h;
    const BYTE* b = h.GetBytes();
    EXPECT_EQ(kestu::GetU16(b), 1);
    EXPECT_EQ(kestu::GetU32(b + 661), DWORD(D3DPOOL_MANAGED));
    float f;
    std::memcpy(&f, b + 556, 4);
    EXPECT_EQ(f, 3.4028235e38f);
    std::memcpy(&f, b + 568, 4);
    EXPECT_EQ(f, -3.4028235e38f);

    h.SetDepth(5);
    h.SetFVF(0x112);
    h.SetVertexNumber(0x01020304);
    h.SetMinLODLevel(2);
    h.SetTexLib("lib\\terrain.lib");
    D3DMATERIAL8 m{};
    m.Power = 7.5f;
    h.SetMaterial(&m);
    EXPECT_EQ(kestu::GetU32(b + 528), 5u);
    EXPECT_EQ(kestu::GetU32(b + 581), 0x112u);
    EXPECT_EQ(kestu::GetU32(b + 589), 0x01020304u);
    EXPECT_EQ(b[580], 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 268), "lib\\terrain.lib");
    std::memcpy(&f, b + 593 + 64, 4);
    EXPECT_EQ(f, 7.5f);

    // CleanUp keeps the material and the reserved word at 544.
    BYTE* raw = const_cast<BYTE*>(b);
    raw[544] = 0xAB;
    h.CleanUp();
    EXPECT_EQ(raw[544], 0xAB);
    EXPECT_EQ(kestu::GetU32(b + 528), 0u);
    D3DMATERIAL8 back{};
    h.GetMaterial(&back);
    EXPECT_EQ(back.Power, 7.5f);

    STerrainBlockInit r;
    EXPECT_EQ(r.GetBytes()[152], 255);
    EXPECT_EQ(r.GetBytes()[153], 1);
    EXPECT_EQ(kestu::GetU16(r.GetBytes() + 154), 65535);
    r.SetIndex(24, 0x1234);
    r.SetAtitude(1, 2.5f);
    r.SetTexIdx(9);
    EXPECT_EQ(kestu::GetU16(r.GetBytes() + 48), 0x1234);
    EXPECT_EQ(kestu::GetU16(r.GetBytes() + 50), 9);
    std::memcpy(&f, r.GetBytes() + 56, 4);
    EXPECT_EQ(f, 2.5f);
}

TEST(TerrainData, SizeOfTheWholeBlock)
{
    STerrainInit h = ValidHead(2);
    EXPECT_EQ(h.GetDataBlockSize(), 1869u);
    h.SetVertexNumber(0xFFFFFFFF);
    h.SetVertexStride(0xFFFFFFFF);
    EXPECT_GT(h.GetDataBlockSize(), uint64_t(0xFFFFFFFF) * 0xFFFFFFFF);
}

TEST(TerrainData, ValidationTable)
{
    const struct {
        const char* what;
        std::function<void(STerrainInit&)> spoil;
        bool valid;
    } cases[] = {
        {"as made", [](STerrainInit&) {}, true},
        {"version 2", [](STerrainInit& h) { h.SetVersion(2); }, false},
        {"word at 2", [](STerrainInit& h) { const_cast<BYTE*>(h.GetBytes())[2] = 1; }, false},
        {"depth 1", [](STerrainInit& h) { h.SetDepth(1); }, false},
        {"depth 7",
         [](STerrainInit& h) {
             h.SetDepth(7);
             h.SetLength(64);
             h.SetExtent(512, 512);
         },
         false},
        {"N 1",
         [](STerrainInit& h) {
             h.SetLength(1);
             h.SetExtent(8, 8);
         },
         false},
        {"N not 2^(d-1)",
         [](STerrainInit& h) {
             h.SetLength(8);
             h.SetExtent(64, 64);
         },
         false},
        {"no format", [](STerrainInit& h) { h.SetFVF(0); }, false},
        {"no stride", [](STerrainInit& h) { h.SetVertexStride(0); }, false},
        {"no vertices", [](STerrainInit& h) { h.SetVertexNumber(0); }, false},
        {"format size differs", [](STerrainInit& h) { h.SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1); }, false},
        {"x extent off", [](STerrainInit& h) { h.SetExtent(32.001f, 32.0f); }, false},
        {"z extent off", [](STerrainInit& h) { h.SetExtent(32.0f, 31.0f); }, false},
    };
    for (const auto& c : cases) {
        STerrainInit h = ValidHead(3);
        c.spoil(h);
        EXPECT_EQ(h.IsValid() != 0, c.valid) << c.what;
    }
}

class TerrainDataBlock : public TerrainDevice {};

TEST_F(TerrainDataBlock, ReaderRefusesBadBlocksAndStaysReusable)
{
    std::vector<uint8_t> good = FlatBlock(3);
    const auto refused = [&](std::vector<uint8_t> block, uint64_t size, const char* what) {
        CTerrain t;
        EXPECT_EQ(t.Build(device, block.data(), size, nullptr, 0.0f, TERRAIN_BUILD_ALL, nullptr), KESTUERR_INVALIDPARAM)
            << what;
        EXPECT_FALSE(t.IsBuilt()) << what;
        // The same object builds from a good block afterwards.
        EXPECT_EQ(Build(t, good), S_OK) << what;
        EXPECT_TRUE(t.IsBuilt()) << what;
    };
    refused(good, good.size() - 1, "truncated body");
    refused(good, 100, "truncated head");
    std::vector<uint8_t> badIndex = good;
    Record(badIndex, 5)->SetIndex(7, WORD(Head(badIndex)->GetVertexNumber()));
    refused(badIndex, badIndex.size(), "vertex number past the count");
    std::vector<uint8_t> badHead = good;
    Head(badHead)->SetLength(2);
    refused(badHead, badHead.size(), "count and depth disagree");

    CTerrain t;
    EXPECT_EQ(t.Build(nullptr, good.data(), good.size(), nullptr, 0.0f, TERRAIN_BUILD_ALL, nullptr),
              KESTUERR_INVALIDPARAM);
    EXPECT_EQ(t.Build(device, nullptr, nullptr, 0.0f, TERRAIN_BUILD_ALL, nullptr), KESTUERR_INVALIDPARAM);
    // The form without a size trusts the head for the length.
    EXPECT_EQ(t.Build(device, good.data(), nullptr, 0.0f, TERRAIN_BUILD_ALL, nullptr), S_OK);
}

TEST_F(TerrainDataBlock, WriterFillsAValidHead)
{
    std::vector<uint8_t> block = FlatBlock(4, 10.0f, 3.0f, -20.0f, 5.0f);
    Head(block)->SetInfo("east shore");
    Head(block)->SetMinLODLevel(1);
    CTerrain t;
    std::vector<uint8_t> head(STerrainInit::kSize, 0xCD);
    EXPECT_EQ(t.WriteDataBlock(nullptr), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(t.WriteDataBlock(head.data()), D3DERR_INVALIDCALL);
    ASSERT_EQ(Build(t, block), S_OK);
    ASSERT_EQ(t.WriteDataBlock(head.data()), S_OK);
    const STerrainInit* written = Head(head);
    EXPECT_TRUE(written->IsValid());
    EXPECT_EQ(written->GetLength(), 8u);
    EXPECT_EQ(written->GetDepth(), 4u);
    EXPECT_EQ(written->GetVertexNumber(), Head(block)->GetVertexNumber());
    EXPECT_EQ(written->GetMinLODLevel(), 0);
    EXPECT_EQ(head[544], 0xCD);
    char info[256];
    written->GetInfo(info, sizeof info);
    EXPECT_STREQ(info, "east shore");
    SBoundBox box;
    written->GetBoundBox(&box);
    EXPECT_FLOAT_EQ(box.min.x, -20.0f);
    EXPECT_FLOAT_EQ(box.max.z, 85.0f);
    EXPECT_EQ(std::memcmp(head.data() + 8, block.data() + 8, 256), 0);
}

TEST_F(TerrainDataBlock, TextFieldsAreBoundedByTheirFields)
{
    std::vector<uint8_t> block = FlatBlock(2);
    // No terminator anywhere in the texture library field.
    std::memset(block.data() + 268, 'a', 260);
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    EXPECT_EQ(std::strlen(t.GetTexLib()), 259u);
    char small[8];
    EXPECT_EQ(Head(block)->GetTexLib(small, sizeof small), 7u);
}
