// Shared helpers of the log and error-message tests: the global
// configuration is saved and restored around each test.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/entry/GfxGlobals.h"
#include "kestu_log.h"

namespace kestu_test {

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline void SetLog(const std::string& path, int level)
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    std::snprintf(cfg->szLogFile, sizeof cfg->szLogFile, "%s", path.c_str());
    cfg->eLogLevel = level;
}

class LogTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_GfxConfig;
        // Spend the process's first write so it cannot delete the files of a test.
        SetLog("log_warmup.log", 4);
        KestuSaveLog(KESTU_LOG_ERROR, "warm-up\n");
        std::remove("log_warmup.log");
    }
    void TearDown() override { g_GfxConfig = m_saved; }

    CGfxConfig m_saved;
};

} // namespace kestu_test
