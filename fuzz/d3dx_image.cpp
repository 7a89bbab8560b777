// Any bytes through the image readers. The first byte picks the reader (0:
// by signature, as the loaders do); the rest is the file. A decoded image is
// written back and read again.
#include <cstddef>
#include <cstdint>

#include "d3dx8/image_codec.h"

using namespace kestu::d3dx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const uint8_t pick = data[0] % 8;
    const uint8_t* file = data + 1;
    const size_t n = size - 1;
    for (bool infoOnly : {true, false}) {
        ImageFile out;
        HRESULT hr;
        switch (pick) {
        case 1: hr = DecodeBmp(file, n, infoOnly, true, out); break;
        case 2: hr = DecodeBmp(file, n, infoOnly, false, out); break;
        case 3: hr = DecodeTga(file, n, infoOnly, out); break;
        case 4: hr = DecodePng(file, n, infoOnly, out); break;
        case 5: hr = DecodeJpeg(file, n, infoOnly, out); break;
        case 6: hr = DecodePpm(file, n, infoOnly, out); break;
        case 7: hr = DecodeDds(file, n, infoOnly, out); break;
        default: hr = DecodeImageFile(file, n, infoOnly, out); break;
        }
        if (FAILED(hr)) {
            if (!out.images.empty() && !infoOnly) __builtin_trap();
            continue;
        }
        if (infoOnly || out.images.empty()) continue;
        for (const Image& img : out.images)
            if (img.argb.size() != (size_t)img.width * img.height) __builtin_trap();
        const Image& img = out.images[0];
        std::vector<uint8_t> again;
        if (EncodeBmp(img, true, again) != S_OK) __builtin_trap();
        ImageFile back;
        if (DecodeImageFile(again.data(), again.size(), false, back) != S_OK || back.images[0].argb != img.argb)
            __builtin_trap();
    }
    return 0;
}
