// Any bytes read as a PCX picture; a read 24-bit picture is converted to
// XBM, which must be a sound image.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sprites_common.h"
#include "kestu_imageconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = sprites_fuzz::WriteInput("pcx", data, size);
    if (path.empty()) return 0;
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    PcxFile picture;
    if (!picture.Read(name.data())) return 0;
    for (int y = 0; y < picture.GetPicHeight(); y += 7) picture.GetPcxData(picture.GetPicWidth() - 1, y);
    const RECT crops[] = {{-1, -1, -1, -1}, {0, 0, 0, 0}, {1, 1, 70000, 70000}};
    for (RECT crop : crops) {
        XBmpBase* out = nullptr;
        if (ConvertPcxToXbmp(out, crop, &picture, 0xF81F, XCONV_COMPRESS)) {
            if (!XbmCheckImage(out->GetData(), out->GetSize())) std::abort();
            delete out;
        }
    }
    return 0;
}
