#include "kestu_log.h"
#include "core/entry/GfxGlobals.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Cleared by the first message actually written; that write starts a new file.
bool g_bFirstWritePending = true;

constexpr size_t kLogBufferSize = 4096;

} // namespace

void KestuSaveLog(int kind, const char* format, ...)
{
    const KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    const DWORD level = static_cast<DWORD>(cfg->eLogLevel);
    if (level <= 2) return;
    if (level == 3 && kind != KESTU_LOG_ERROR) return;
    if (!format) return;

    const char* path = cfg->szLogFile;
    if (g_bFirstWritePending) {
        g_bFirstWritePending = false;
        DeleteFileA(path);
    }

    // Longer messages are cut at the buffer's end.
    char text[kLogBufferSize];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) text[0] = '\0';

    FILE* f = fopen(path, "a+");
    if (!f) return;
    fwrite(text, 1, std::strlen(text), f);
    fclose(f);
}
