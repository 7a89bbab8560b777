// Shared pieces of the skeleton tests: the sample character made in memory,
// records written to and read from memory files, and the log read back.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../../samples/common/sample_character.h"
#include "model_fixture.h"
#include "support/log_capture.h"

namespace modeltest {

// Writes what fn stores into memory; the bytes.
inline std::vector<BYTE> Store(const std::function<long(COUArchive&, DWORD&)>& fn, long* result = nullptr)
{
    COUMemFile file;
    file.Open(nullptr, OU_FILE_CREATE);
    DWORD count = 0;
    {
        COUArchive ar(&file, OU_ARCHIVE_STORE);
        const long hr = fn(ar, count);
        if (result) *result = hr;
        ar.Close();
    }
    EXPECT_EQ(count, file.GetBuffer().size());
    return file.GetBuffer();
}

// Reads with fn from the bytes; fn's result. consumed: the byte count.
inline long Load(const std::vector<BYTE>& bytes, const std::function<long(COUArchive&, DWORD&)>& fn,
                 DWORD* consumed = nullptr)
{
    COUMemFile file(bytes.data(), bytes.size());
    file.Open(nullptr, OU_FILE_READ);
    COUArchive ar(&file, OU_ARCHIVE_LOAD);
    DWORD count = 0;
    const long hr = fn(ar, count);
    if (consumed) *consumed = count;
    return hr;
}

inline std::vector<BYTE> StoreSkeleton(CSkeleton& s, DWORD mask)
{
    return Store([&](COUArchive& ar, DWORD& n) { return s.Serialize(ar, n, 0, 1, mask); });
}

inline long LoadSkeleton(CSkeleton& s, const std::vector<BYTE>& bytes, DWORD mask)
{
    return Load(bytes, [&](COUArchive& ar, DWORD& n) { return s.Serialize(ar, n, 0, 0, mask); });
}

// The sample character in a skeleton.
inline void MakeCharacter(CSkeleton& s) { samplechar::Build(samplechar::Character(), s); }

// The log of a test: errors and information written to a file of its own.
class SkeletonLogTest : public kestu_test::LogTest {
protected:
    void SetUp() override
    {
        kestu_test::LogTest::SetUp();
        m_path = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".log";
        std::remove(m_path.c_str());
        kestu_test::SetLog(m_path, 4);
        ResetSkinningStatics();
    }
    void TearDown() override
    {
        std::remove(m_path.c_str());
        ResetSkinningStatics();
        kestu_test::LogTest::TearDown();
    }
    std::string Log() const
    {
        const std::string text = kestu_test::ReadFile(m_path);
        return text == "<missing>" ? std::string() : text;
    }
    static size_t Count(const std::string& text, const std::string& part)
    {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    std::string m_path;
};

} // namespace modeltest
