#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/replace_checks.h"
#include "index_lib.h"
#include "pack_bytes.h"
#include "support/temp_dir.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// An item type of a derived library, with a record of its own in the extra section.
struct CountedItem : SIdxLibItem {
    static int live;
    DWORD extra = 0;
    std::vector<uint8_t> seen; // bytes handed to OnInitFromFileInMemory
    CountedItem() { ++live; }
    ~CountedItem() override { --live; }
    HRESULT OnInitFromFileInMemory(const void* data, DWORD size) override
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        seen.assign(p, p + size);
        return S_OK;
    }
    HRESULT SerializeTo(COUArchive& ar) override
    {
        ar << static_cast<unsigned long>(extra);
        return S_OK;
    }
    HRESULT UnserializeFrom(COUArchive& ar) override
    {
        unsigned long v = 0;
        ar >> v;
        extra = static_cast<DWORD>(v);
        return S_OK;
    }
};
int CountedItem::live = 0;

class CountingLib : public CIndexLib {
public:
    ~CountingLib() override { CleanUp(); }
    int created = 0;
    int deleted = 0;
    int failAfter = -1; // OnNewItem fails once this many items were made

protected:
    HRESULT OnNewItem(SIdxLibItem*& item) override
    {
        if (failAfter >= 0 && created >= failAfter) return E_OUTOFMEMORY;
        item = new CountedItem;
        ++created;
        return S_OK;
    }
    HRESULT OnDeleteItem(SIdxLibItem*& item) override
    {
        delete static_cast<CountedItem*>(item);
        item = nullptr;
        ++deleted;
        return S_OK;
    }
};

class IndexLibTest : public TempDirTest {
protected:
    // Builds a library of three items with the library's own writer.
    std::string MakeLibrary(const std::string& name = "lib.kidx")
    {
        WriteText("red.bmp", "RED-PIXELS");
        WriteText("mesh.gma", std::string(3000, 'm'));
        WriteText("empty.tga", "");
        CIndexLib lib;
        EXPECT_EQ(lib.Load(Path(name).c_str(), 0, 1, 1, 1), S_OK);
        EXPECT_EQ(lib.Import(Path("red.bmp").c_str(), 100, "tex\\Red.bmp"), S_OK);
        EXPECT_EQ(lib.Import(Path("mesh.gma").c_str(), 7, nullptr), S_OK);
        EXPECT_EQ(lib.Import(Path("empty.tga").c_str()), S_OK);
        EXPECT_EQ(lib.Save(), S_OK);
        return Path(name);
    }
};

TEST_F(IndexLibTest, RoundTripFindsItemsByIdAndNameAndReadsTheirBytes)
{
    const std::string path = MakeLibrary();
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    ASSERT_TRUE(lib.m_bItemTableLoaded);
    ASSERT_EQ(lib.m_dwNumItems, 3u);
    EXPECT_STREQ(lib.m_szLibPathname, path.c_str());

    const DWORD red = lib.GetIndexFormID(100);
    const DWORD mesh = lib.GetIndexFormID(7);
    const DWORD empty = lib.GetIndexFormID(101); // next free id after 100
    ASSERT_LT(red, 3u);
    ASSERT_LT(mesh, 3u);
    ASSERT_LT(empty, 3u);
    EXPECT_GE(lib.GetIndexFormID(8), lib.m_dwNumItems);
    EXPECT_STREQ(lib.m_ppItems[mesh]->szName, "mesh.gma");
    EXPECT_EQ(lib.m_ppItems[red]->dwDataSize, 10u);

    EXPECT_EQ(lib.FindIndexByItemName("TEX/red.BMP"), red); // case and separator do not matter
    EXPECT_EQ(lib.FindIndexByItemName("red.bmp"), 0xFFFFFFFFu);
    EXPECT_EQ(lib.FindIndexByItemName(nullptr), 0xFFFFFFFFu);

    EXPECT_LT(lib.QueryShareBuffer(0xFFFFFFFF, 2), 0);
    ASSERT_EQ(lib.QueryShareBuffer(0x80000, 2), S_OK);
    EXPECT_GE(lib.GetShareBufferSize(), 0x80000u);
    const void* data = lib.QueryItemDataToShareBufferByItem(lib.m_ppItems[red]);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, "RED-PIXELS", 10), 0);
    data = lib.QueryItemDataToShareBufferByItem(lib.m_ppItems[mesh]);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(data), 3000), std::string(3000, 'm'));
    EXPECT_NE(lib.QueryItemDataToShareBufferByItem(lib.m_ppItems[empty]), nullptr);
    SIdxLibItem stranger;
    EXPECT_EQ(lib.QueryItemDataToShareBufferByItem(&stranger), nullptr);
    EXPECT_EQ(lib.QueryItemDataToShareBufferByItem(nullptr), nullptr);
    lib.ReleaseItemDataShareBuffer();
    EXPECT_EQ(lib.GetShareBufferSize(), 0u);

    // Without a reservation the library grows the buffer for the one item.
    data = lib.QueryItemDataToShareBufferByItem(lib.m_ppItems[mesh]);
    ASSERT_NE(data, nullptr);
    EXPECT_GE(lib.GetShareBufferSize(), 3000u);
}

// A run of reads keeps the pack open; a save in the middle of the run makes
// the next read go to the new file.
TEST_F(IndexLibTest, ShareBufferRunReadsTheFileAsSaved)
{
    const std::string path = MakeLibrary();
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    ASSERT_EQ(lib.QueryShareBuffer(0x1000, 2), S_OK);
    const void* data = lib.QueryItemDataToShareBuffer(lib.GetIndexFormID(100));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, "RED-PIXELS", 10), 0);
    ASSERT_EQ(lib.ImportFromMemory("A-MUCH-LONGER-FIRST-ITEM", 24, 1, "first.bin"), S_OK);
    ASSERT_EQ(lib.Save(), S_OK);
    data = lib.QueryItemDataToShareBuffer(lib.GetIndexFormID(100));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, "RED-PIXELS", 10), 0);
    data = lib.QueryItemDataToShareBuffer(lib.GetIndexFormID(1));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, "A-MUCH-LONGER-FIRST-ITEM", 24), 0);
    lib.ReleaseItemDataShareBuffer();
}

TEST_F(IndexLibTest, DeferredTableIsBuiltByReload)
{
    const std::string path = MakeLibrary();
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 0, 0, 1), S_OK);
    EXPECT_FALSE(lib.m_bItemTableLoaded);
    EXPECT_EQ(lib.m_dwNumItems, 0u);
    EXPECT_GE(lib.GetIndexFormID(100), lib.m_dwNumItems);
    ASSERT_EQ(lib.Reload(1), S_OK);
    EXPECT_TRUE(lib.m_bItemTableLoaded);
    EXPECT_LT(lib.GetIndexFormID(100), 3u);
    lib.CleanUp();
    EXPECT_FALSE(lib.m_bItemTableLoaded);
    EXPECT_EQ(lib.m_ppItems, nullptr);
    ASSERT_EQ(lib.Reload(1), S_OK); // the path survives CleanUp
    EXPECT_EQ(lib.m_dwNumItems, 3u);

    // A path written with backslashes opens the same file.
    std::string windowsPath = std::filesystem::relative(path, std::filesystem::current_path()).string();
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    CIndexLib other;
    ASSERT_EQ(other.Load(windowsPath.c_str(), 0, 1, 0, 1), S_OK);
    EXPECT_NE(other.QueryItemDataToShareBuffer(other.GetIndexFormID(7)), nullptr);
}

TEST_F(IndexLibTest, LoadAllDataServesItemsWithoutTheFile)
{
    const std::string path = MakeLibrary();
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 1, 1, 0, 1), S_OK);
    std::filesystem::remove(path);
    const void* data = lib.QueryItemDataToShareBuffer(lib.GetIndexFormID(100));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, "RED-PIXELS", 10), 0);

    CIndexLib lazy;
    ASSERT_EQ(lazy.Load(MakeLibrary("lazy.kidx").c_str(), 0, 1, 0, 1), S_OK);
    std::filesystem::resize_file(Path("lazy.kidx"), 40); // the file shrinks under the library
    EXPECT_EQ(lazy.QueryItemDataToShareBuffer(lazy.GetIndexFormID(7)), nullptr);
}

TEST_F(IndexLibTest, HooksMakeAndDropEveryItem)
{
    const std::string path = MakeLibrary();
    {
        CountingLib lib;
        ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
        EXPECT_EQ(lib.created, 3);
        EXPECT_EQ(CountedItem::live, 3);
        EXPECT_NE(dynamic_cast<CountedItem*>(lib.m_ppItems[0]), nullptr);
        lib.CleanUp();
        EXPECT_EQ(lib.deleted, 3);
        EXPECT_EQ(CountedItem::live, 0);
        ASSERT_EQ(lib.Reload(1), S_OK);
        EXPECT_EQ(CountedItem::live, 3);
    }
    EXPECT_EQ(CountedItem::live, 0);

    CountingLib failing;
    failing.failAfter = 1;
    EXPECT_EQ(failing.Load(path.c_str(), 0, 1, 0, 1), E_OUTOFMEMORY);
    EXPECT_FALSE(failing.m_bItemTableLoaded);
    EXPECT_EQ(failing.m_dwNumItems, 0u);
    EXPECT_EQ(CountedItem::live, 0);

    CountingLib plain; // bUseItemHook 0: base items, no hook calls
    ASSERT_EQ(plain.Load(path.c_str(), 0, 1, 0, 0), S_OK);
    EXPECT_EQ(plain.created, 0);
    EXPECT_EQ(dynamic_cast<CountedItem*>(plain.m_ppItems[0]), nullptr);
}

TEST_F(IndexLibTest, EditingSavingAndExporting)
{
    const std::string path = MakeLibrary();
    CountingLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    ASSERT_EQ(lib.ImportFromMemory("NEW", 3, 100, "tex\\Red.bmp"), S_OK); // replaces id 100
    EXPECT_EQ(static_cast<CountedItem*>(lib.GetItemByID(100))->seen, Bytes("NEW"));
    ASSERT_EQ(lib.ChangeItemName(7, "meshes/renamed.gma"), S_OK);
    ASSERT_EQ(lib.Remove(101), S_OK);
    EXPECT_EQ(lib.Remove(101), E_INVALIDARG);
    EXPECT_EQ(lib.ChangeItemName(7, std::string(300, 'x').c_str()), E_INVALIDARG);
    ASSERT_EQ(lib.ImportFromMemory("../../escape", 12, 50, "..\\..\\evil.txt"), S_OK);
    ASSERT_EQ(lib.Save(), S_OK);

    CIndexLib back;
    ASSERT_EQ(back.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    ASSERT_EQ(back.m_dwNumItems, 3u);
    std::vector<BYTE> bytes;
    ASSERT_EQ(back.ReadItemData(back.GetIndexFormID(100), bytes), S_OK);
    EXPECT_EQ(bytes, Bytes("NEW"));
    EXPECT_EQ(back.FindIndexByItemName("meshes\\renamed.gma"), back.GetIndexFormID(7));

    ASSERT_EQ(back.Export(7, Path("out.gma").c_str()), S_OK);
    EXPECT_EQ(ReadBytes("out.gma"), Bytes(std::string(3000, 'm')));
    EXPECT_LT(back.Export(12345, Path("none").c_str()), 0);
    std::filesystem::create_directories(dir_ / "all" / "deep");
    ASSERT_EQ(back.ExportAll(Path("all/deep").c_str()), S_OK);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "all" / "deep" / "evil.txt")); // kept inside the folder
    EXPECT_FALSE(std::filesystem::exists(dir_ / "evil.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir_ / "all" / "deep" / "renamed.gma"));
    EXPECT_TRUE(std::filesystem::exists(dir_ / "all" / "deep" / "Red.bmp"));
}

TEST_F(IndexLibTest, ExportAllNeverOverwritesOneItemWithAnother)
{
    CIndexLib lib;
    ASSERT_EQ(lib.Load(Path("twins.kidx").c_str(), 0, 1, 1, 1), S_OK);
    ASSERT_EQ(lib.ImportFromMemory("FIRST", 5, 1, "a\\same.txt"), S_OK);
    ASSERT_EQ(lib.ImportFromMemory("SECOND", 6, 2, "b/same.txt"), S_OK);
    ASSERT_EQ(lib.ImportFromMemory("OTHER", 5, 3, "b/other.txt"), S_OK);
    std::filesystem::create_directories(dir_ / "all");
    EXPECT_EQ(lib.ExportAll(Path("all").c_str()), HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadBytes("all/same.txt"), Bytes("FIRST"));
    EXPECT_EQ(ReadBytes("all/other.txt"), Bytes("OTHER"));
}

TEST(IndexLibReplace, SaveReplacesWithoutFollowingLinksAndKeepsTheMode)
{
    replacecheck::Scratch scratch("index_lib_save");
    const std::string path = scratch.Path("items.kidx");
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 1, 1), S_OK);
    ASSERT_EQ(lib.ImportFromMemory("ONE", 3, 1, "one.txt"), S_OK);
    ASSERT_EQ(lib.Save(), S_OK);
    ::chmod(path.c_str(), 0600);
    const replacecheck::PlantedLinks links(scratch, "items.kidx");
    ASSERT_EQ(lib.ImportFromMemory("TWO", 3, 2, "two.txt"), S_OK);
    ASSERT_EQ(lib.Save(), S_OK);
    links.ExpectReplaced(scratch, "items.kidx", 0600);
    CIndexLib back;
    ASSERT_EQ(back.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    EXPECT_EQ(back.GetNumItems(), 2u);
}

TEST_F(IndexLibTest, WildcardSearchWalksEveryMatch)
{
    const std::string path = MakeLibrary();
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    std::vector<std::string> found;
    for (DWORD i = lib.FindFistIndexByItemNameEx("*.??a"); i != 0xFFFFFFFFu; i = lib.FindNextIndexByItemNameEx())
        found.push_back(lib.m_ppItems[i]->szName);
    EXPECT_EQ(found, (std::vector<std::string>{"mesh.gma", "empty.tga"}));
    EXPECT_EQ(lib.FindFistIndexByItemNameEx("TEX/*"), lib.GetIndexFormID(100));
    EXPECT_EQ(lib.FindNextIndexByItemNameEx(), 0xFFFFFFFFu);
    EXPECT_EQ(lib.FindFistIndexByItemNameEx("*.png"), 0xFFFFFFFFu);
}

TEST_F(IndexLibTest, StreamLibraryCarriesItemRecords)
{
    const std::string path = MakeLibrary();
    {
        CountingLib lib;
        ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
        for (DWORD i = 0; i < lib.m_dwNumItems; ++i)
            static_cast<CountedItem*>(lib.m_ppItems[i])->extra = 1000 + lib.m_ppItems[i]->dwID;
        ASSERT_EQ(lib.SaveAsStreamLib(Path("stream.kidx").c_str()), S_OK);
        EXPECT_STREQ(lib.m_szLibPathname, Path("stream.kidx").c_str());
    }
    CountingLib back;
    ASSERT_EQ(back.Load(Path("stream.kidx").c_str(), 0, 1, 0, 1), S_OK);
    for (DWORD i = 0; i < back.m_dwNumItems; ++i)
        EXPECT_EQ(static_cast<CountedItem*>(back.m_ppItems[i])->extra, 1000 + back.m_ppItems[i]->dwID);

    // A section too short for the records fails the load instead of inventing values.
    auto bytes = ReadBytes("stream.kidx");
    const uint32_t extraSize = bytes[24] | (bytes[25] << 8);
    bytes[24] = uint8_t(extraSize - 1);
    WriteBytes("short.kidx", bytes);
    CountingLib damaged;
    EXPECT_EQ(damaged.Load(Path("short.kidx").c_str(), 0, 1, 0, 1), IDXLIB_E_CORRUPT);
    EXPECT_EQ(damaged.m_dwNumItems, 0u);
    EXPECT_EQ(CountedItem::live, 3); // only the items of back are alive
}

TEST_F(IndexLibTest, CopyTakesThePathButNotTheItems)
{
    const std::string path = MakeLibrary();
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    CIndexLib copy(lib);
    EXPECT_FALSE(copy.m_bItemTableLoaded);
    EXPECT_STREQ(copy.m_szLibPathname, path.c_str());
    ASSERT_EQ(copy.Reload(1), S_OK);
    EXPECT_NE(copy.m_ppItems[0], lib.m_ppItems[0]);
    CIndexLib assigned;
    assigned = copy;
    EXPECT_EQ(assigned.Reload(1), S_OK);
    EXPECT_EQ(assigned.m_dwNumItems, 3u);
}

struct CorruptCase {
    const char* what;
    std::vector<uint8_t> bytes;
    HRESULT expected;
};

std::vector<CorruptCase> CorruptCases()
{
    std::vector<CorruptCase> cases;
    const std::vector<uint8_t> good = GoodPack().Bytes();
    cases.push_back({"empty file", {}, IDXLIB_E_TRUNCATED});
    cases.push_back({"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 20), IDXLIB_E_TRUNCATED});
    RawPack p = GoodPack();
    p.magic[0] = 'X';
    cases.push_back({"bad magic", p.Bytes(), IDXLIB_E_BAD_MAGIC});
    p = GoodPack();
    p.version = 2;
    cases.push_back({"bad version", p.Bytes(), IDXLIB_E_BAD_VERSION});
    p = GoodPack();
    p.tableOffset = 0xFFFFFFF0;
    cases.push_back({"table beyond the file", p.Bytes(), IDXLIB_E_TRUNCATED});
    p = GoodPack();
    p.tableOffset = 8;
    cases.push_back({"table inside the header", p.Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.count = 0xFFFFFFFF;
    cases.push_back({"huge count", p.Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.count = 3;
    cases.push_back({"count larger than the table", p.Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.count = 1;
    cases.push_back({"table longer than its entries", p.Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[1].size = 600;
    cases.push_back({"size past the end", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[0].offset = 0xFFFFFFF0;
    p.entries[0].size = 0x20;
    cases.push_back({"offset plus size wraps", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[0].offset = 4;
    cases.push_back({"offset inside the header", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[0].raw = true;
    cases.push_back({"name without terminator", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[0].name = std::string("a\0b", 3);
    cases.push_back({"name with an inner zero", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[0].name = "";
    p.entries[0].raw = true;
    cases.push_back({"empty name field", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[0].name = std::string(300, 'n');
    cases.push_back({"name too long", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[1].id = 5;
    cases.push_back({"duplicate id", p.Fix().Bytes(), IDXLIB_E_DUPLICATE_ID});
    p = GoodPack();
    p.entries[1].id = 0xFFFFFFFF;
    cases.push_back({"reserved id", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[1].offset = 35;
    p.entries[1].size = 7;
    cases.push_back({"items sharing a byte", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.entries[0].offset = 36;
    p.entries[0].size = 2;
    cases.push_back({"an item inside another", p.Fix().Bytes(), IDXLIB_E_CORRUPT});
    p = GoodPack();
    p.extraOffset = 40;
    p.extraSize = 0x7FFFFFFF;
    cases.push_back({"extra section past the end", p.Bytes(), IDXLIB_E_TRUNCATED});
    p = GoodPack();
    p.extraSize = 4;
    cases.push_back({"extra size without a section", p.Bytes(), IDXLIB_E_CORRUPT});
    return cases;
}

TEST_F(IndexLibTest, DamagedFilesFailWithACodeAndLeaveTheLibraryReusable)
{
    WriteBytes("good.kidx", GoodPack().Bytes());
    CIndexLib check;
    ASSERT_EQ(check.Load(Path("good.kidx").c_str(), 0, 1, 0, 1), S_OK);
    ASSERT_EQ(check.m_dwNumItems, 2u);
    EXPECT_EQ(check.FindIndexByItemName("dir/b.gma"), check.GetIndexFormID(9));

    for (const CorruptCase& c : CorruptCases()) {
        WriteBytes("bad.kidx", c.bytes);
        CountingLib lib;
        EXPECT_EQ(lib.Load(Path("bad.kidx").c_str(), 0, 1, 0, 1), c.expected) << c.what;
        EXPECT_FALSE(lib.m_bItemTableLoaded) << c.what;
        EXPECT_EQ(lib.m_dwNumItems, 0u) << c.what;
        EXPECT_EQ(lib.m_ppItems, nullptr) << c.what;
        EXPECT_EQ(CountedItem::live, 0) << c.what;
        EXPECT_EQ(lib.created, lib.deleted) << c.what;
        ASSERT_EQ(lib.Load(Path("good.kidx").c_str(), 0, 1, 0, 1), S_OK) << c.what;
        EXPECT_EQ(lib.m_dwNumItems, 2u);
    }
    CIndexLib lib;
    EXPECT_EQ(lib.Load(Path("missing.kidx").c_str(), 0, 1, 0, 1), IDXLIB_E_CANNOT_OPEN);
    EXPECT_EQ(lib.Load(nullptr, 0, 1, 0, 1), E_INVALIDARG);
    EXPECT_EQ(lib.Load(dir_.string().c_str(), 0, 1, 0, 1), IDXLIB_E_CANNOT_OPEN);
}

TEST_F(IndexLibTest, ItemsSharingBytesAreRefusedBeforeAnyIsRead)
{
    // 3,000 items over the same 64 KB: a load of all data would hold 192 MB.
    RawPack shared;
    shared.data.assign(0x10000, 'S');
    for (uint32_t i = 0; i < 3000; ++i)
        shared.entries.push_back({i + 1, 32 + (i % 2), 0x10000 - 1, "s" + std::to_string(i) + ".bmp"});
    WriteBytes("shared.kidx", shared.Fix().Bytes());
    for (int all : {1, 0}) {
        CountingLib lib;
        EXPECT_EQ(lib.Load(Path("shared.kidx").c_str(), all, 1, 0, 1), IDXLIB_E_CORRUPT) << all;
        EXPECT_EQ(lib.m_dwNumItems, 0u);
        EXPECT_EQ(lib.created, 0) << "refused before any item was made";
    }

    // Touching ranges and empty items anywhere are no overlap.
    RawPack edge;
    edge.data = {'a', 'b', 'c', 'd', 'e'};
    edge.entries = {{1, 34, 3, "cde"}, {2, 32, 2, "ab"}, {3, 33, 0, "none"}, {4, 32, 0, "nil"}, {5, 37, 0, "end"}};
    WriteBytes("edge.kidx", edge.Fix().Bytes());
    CIndexLib lib;
    ASSERT_EQ(lib.Load(Path("edge.kidx").c_str(), 1, 1, 0, 1), S_OK);
    ASSERT_EQ(lib.m_dwNumItems, 5u);
    std::vector<BYTE> bytes;
    ASSERT_EQ(lib.ReadItemData(lib.GetIndexFormID(1), bytes), S_OK);
    EXPECT_EQ(bytes, Bytes("cde"));
    ASSERT_EQ(lib.ReadItemData(lib.GetIndexFormID(2), bytes), S_OK);
    EXPECT_EQ(bytes, Bytes("ab"));
}

TEST_F(IndexLibTest, ALargeTableLoadsWholeAndInOrder)
{
    constexpr uint32_t kItems = 80000;
    RawPack big;
    for (uint32_t i = 0; i < kItems; ++i) {
        const uint32_t id = (i * 7919u) % kItems + 10; // ids in a scrambled order
        big.data.push_back(uint8_t(i));
        big.entries.push_back({id, 32 + i, 1, "dir\\item" + std::to_string(i) + ".tga"});
    }
    WriteBytes("big.kidx", big.Fix().Bytes());
    CountingLib lib;
    ASSERT_EQ(lib.Load(Path("big.kidx").c_str(), 0, 1, 0, 1), S_OK);
    ASSERT_EQ(lib.m_dwNumItems, kItems);
    EXPECT_EQ(lib.created, int(kItems));
    for (uint32_t i : {0u, 1u, 40000u, kItems - 1}) {
        const DWORD index = lib.GetIndexFormID(big.entries[i].id);
        ASSERT_EQ(index, i);
        EXPECT_EQ(lib.m_ppItems[i]->dwID, big.entries[i].id);
        EXPECT_STREQ(lib.m_ppItems[i]->szName, big.entries[i].name.c_str());
        const auto* data = static_cast<const uint8_t*>(lib.QueryItemDataToShareBufferByItem(lib.m_ppItems[i]));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data[0], uint8_t(i));
    }
    EXPECT_EQ(lib.GetIndexFormID(kItems + 10), IDXLIB_NONE);
}

TEST_F(IndexLibTest, EveryTruncationOfAGoodFileFails)
{
    {
        CountingLib lib;
        ASSERT_EQ(lib.Load(Path("small.kidx").c_str(), 0, 1, 1, 1), S_OK);
        ASSERT_EQ(lib.ImportFromMemory("ab", 2, 1, "x.bmp"), S_OK);
        ASSERT_EQ(lib.ImportFromMemory("cde", 3, 2, "y\\z.gma"), S_OK);
        ASSERT_EQ(lib.SaveAsStreamLib(Path("small.kidx").c_str()), S_OK);
    }
    const auto bytes = ReadBytes("small.kidx");
    for (size_t n = 0; n < bytes.size(); ++n) {
        WriteBytes("cut.kidx", std::vector<uint8_t>(bytes.begin(), bytes.begin() + n));
        CountingLib lib;
        EXPECT_LT(lib.Load(Path("cut.kidx").c_str(), 0, 1, 0, 1), 0) << n;
        EXPECT_EQ(lib.m_dwNumItems, 0u);
    }
    CountingLib whole;
    EXPECT_EQ(whole.Load(Path("small.kidx").c_str(), 0, 1, 0, 1), S_OK);
}

// The id an import without one takes, as the library has always found it:
// one above the largest id it holds.
DWORD ScannedNextId(const CIndexLib& lib)
{
    DWORD next = 0;
    for (DWORD i = 0; i < lib.GetNumItems(); ++i)
        if (lib.GetItem(i) && lib.GetItem(i)->dwID >= next) next = lib.GetItem(i)->dwID + 1;
    return next;
}

TEST_F(IndexLibTest, ImportsWithoutIdsTakeOneAboveTheLargestThroughEveryEdit)
{
    const std::string path = MakeLibrary(); // ids 100, 7, 101
    CIndexLib lib;
    ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
    unsigned seed = 12345;
    auto next = [&](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    std::vector<DWORD> given, scanned;
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        const unsigned what = lib.GetNumItems() ? next(100) : 0;
        const std::string name = "item" + std::to_string(step);
        if (what < 70) {
            const DWORD expected = ScannedNextId(lib);
            ASSERT_EQ(lib.ImportFromMemory("x", 1, IDXLIB_NONE, name.c_str()), S_OK);
            given.push_back(lib.GetItem(lib.GetNumItems() - 1)->dwID);
            scanned.push_back(expected);
        } else if (what < 80) {
            // An explicit id: new, possibly far above the rest, or replacing one.
            const DWORD id = next(2) ? next(5000) : lib.GetItem(next(lib.GetNumItems()))->dwID;
            ASSERT_EQ(lib.ImportFromMemory("y", 1, id, name.c_str()), S_OK);
        } else if (what < 95) {
            // Removing the largest id lowers the next one; a gap lower down is not reused.
            const DWORD index = next(3) == 0 ? lib.GetIndexFormID(ScannedNextId(lib) - 1) : next(lib.GetNumItems());
            ASSERT_EQ(lib.RemoveByIndex(index), S_OK);
        } else if (what < 98) {
            ASSERT_EQ(lib.Save(), S_OK);
            ASSERT_EQ(lib.Load(path.c_str(), 0, 1, 0, 1), S_OK);
        } else {
            ASSERT_EQ(lib.RemoveAll(), S_OK);
        }
    }
    EXPECT_EQ(given, scanned);
    EXPECT_GT(given.size(), 1500u);

    // A copy and a library loaded afresh continue from the file's largest id.
    ASSERT_EQ(lib.Save(), S_OK);
    CIndexLib copy(lib);
    ASSERT_EQ(copy.Reload(1), S_OK);
    const DWORD expected = ScannedNextId(copy);
    ASSERT_EQ(copy.ImportFromMemory("z", 1, IDXLIB_NONE, "copy"), S_OK);
    EXPECT_EQ(copy.GetItem(copy.GetNumItems() - 1)->dwID, expected);
}

TEST_F(IndexLibTest, ImportWithoutIdFailsOnceTheLargestIdIsTaken)
{
    CIndexLib lib;
    ASSERT_EQ(lib.ImportFromMemory("a", 1, 0xFFFFFFFE, "last"), S_OK);
    EXPECT_EQ(lib.ImportFromMemory("b", 1, IDXLIB_NONE, "none"), E_FAIL);
    EXPECT_EQ(lib.GetNumItems(), 1u);
    // Removing it frees the ids again, from 0 on.
    ASSERT_EQ(lib.Remove(0xFFFFFFFE), S_OK);
    ASSERT_EQ(lib.ImportFromMemory("c", 1, IDXLIB_NONE, "first"), S_OK);
    EXPECT_EQ(lib.GetItem(0)->dwID, 0u);
}

} // namespace
