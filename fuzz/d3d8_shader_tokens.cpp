// Random vertex declarations and vs/ps token streams through shader creation
// on a device: creation fails or succeeds, never reads past the stream's end
// and never crashes; a created shader draws a triangle.
//
// Input: byte 0 (bit 0: pixel shader, bit 1: draw after creation); for
// vertex shaders a little-endian 16-bit count of declaration DWORDs, those
// DWORDs, then the function's DWORDs.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "d3d8.h"
#include "d3d8/shader_translate.h"
#include "fuzz_device.h"

namespace {

// The tokens, then padding that ends a walk with a failure (function) or an
// end token (declaration) well before any reader's limit runs out.
std::vector<DWORD> Padded(const uint8_t* data, size_t bytes, DWORD filler, size_t limit)
{
    std::vector<DWORD> out(bytes / 4 + limit + 16, filler);
    if (bytes >= 4) std::memcpy(out.data(), data, bytes / 4 * 4);
    return out;
}

void DrawTriangle(IDirect3DDevice8* dev)
{
    float v[3][8] = {{-1, -1, 0.5f, 1, 0, 0, 0, 0}, {1, -1, 0.5f, 1, 1, 0, 0, 0}, {0, 1, 0.5f, 1, 0, 1, 0, 0}};
    if (SUCCEEDED(dev->BeginScene())) {
        dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(v[0]));
        dev->EndScene();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IDirect3DDevice8* dev = FuzzDevice();
    if (!dev || size < 1) return 0;
    const bool pixel = data[0] & 1, draw = data[0] & 2;
    ++data;
    --size;
    DWORD handle = 0;
    if (pixel) {
        std::vector<DWORD> code = Padded(data, size, 0x80000000u, kestu::d3d8::kMaxShaderTokens);
        if (FAILED(dev->CreatePixelShader(code.data(), &handle))) {
            if (handle != 0) __builtin_trap();
            return 0;
        }
        if (draw) {
            dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX2);
            dev->SetPixelShader(handle);
            DrawTriangle(dev);
            dev->SetPixelShader(0);
        }
        if (FAILED(dev->DeletePixelShader(handle))) __builtin_trap();
        return 0;
    }
    if (size < 2) return 0;
    const size_t declBytes = std::min<size_t>(size - 2, 4u * (data[0] | (data[1] << 8)));
    std::vector<DWORD> decl = Padded(data + 2, declBytes, D3DVSD_END(), kestu::d3d8::kMaxDeclarationTokens);
    std::vector<DWORD> code =
        Padded(data + 2 + declBytes, size - 2 - declBytes, 0x80000000u, kestu::d3d8::kMaxShaderTokens);
    const bool function = size - 2 - declBytes >= 4;
    if (FAILED(dev->CreateVertexShader(decl.data(), function ? code.data() : nullptr, &handle, 0))) {
        if (handle != 0) __builtin_trap();
        return 0;
    }
    if ((handle & 1) == 0) __builtin_trap();
    if (draw) {
        dev->SetVertexShader(handle);
        DrawTriangle(dev);
        dev->SetVertexShader(D3DFVF_XYZ);
    }
    if (FAILED(dev->DeleteVertexShader(handle))) __builtin_trap();
    return 0;
}
