#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ou_archive.h"
#include "ou_file.h"
#include "support/temp_dir.h"

namespace {

class ArchiveTest : public TempDirTest {};

// Every fixed-width type, stored and loaded back, with the exact bytes it must produce.
TEST_F(ArchiveTest, EveryFixedWidthTypeRoundTripsByteExact)
{
    const std::vector<uint8_t> expected = {
        0x01,                                           // bool true
        0x41,                                           // char 'A'
        0xFE,                                           // signed char -2
        0xC8,                                           // unsigned char 200
        0xFE, 0xFF,                                     // short -2
        0x34, 0x12,                                     // unsigned short 0x1234
        0xAC, 0x20,                                     // char16_t U+20AC
        0xFF, 0xFF, 0xFF, 0x7F,                         // int INT_MAX
        0x78, 0x56, 0x34, 0x12,                         // unsigned int 0x12345678
        0xFE, 0xFF, 0xFF, 0xFF,                         // long -2, four bytes
        0xEF, 0xBE, 0xAD, 0xDE,                         // unsigned long 0xDEADBEEF, four bytes
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81, // long long
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // unsigned long long max
        0x00, 0x00, 0x80, 0x3F,                         // float 1.0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0, // double -2.5
    };
    const long long ll = static_cast<long long>(0x8102030405060708ull);
    {
        COUFile file;
        ASSERT_EQ(file.Open(Path("types.bin").c_str(), OU_FILE_CREATE), S_OK);
        COUArchive ar(&file, OU_ARCHIVE_STORE, 0x1000, nullptr);
        ar << true << 'A' << static_cast<signed char>(-2) << static_cast<unsigned char>(200) << static_cast<short>(-2)
           << static_cast<unsigned short>(0x1234) << u'\u20AC' << 0x7FFFFFFF << 0x12345678u << -2L << 0xDEADBEEFul << ll
           << ~0ull << 1.0f << -2.5;
        EXPECT_EQ(ar.Close(), S_OK);
        EXPECT_EQ(file.Close(), S_OK);
    }
    EXPECT_EQ(ReadBytes("types.bin"), expected);

    COUFile file;
    ASSERT_EQ(file.Open(Path("types.bin").c_str(), OU_FILE_READ), S_OK);
    COUArchive ar(&file, OU_ARCHIVE_LOAD, 0x1000, nullptr);
    bool b = false;
    char c = 0;
    signed char sc = 0;
    unsigned char uc = 0;
    short s = 0;
    unsigned short us = 0;
    char16_t w = 0;
    int i = 0;
    unsigned int ui = 0;
    long l = 0;
    unsigned long ul = 0;
    long long rll = 0;
    unsigned long long ull = 0;
    float f = 0;
    double d = 0;
    ar >> b >> c >> sc >> uc >> s >> us >> w >> i >> ui >> l >> ul >> rll >> ull >> f >> d;
    EXPECT_TRUE(b);
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(sc, -2);
    EXPECT_EQ(uc, 200);
    EXPECT_EQ(s, -2);
    EXPECT_EQ(us, 0x1234);
    EXPECT_EQ(w, u'\u20AC');
    EXPECT_EQ(i, 0x7FFFFFFF);
    EXPECT_EQ(ui, 0x12345678u);
    EXPECT_EQ(l, -2L);
    EXPECT_EQ(ul, 0xDEADBEEFul);
    EXPECT_EQ(rll, ll);
    EXPECT_EQ(ull, ~0ull);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(d, -2.5);
    EXPECT_FALSE(ar.IsFailed());
}

TEST_F(ArchiveTest, BlocksCrossingTheBufferKeepTheirOrder)
{
    std::vector<uint8_t> big(1000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + 3);
    uint8_t smallBuffer[16];
    {
        COUFile file;
        ASSERT_EQ(file.Open(Path("blocks.bin").c_str(), OU_FILE_CREATE), S_OK);
        COUArchive ar(&file, OU_ARCHIVE_STORE, sizeof(smallBuffer), smallBuffer);
        for (size_t at = 0; at < big.size(); at += 13) // odd pieces straddle the 16-byte buffer
            ar.Write(big.data() + at, static_cast<DWORD>(std::min<size_t>(13, big.size() - at)));
        ar.Write(big.data(), 100); // larger than the buffer: goes straight through
        ASSERT_EQ(ar.Close(), S_OK);
    }
    std::vector<uint8_t> want = big;
    want.insert(want.end(), big.begin(), big.begin() + 100);
    EXPECT_EQ(ReadBytes("blocks.bin"), want);

    COUFile file;
    ASSERT_EQ(file.Open(Path("blocks.bin").c_str(), OU_FILE_READ), S_OK);
    COUArchive ar(&file, OU_ARCHIVE_LOAD, sizeof(smallBuffer), smallBuffer);
    std::vector<uint8_t> got(want.size());
    size_t at = 0;
    for (DWORD piece : {5u, 40u, 3u, 600u, 1u}) at += ar.Read(got.data() + at, piece);
    at += ar.Read(got.data() + at, static_cast<DWORD>(got.size() - at));
    EXPECT_EQ(at, want.size());
    EXPECT_EQ(got, want);
}

TEST_F(ArchiveTest, ReadingPastTheEndThrowsAndZeroFills)
{
    const uint8_t bytes[] = {1, 0, 0, 0, 0xAA, 0xBB};
    COUMemFile file(bytes, sizeof(bytes));
    COUArchive ar(&file, OU_ARCHIVE_LOAD, 0x1000, nullptr);
    unsigned long first = 0, second = 0x55555555;
    ar >> first;
    EXPECT_EQ(first, 1ul);
    try {
        ar >> second;
        FAIL() << "no throw";
    } catch (HRESULT hr) {
        EXPECT_EQ(hr, OU_E_ARCHIVE_EOF);
    }
    EXPECT_EQ(second, 0x55555555ul); // a value whose bytes ran out is left untouched
    EXPECT_TRUE(ar.IsFailed());

    COUMemFile again(bytes, sizeof(bytes));
    COUArchive quiet(&again, OU_ARCHIVE_LOAD, 0x1000, nullptr);
    quiet.SetThrowOnEof(0);
    uint8_t out[8];
    std::memset(out, 0x77, sizeof(out));
    EXPECT_EQ(quiet.Read(out, 8), 6u);
    EXPECT_EQ(std::memcmp(out, bytes, 6), 0);
    EXPECT_EQ(out[6], 0);
    EXPECT_EQ(out[7], 0);
    EXPECT_TRUE(quiet.IsFailed());
}

TEST_F(ArchiveTest, FailedOrAbandonedWritesLeaveTheOldFile)
{
    WriteText("keep.bin", "good");
    {
        COUFile file;
        ASSERT_EQ(file.Open(Path("keep.bin").c_str(), OU_FILE_CREATE), S_OK);
        file.Write("partial", 7);
        file.Abort();
    }
    const auto bytes = ReadBytes("keep.bin");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "good");
    // Nothing but the file itself is left in the folder.
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        entries += e.path().filename() == "keep.bin" ? 0 : 1;
    EXPECT_EQ(entries, 0u);

    COUFile missing;
    EXPECT_LT(missing.Open(Path("no/such/dir/x.bin").c_str(), OU_FILE_CREATE), 0);
    EXPECT_LT(missing.Open(Path("absent.bin").c_str(), OU_FILE_READ), 0);
    EXPECT_LT(missing.Open(dir_.string().c_str(), OU_FILE_READ), 0); // a folder is not a file
    EXPECT_EQ(missing.Open(Path("keep.bin").c_str(), 7), E_INVALIDARG);
}

TEST_F(ArchiveTest, BackslashPathsOpenTheSameFile)
{
    std::filesystem::create_directories(dir_ / "sub");
    const std::string rel = std::filesystem::relative(dir_, std::filesystem::current_path()).string();
    const std::string windowsPath = rel + "\\sub\\v.bin";
    {
        COUFile file;
        ASSERT_EQ(file.Open(windowsPath.c_str(), OU_FILE_CREATE), S_OK);
        COUArchive ar(&file, OU_ARCHIVE_STORE);
        ar << 42u;
    } // the archive flushes and the file commits on destruction
    EXPECT_EQ(ReadBytes("sub/v.bin"), (std::vector<uint8_t>{42, 0, 0, 0}));
    COUFile file;
    ASSERT_EQ(file.Open(windowsPath.c_str(), OU_FILE_READ), S_OK);
    EXPECT_EQ(file.GetLength(), 4u);
}

TEST_F(ArchiveTest, ClosingALoadingArchiveLeavesTheFileAfterWhatWasRead)
{
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    COUMemFile file(bytes, sizeof(bytes));
    {
        COUArchive ar(&file, OU_ARCHIVE_LOAD);
        unsigned short v = 0;
        ar >> v;
        EXPECT_EQ(v, 0x0201);
    }
    EXPECT_EQ(file.GetPosition(), 2u);
    uint8_t next = 0;
    EXPECT_EQ(file.Read(&next, 1), 1u);
    EXPECT_EQ(next, 3);
}

} // namespace
