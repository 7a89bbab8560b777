// Debug output: captured for the host, echoed to stderr on request.
#include <cstdio>
#include <mutex>

#include "host/host_win32.h"
#include "win32/win32_common.h"

namespace {

struct DebugState {
    std::mutex mutex;
    std::vector<std::string> lines;
};

DebugState& Debug()
{
    static DebugState state;
    return state;
}

} // namespace

extern "C" void OutputDebugStringA(LPCSTR text)
{
    if (text == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(Debug().mutex);
        Debug().lines.emplace_back(text);
    }
    if (kestu::platform::win32::DebugEchoEnabled()) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
}

namespace host {

std::vector<std::string> GetDebugOutput()
{
    std::lock_guard<std::mutex> lock(Debug().mutex);
    return Debug().lines;
}

std::string GetDebugOutputText()
{
    std::lock_guard<std::mutex> lock(Debug().mutex);
    std::string all;
    for (const std::string& s : Debug().lines) all += s;
    return all;
}

void ClearDebugOutput()
{
    std::lock_guard<std::mutex> lock(Debug().mutex);
    Debug().lines.clear();
}

} // namespace host

namespace kestu::platform::win32 {
void ResetDebugOutput() { host::ClearDebugOutput(); }
} // namespace kestu::platform::win32
