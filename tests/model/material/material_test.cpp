// Materials: the "MTLSDATA" record, textures and their references, sets.
#include <cstring>
#include <filesystem>

#include "model/material/MaterialLib.h"
#include "model_fixture.h"

namespace {

using namespace modeltest;

std::vector<BYTE> WriteRecord(CMaterialData& m, long* result = nullptr)
{
    COUMemFile file;
    file.Open(nullptr, OU_FILE_CREATE);
    DWORD count = 0;
    {
        COUArchive ar(&file, OU_ARCHIVE_STORE);
        const long hr = m.Serialize(ar, count, 1, 1, 0);
        if (result) *result = hr;
    }
    EXPECT_EQ(count, file.GetBuffer().size());
    return file.GetBuffer();
}

long ReadRecord(const std::vector<BYTE>& bytes, CMaterialData& m)
{
    COUMemFile file(bytes.data(), bytes.size());
    file.Open(nullptr, OU_FILE_READ);
    COUArchive ar(&file, OU_ARCHIVE_LOAD);
    DWORD count = 0;
    return m.Serialize(ar, count, 1, 0, 0);
}

TEST(MaterialRecord, NamesArePaddedToTheNextMultipleOfFour)
{
    struct Case {
        const char* name;
        DWORD stored;
    };
    for (const Case c : {Case{"", 4}, Case{"abc", 4}, Case{"abcd", 8}, Case{"abcdefg", 8}, Case{"abcdefgh", 12}}) {
        CMaterialData m;
        m.SetTextureFileName(c.name);
        const std::vector<BYTE> bytes = WriteRecord(m);
        ASSERT_EQ(bytes.size(), 92 + c.stored) << c.name;
        DWORD stored = 0;
        std::memcpy(&stored, bytes.data() + 88, 4);
        EXPECT_EQ(stored, c.stored);
        const size_t length = std::strlen(c.name);
        EXPECT_EQ(0, std::memcmp(bytes.data() + 92, c.name, length));
        for (size_t i = 92 + length; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << c.name;
        CMaterialData back;
        ASSERT_EQ(ReadRecord(bytes, back), 0);
        EXPECT_STREQ(back.GetTextureFileName(), c.name);
    }
}

TEST(MaterialRecord, FieldsRoundTripInOrder)
{
    CMaterialData m;
    m.dwMtlID = 0x11223344;
    m.dwBlendMode = 1;
    m.mtl.Diffuse = {0.1f, 0.2f, 0.3f, 0.4f};
    m.mtl.Ambient = {0.5f, 0.6f, 0.7f, 0.8f};
    m.mtl.Specular = {1, 2, 3, 4};
    m.mtl.Emissive = {5, 6, 7, 8};
    m.mtl.Power = 9;
    m.dwTrailing = 0xABCD;
    m.SetTextureID(77);
    m.SetTextureFileName("body.tga");
    const std::vector<BYTE> bytes = WriteRecord(m);
    EXPECT_EQ(0, std::memcmp(bytes.data(), "MTLSDATA", 8));
    DWORD id = 0;
    std::memcpy(&id, bytes.data() + 8, 4);
    EXPECT_EQ(id, 0x11223344u);
    CMaterialData back;
    ASSERT_EQ(ReadRecord(bytes, back), 0);
    EXPECT_EQ(back.dwMtlID, m.dwMtlID);
    EXPECT_EQ(back.dwBlendMode, 1u);
    EXPECT_EQ(0, std::memcmp(&back.mtl, &m.mtl, sizeof(D3DMATERIAL8)));
    EXPECT_EQ(back.GetTextureID(), 77u);
    EXPECT_EQ(back.dwTrailing, 0u); // not part of the record
}

TEST(MaterialRecord, NamesThatDoNotFitTheRecordAreRefused)
{
    CMaterialData m;
    m.SetTextureFileName(std::string(255, 'x').c_str());
    long hr = 0;
    const std::vector<BYTE> longest = WriteRecord(m, &hr);
    ASSERT_EQ(hr, 0);
    CMaterialData back;
    ASSERT_EQ(ReadRecord(longest, back), 0);
    EXPECT_EQ(std::strlen(back.GetTextureFileName()), 255u);

    m.SetTextureFileName(std::string(256, 'x').c_str());
    EXPECT_TRUE(WriteRecord(m, &hr).empty());
    EXPECT_EQ(hr, E_FAIL);
    m.SetTextureFileName("");

    // A stored length beyond the readers' 260-byte buffer does not fit; 260
    // bytes with no zero among them have no terminator.
    std::vector<BYTE> bad = longest;
    for (const DWORD length : {DWORD{264}, DWORD{260}}) {
        std::memcpy(bad.data() + 88, &length, 4);
        bad.resize(92 + 88);
        bad.resize(92 + length, 'y');
        EXPECT_EQ(ReadRecord(bad, back), E_FAIL) << length;
    }
    // A stored name must end with a zero byte.
    CMaterialData four;
    four.SetTextureFileName("abcd");
    bad = WriteRecord(four);
    const DWORD exact = 4;
    std::memcpy(bad.data() + 88, &exact, 4);
    bad.resize(92 + 4);
    EXPECT_EQ(ReadRecord(bad, back), E_FAIL);
    // A short record fails too.
    bad.assign(longest.begin(), longest.begin() + 50);
    EXPECT_EQ(ReadRecord(bad, back), E_FAIL);
}

class MaterialTexture : public ModelDevice {
protected:
    IDirect3DTexture8* MakeTexture()
    {
        IDirect3DTexture8* t = nullptr;
        EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
        return t;
    }
    static ULONG Count(IUnknown* p)
    {
        p->AddRef();
        return p->Release();
    }
};

TEST_F(MaterialTexture, CopiesHoldTheirOwnReference)
{
    IDirect3DTexture8* texture = MakeTexture();
    ASSERT_NE(texture, nullptr);
    {
        CMaterialData a;
        a.SetTexture(texture);
        EXPECT_EQ(Count(texture), 2u);
        CMaterialData b(a);
        EXPECT_EQ(Count(texture), 3u);
        CMaterialData c;
        c = a;
        EXPECT_EQ(Count(texture), 4u);
        c = b; // the same texture: no new reference
        EXPECT_EQ(Count(texture), 4u);
        c = c;
        EXPECT_EQ(Count(texture), 4u);
        b.SetTexture(nullptr);
        EXPECT_EQ(Count(texture), 3u);
        EXPECT_EQ(b.GetTexture(), nullptr);
        std::vector<CMaterialData> many(3, a);
        EXPECT_EQ(Count(texture), 6u);
    }
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(MaterialTexture, BuildLoadsFolderAndNameJoinedAsTheyAre)
{
    const std::string dir = ::testing::TempDir() + "kestu_material_build/";
    std::filesystem::create_directories(dir);
    IDirect3DTexture8* texture = MakeTexture();
    ASSERT_EQ(D3DXSaveTextureToFileA((dir + "skin.png").c_str(), D3DXIFF_PNG, texture, nullptr), D3D_OK);
    texture->Release();

    CMaterialData m;
    EXPECT_EQ(m.Build(device, dir.c_str()), 1); // no name: nothing to load
    EXPECT_EQ(m.IsBuilt(), 0);
    m.SetTextureFileName("skin.png");
    EXPECT_EQ(m.Build(device, dir.c_str()), D3D_OK);
    EXPECT_EQ(m.IsBuilt(), 1);
    EXPECT_NE(m.GetTexture(), nullptr);
    // Without the trailing separator the folder runs into the name.
    const std::string folder = dir.substr(0, dir.size() - 1);
    EXPECT_LT(m.Build(device, folder.c_str()), 0);
    EXPECT_EQ(m.GetTexture(), nullptr);
    EXPECT_EQ(m.IsBuilt(), 0);
    m.SetTextureFileName((dir + "skin.png").c_str());
    EXPECT_EQ(m.Build(device, nullptr), D3D_OK);
    EXPECT_EQ(m.Release(), 0);
    EXPECT_EQ(m.GetTexture(), nullptr);
}

TEST(MaterialSet, IndexesPastTheCountGiveNothing)
{
    CMaterialSet set;
    EXPECT_EQ(set.GetMtl(0), nullptr);
    EXPECT_EQ(set.GetID(0), 0xFFFFFFFFu);
    CMaterialData m;
    m.dwMtlID = 5;
    for (int i = 0; i < 3; ++i) set.AddMtl(&m);
    EXPECT_EQ(set.dwCount, 3u);
    EXPECT_EQ(set.GetCapacity(), 4u);
    ASSERT_NE(set.GetMtl(2), nullptr);
    EXPECT_EQ(set.GetMtl(2)->dwMtlID, 5u);
    EXPECT_EQ(set.GetID(2), 0xFFFFFFFFu);
    EXPECT_EQ(set.GetMtl(3), nullptr);
    EXPECT_EQ(set.GetID(3), 0xFFFFFFFFu);
    set.AddMtl(nullptr);
    set.AddMtl(nullptr);
    EXPECT_EQ(set.GetCapacity(), 8u);
    // A copy owns its materials.
    CMaterialSet copy(set);
    copy.GetMtl(0)->dwMtlID = 9;
    EXPECT_EQ(set.GetMtl(0)->dwMtlID, 5u);
}

TEST(MaterialLib, FilesCopiesUnderTheirIds)
{
    CMaterialLib lib;
    CMaterialData m;
    m.dwMtlID = 3;
    m.dwBlendMode = 1;
    EXPECT_EQ(lib.AddMtl(m), 3u);
    m.dwBlendMode = 2;
    EXPECT_EQ(lib.AddMtl(m), 3u);
    ASSERT_NE(lib.GetMtl(3), nullptr);
    EXPECT_EQ(lib.GetMtl(3)->dwBlendMode, 1u); // the first keeps its place
    EXPECT_EQ(lib.GetMtl(4), nullptr);
    CMaterialSet set;
    set.dwSetID = 8;
    set.AddMtl(&m);
    lib.AddMtlSet(set);
    ASSERT_NE(lib.GetMtlSet(8), nullptr);
    EXPECT_EQ(lib.GetMtlSet(8)->dwCount, 1u);
    lib.Clear();
    EXPECT_EQ(lib.GetMtl(3), nullptr);
}

} // namespace
