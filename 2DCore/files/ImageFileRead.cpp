#include "2DCore/files/ImageFileRead.h"

#include <windows.h>

#include "ou_strings.h"

namespace kestu::imagefile {

long FileSize(FILE* f)
{
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(f);
    if (std::fseek(f, 0, SEEK_SET) != 0) return -1;
    return size;
}

bool ReadHeaderBytes(const char* path, uint8_t* out, size_t size)
{
    if (path == nullptr) return false;
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    const bool ok = std::fread(out, 1, size, f) == size;
    std::fclose(f);
    return ok;
}

FILE* OpenWithHeader(const char* path, uint8_t* out, size_t size, long& fileSize)
{
    FILE* f = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (f == nullptr) {
        MessageBoxA(nullptr, "Not find this File!", "Error", MB_OK);
        return nullptr;
    }
    fileSize = FileSize(f);
    if (fileSize < long(size) || std::fread(out, 1, size, f) != size) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}

bool DecodePcxRuns(FILE* f, uint8_t* out, size_t size)
{
    size_t at = 0;
    while (at < size) {
        const int c = std::fgetc(f);
        if (c == EOF) return false;
        if ((c & 0xC0) == 0xC0) {
            const int v = std::fgetc(f);
            if (v == EOF) return false;
            for (int n = c & 0x3F; n > 0 && at < size; --n) out[at++] = uint8_t(v);
        } else {
            out[at++] = uint8_t(c);
        }
    }
    return true;
}

void ReportPath(const char* path, const char* suffix)
{
    char text[520];
    OU_SafeStrCpy(text, sizeof text, path);
    OU_SafeStrCat(text, sizeof text, suffix);
    MessageBoxA(nullptr, text, "Error", MB_OK);
}

} // namespace kestu::imagefile
