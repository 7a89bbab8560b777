// The 565 mixed-alpha paint leaves one trace line in the engine log per call.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "kernels/TestSprite.h"

namespace {
std::vector<std::pair<int, std::string>> g_logLines;
}

// Stands in for the engine log inside this test program.
void KestuSaveLog(int kind, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_logLines.emplace_back(kind, text);
}

namespace {

using namespace kestu_test;

TEST(MixedAlphaLog, OneTraceLinePer565Call)
{
    Sprite s = MakeSprite(2, {{0, 2}}, {0x1234, 0x5678});
    s.alpha = {0, 0};
    SetCompressedAlpha(s, {{2}});
    std::vector<uint16_t> table(256, 0);
    uint16_t d[2] = {0, 0};
    g_logLines.clear();
    BltRleMixAlpha565(d, s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), 0, 4, 1, 4, 2, 0, table.data());
    BltRleMixAlpha565(d, s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), 0, 4, 1, 4, 2, 0, table.data());
    BltRleMixAlpha555(d, s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), 0, 4, 1, 4, 2, 0, table.data());
    ASSERT_EQ(g_logLines.size(), 2u);
    EXPECT_EQ(g_logLines[0].first, 0);
    EXPECT_EQ(g_logLines[0].second, "code pass .\\2DCore\\c_bltfunc_mixalpha.cpp, 89\n");
}

}  // namespace
