// Any bytes read as an INI file through GetPrivateProfileStringA, in every
// form (value, key list, section list) and with buffers of several sizes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "windows.h"

namespace {

const std::string& TempPath()
{
    static const std::string path = [] {
        char name[] = "/tmp/kestu_fuzz_ini_XXXXXX";
        int fd = ::mkstemp(name);
        if (fd >= 0) ::close(fd);
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = TempPath();
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);

    // Section and key names taken from the input so that lookups can hit.
    std::string section, key;
    for (size_t i = 0; i < size && i < 16; ++i) (i % 2 ? key : section) += static_cast<char>(data[i] | 0x20);
    const char* sections[] = {nullptr, "", "Section", section.c_str()};
    const char* keys[] = {nullptr, "", "key", key.c_str()};
    for (DWORD bufferSize : {0u, 1u, 2u, 3u, 7u, 64u, 4096u}) {
        std::vector<char> buffer(bufferSize + 1, '#');
        for (const char* s : sections)
            for (const char* k : keys) {
                DWORD n = GetPrivateProfileStringA(s, k, "default  ", buffer.data(), bufferSize, path.c_str());
                if (bufferSize > 0 && n >= bufferSize) __builtin_trap();
                if (buffer[bufferSize] != '#') __builtin_trap(); // never past the buffer
            }
    }
    GetPrivateProfileIntA("Section", "key", 7, path.c_str());
    return 0;
}
