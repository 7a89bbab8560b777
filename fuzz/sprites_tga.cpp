// Any bytes read as a TGA picture; a read picture is converted to XBM,
// which must be a sound image.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sprites_common.h"
#include "kestu_imageconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = sprites_fuzz::WriteInput("tga", data, size);
    if (path.empty()) return 0;
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    TgaFile picture;
    if (!picture.Read(name.data())) return 0;
    const unsigned long flagSets[] = {XCONV_ALPHA | XCONV_COMPRESS | XCONV_COMPRESS_ALPHA, XCONV_ALPHA, XCONV_555};
    for (unsigned long flags : flagSets) {
        RECT crop{-1, -1, -1, 0};
        XBmpBase* out = nullptr;
        if (ConvertTgaToXbmp(out, crop, &picture, 0xF81F, flags)) {
            if (!XbmCheckImage(out->GetData(), out->GetSize())) std::abort();
            delete out;
        }
    }
    return 0;
}
