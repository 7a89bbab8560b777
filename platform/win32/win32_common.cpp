#include "win32/win32_common.h"

#include <cstdlib>

namespace kestu::platform::win32 {

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

std::string HostPath(const char* path)
{
    std::string out = path ? path : "";
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool DebugEchoEnabled()
{
    const char* v = std::getenv("KESTU_DEBUG_OUTPUT");
    return v != nullptr && *v != '\0';
}

} // namespace kestu::platform::win32

extern "C" DWORD GetLastError() { return kestu::platform::win32::t_lastError; }
extern "C" void SetLastError(DWORD error) { kestu::platform::win32::t_lastError = error; }
