// Shader text to device shader: assemble, then create from the code.
#include "kestu_shaderwatertex.h"

namespace Kestu {

namespace {

// Assembles the text; the error buffer's messages are not used.
HRESULT Assemble(const char* text, UINT length, LPD3DXBUFFER* code)
{
    LPD3DXBUFFER errors = nullptr;
    *code = nullptr;
    const HRESULT hr = D3DXAssembleShader(text, length, 0, nullptr, code, &errors);
    if (errors) errors->Release();
    if (FAILED(hr) && *code) {
        (*code)->Release();
        *code = nullptr;
    }
    return hr;
}

} // namespace

HRESULT CreateVertexShaderFromText(IDirect3DDevice8* device, const char* text, UINT length, DWORD* handle,
                                   const DWORD* declaration)
{
    LPD3DXBUFFER code = nullptr;
    HRESULT hr = Assemble(text, length, &code);
    if (FAILED(hr)) return hr;
    hr = device->CreateVertexShader(declaration, static_cast<const DWORD*>(code->GetBufferPointer()), handle, 0);
    code->Release();
    return FAILED(hr) ? hr : 0;
}

HRESULT CreatePixelShaderFromText(IDirect3DDevice8* device, const char* text, UINT length, DWORD* handle)
{
    LPD3DXBUFFER code = nullptr;
    HRESULT hr = Assemble(text, length, &code);
    if (FAILED(hr)) return hr;
    hr = device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), handle);
    code->Release();
    return FAILED(hr) ? hr : 0;
}

} // namespace Kestu
