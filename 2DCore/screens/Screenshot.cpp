// Screenshots: numbered names in "ScreenShot", 24-bit BMP or JPEG output of
// DirectDraw surfaces and 2D buffers. Failures are debug-output lines.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <ijl.h>

#include "2DCore/files/BmpWriterFile.h"
#include "kestu_safefile.h"
#include "kestu_paper.h"
#include "kestu_pixelformat.h"
#include "kestu_screenshot.h"

namespace {

// The last screenshot number used in this process.
int g_screenShotCounter = 0;

constexpr size_t kBigPicture = 0x600000;

bool Exists(const char* path)
{
    std::FILE* f = fopen(path, "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

void Candidate(char* out, size_t size, int n, const char* ext)
{
    std::snprintf(out, size, "ScreenShot\\Scn%04d%s", n, ext);
}

// Converts one row of 16-, 24- or 32-bit pixels to blue, green, red bytes.
void ConvertRow(uint8_t* out, const uint8_t* row, int width, int bits, bool is555)
{
    for (int x = 0; x < width; ++x, out += 3) {
        if (bits == 16) {
            uint16_t p;
            std::memcpy(&p, row + 2 * x, 2);
            if (is555) {
                out[0] = uint8_t(p << 3);
                out[1] = uint8_t((p >> 5) << 3);
                out[2] = uint8_t((p >> 10) << 3);
            } else {
                out[0] = uint8_t(p << 3);
                out[1] = uint8_t((p >> 5) << 2);
                out[2] = uint8_t((p >> 8) & 0xF8);
            }
        } else {
            const uint8_t* p = row + static_cast<size_t>(x) * (bits / 8);
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    }
}

// Writes a picture whose rows are step bytes apart (negative: bottom-up in memory).
void SaveScreenPixels(const char* path, const uint8_t* pixels, int bits, int width, int height, intptr_t step, int jpeg)
{
    if (path == nullptr || pixels == nullptr || width <= 0 || height <= 0) return;
    if (bits != 16 && bits != 24 && bits != 32) {
        OutputDebugStringA("DRAW_CopyScreen Error(7): unsupported pixel depth!\n");
        return;
    }
    const bool is555 = hardware.PixelFormat() == 15;
    const size_t rowBytes = size_t(width) * 3;
    const bool big = rowBytes * size_t(height) >= kBigPicture;
    if (big && jpeg) {
        OutputDebugStringA("DRAW_CopyScreen Error(5): Jpeg cannot support big picture!\n");
        return;
    }
    // BMP rows are padded to four bytes; JPEG rows are not.
    const size_t outRow = jpeg ? rowBytes : (rowBytes + 3) & ~size_t(3);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[big ? outRow : outRow * size_t(height)]);
    if (buffer == nullptr) {
        OutputDebugStringA("DRAW_CopyScreen Error(1): Not enought memory to create temp buffer!\n");
        return;
    }
    PrepareScreenShotFolder(path);

    if (jpeg) {
        for (int y = 0; y < height; ++y)
            ConvertRow(buffer.get() + size_t(y) * outRow, pixels + step * y, width, bits, is555);
        // The JPEG writer replaces the file safely on its own.
        JPEG_CORE_PROPERTIES jcp;
        std::memset(&jcp, 0, sizeof(jcp));
        bool ok = ijlInit(&jcp) == IJL_OK;
        if (ok) {
            jcp.DIBBytes = buffer.get();
            jcp.JPGBytes = buffer.get();
            jcp.DIBWidth = jcp.JPGWidth = DWORD(width);
            jcp.DIBHeight = height;
            jcp.JPGHeight = DWORD(height);
            jcp.JPGFile = path;
            ok = ijlWrite(&jcp, IJL_JFILE_WRITEWHOLEIMAGE) == IJL_OK;
            ijlFree(&jcp);
        }
        if (!ok) {
            std::string line = "DRAW_CopyScreen Error(6): error in writing jpeg file named: ";
            line += path;
            line += "\n";
            OutputDebugStringA(line.c_str());
        }
        return;
    }

    kestu::SafeFile file(path);
    if (!file.IsOpen()) {
        std::string line = "DRAW_CopyScreen Error(2): Cannot open file named: ";
        line += path;
        line += "\n";
        OutputDebugStringA(line.c_str());
        return;
    }
    const std::vector<uint8_t> headers = kestu2d::Bmp24Headers(width, height);
    if (!file.Write(headers.data(), 14)) {
        OutputDebugStringA("DRAW_CopyScreen Error(3): error in writing file header!\n");
        return;
    }
    if (!file.Write(headers.data() + 14, 40)) {
        OutputDebugStringA("DRAW_CopyScreen Error(4): error in writing bitmap info header!\n");
        return;
    }
    std::memset(buffer.get(), 0, big ? outRow : outRow * size_t(height));
    if (big) {
        for (int y = height - 1; y >= 0; --y) {
            ConvertRow(buffer.get(), pixels + step * y, width, bits, is555);
            file.Write(buffer.get(), outRow);
        }
    } else {
        for (int y = height - 1, i = 0; y >= 0; --y, ++i)
            ConvertRow(buffer.get() + size_t(i) * outRow, pixels + step * y, width, bits, is555);
        file.Write(buffer.get(), outRow * size_t(height));
    }
    if (!file.Commit()) {
        std::string line = "DRAW_CopyScreen Error(2): Cannot open file named: ";
        line += path;
        line += "\n";
        OutputDebugStringA(line.c_str());
    }
}

} // namespace

void MyGetFileName(char* name, int size, int jpeg)
{
    if (name == nullptr || size <= 0) return;
    name[0] = '\0';
    const char* ext = jpeg ? ".jpg" : ".bmp";
    char candidate[520];
    int n = g_screenShotCounter;
    Candidate(candidate, sizeof candidate, n, ext);
    if (!Exists(candidate)) {
        n = 0;
        Candidate(candidate, sizeof candidate, n, ext);
    }
    while (Exists(candidate)) {
        ++n;
        if (n >= 10000) {
            OutputDebugStringA("DRAW_CopyScreen Error(0): Too many bitmaps already in the directory!\n");
            return;
        }
        Candidate(candidate, sizeof candidate, n, ext);
    }
    g_screenShotCounter = n;
    std::snprintf(name, size_t(size), "%s", candidate);
}

void PrepareScreenShotFolder(const char* path)
{
    if (path == nullptr) return;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p != '\\' && *p != '/') continue;
        const std::string folder(path, size_t(p - path));
        if (!folder.empty()) CreateDirectoryA(folder.c_str(), nullptr);
    }
}

void SaveScreenToFile(const char* path, const WORD* pixels, int width, int height, int pitch, int jpeg)
{
    SaveScreenPixels(path, reinterpret_cast<const uint8_t*>(pixels), 16, width, height, intptr_t(pitch) * 2, jpeg);
}

int BMP_CopyScreen(IDirectDrawSurface4* surface, const char* path, int jpeg)
{
    if (surface == nullptr) return 0;
    DDSURFACEDESC2 desc;
    HRESULT hr;
    for (;;) {
        std::memset(&desc, 0, sizeof(desc));
        desc.dwSize = sizeof(desc);
        hr = surface->Lock(nullptr, &desc, 0, nullptr);
        if (hr == DDERR_WASSTILLDRAWING) continue;
        if (hr == DDERR_SURFACELOST && SUCCEEDED(surface->Restore())) continue;
        break;
    }
    if (hr != DD_OK) {
        OutputDebugStringA("DRAW_CopyScreen Error(11): error in lock back buffer!\n");
        return 0;
    }
    SaveScreenPixels(path, static_cast<const uint8_t*>(desc.lpSurface), int(desc.ddpfPixelFormat.dwRGBBitCount),
                     int(desc.dwWidth), int(desc.dwHeight), desc.lPitch, jpeg);
    surface->Unlock(nullptr);
    return 1;
}

int BMP_CopyScreen(DBUF* buffer, const char* path, int jpeg)
{
    if (buffer == nullptr) return 1;
    void* base = buffer->Prepare(nullptr);
    if (base != nullptr)
        SaveScreenPixels(path, static_cast<const uint8_t*>(base), buffer->GetPixelWidth(), buffer->GetWidth(),
                         buffer->GetHeight(), intptr_t(buffer->GetOrientation()) * buffer->PitchCx(), jpeg);
    buffer->Unprepare();
    return 1;
}

int BMP_CopyScreen(IDirectDrawSurface4* surface, int jpeg)
{
    char name[520];
    MyGetFileName(name, sizeof name, jpeg);
    if (name[0] == '\0') return 0;
    return BMP_CopyScreen(surface, name, jpeg);
}

int BMP_CopyScreen(DBUF* buffer, int jpeg)
{
    char name[256];
    MyGetFileName(name, sizeof name, jpeg);
    if (name[0] == '\0') return 0;
    return BMP_CopyScreen(buffer, name, jpeg);
}

int BMP_CopyScreen(IDirectDraw4* directDraw, IDirectDrawSurface4* source, int width, int height, int jpeg)
{
    if (directDraw == nullptr || source == nullptr || width <= 0 || height <= 0) return 0;
    DDSURFACEDESC2 d;
    std::memset(&d, 0, sizeof(d));
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.dwWidth = DWORD(width);
    d.dwHeight = DWORD(height);
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    IDirectDrawSurface4* copy = nullptr;
    if (FAILED(directDraw->CreateSurface(&d, &copy, nullptr)) || copy == nullptr) {
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        copy = nullptr;
        if (FAILED(directDraw->CreateSurface(&d, &copy, nullptr)) || copy == nullptr) return 0;
    }
    RECT all{0, 0, width, height};
    copy->Blt(&all, source, nullptr, DDBLT_WAIT, nullptr);
    const int result = BMP_CopyScreen(copy, jpeg);
    copy->Release();
    return result;
}
