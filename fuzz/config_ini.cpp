// Loads arbitrary bytes as an INI file into the configuration record.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "kestu_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = "fuzz_config_ini.tmp";
    FILE* f = std::fopen(path, "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    for (const char* section : {"engine", "s", ""}) {
        KESTU_CONFIG cfg;
        cfg.LoadFromIni(path, section);
        if (std::memchr(cfg.szWindowTitle, 0, sizeof cfg.szWindowTitle) == nullptr) __builtin_trap();
    }
    std::remove(path);
    return 0;
}
