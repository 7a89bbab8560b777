// The 565 mixed-alpha paint leaves one trace line in the engine log per call.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "support/log_capture.h"
#include "kernels/TestSprite.h"

namespace {

using namespace kestu_test;

class MixedAlphaLog : public LogTest {};

TEST_F(MixedAlphaLog, OneTraceLinePer565Call)
{
    const std::string path = "mixalpha_trace.log";
    std::remove(path.c_str());
    SetLog(path, 4);

    Sprite s = MakeSprite(2, {{0, 2}}, {0x1234, 0x5678});
    s.alpha = {0, 0};
    SetCompressedAlpha(s, {{2}});
    std::vector<uint16_t> table(256, 0);
    uint16_t d[2] = {0, 0};
    BltRleMixAlpha565(d, s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), 0, 4, 1, 4, 2, 0, table.data());
    BltRleMixAlpha565(d, s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), 0, 4, 1, 4, 2, 0, table.data());
    BltRleMixAlpha555(d, s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), 0, 4, 1, 4, 2, 0, table.data());
    const std::string line = "code pass .\\2DCore\\c_bltfunc_mixalpha.cpp, 89\n";
    EXPECT_EQ(ReadFile(path), line + line);

    // An error-only log level still records it: the trace is written as an error line.
    std::remove(path.c_str());
    SetLog(path, 3);
    BltRleMixAlpha565(d, s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), 0, 4, 1, 4, 2, 0, table.data());
    EXPECT_EQ(ReadFile(path), line);
    std::remove(path.c_str());
}

} // namespace
