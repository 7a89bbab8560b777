// Test helper: assembles a text and keeps the code, constants and messages.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "d3dx8.h"

struct AssembleResult {
    HRESULT hr = E_FAIL;
    std::vector<DWORD> code;
    std::vector<DWORD> constants;
    std::string errors;
};

inline AssembleResult TakeBuffers(HRESULT hr, LPD3DXBUFFER code, LPD3DXBUFFER constants, LPD3DXBUFFER errors)
{
    AssembleResult r;
    r.hr = hr;
    if (code) {
        r.code.resize(code->GetBufferSize() / sizeof(DWORD));
        if (!r.code.empty()) std::memcpy(r.code.data(), code->GetBufferPointer(), r.code.size() * sizeof(DWORD));
        code->Release();
    }
    if (constants) {
        r.constants.resize(constants->GetBufferSize() / sizeof(DWORD));
        if (!r.constants.empty())
            std::memcpy(r.constants.data(), constants->GetBufferPointer(), r.constants.size() * sizeof(DWORD));
        constants->Release();
    }
    if (errors) {
        const char* text = static_cast<const char*>(errors->GetBufferPointer());
        r.errors.assign(text, strnlen(text, errors->GetBufferSize()));
        errors->Release();
    }
    return r;
}

inline AssembleResult AssembleText(const std::string& text, DWORD flags = 0)
{
    LPD3DXBUFFER code = nullptr, constants = nullptr, errors = nullptr;
    const HRESULT hr = D3DXAssembleShader(text.data(), (UINT)text.size(), flags, &constants, &code, &errors);
    return TakeBuffers(hr, code, constants, errors);
}
