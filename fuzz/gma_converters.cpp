// Any bytes as the source of the attribute-map and LOD converters: they
// refuse it or write files the reader takes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sprites_common.h"
#include "kestu_gmaconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string source = sprites_fuzz::WriteInput("gma", data, size);
    if (source.empty()) return 0;
    const std::string mapped = source + ".map", lod = source + ".lod";
    CGmaFile check;
    CGMAAtrributeMapConverter map;
    if (map.Build(source.c_str(), mapped.c_str()) && map.SaveConvertedFile() == 1 && FAILED(check.Load(mapped.c_str())))
        std::abort();
    CGMALodConverter lodc;
    if (lodc.Build(source.c_str(), lod.c_str()) == GMALOD_OK && lodc.LodConvert() == 1 &&
        lodc.SaveConvertedFile() == 1) {
        if (FAILED(check.Load(lod.c_str())) || check.lod.empty()) std::abort();
    }
    std::remove(mapped.c_str());
    std::remove(lod.c_str());
    return 0;
}
