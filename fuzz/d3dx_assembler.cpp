// Any text through the shader assembler: it must fail with a message or
// produce a stream that decodes, disassembles and assembles to the same code.
// The bytes are also walked as a token stream.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "d3dx8.h"
#include "d3dx8/shader_tokens.h"

namespace {
std::vector<DWORD> Assemble(const void* data, size_t size, DWORD flags, HRESULT* hr)
{
    LPD3DXBUFFER code = nullptr, constants = nullptr, errors = nullptr;
    *hr = D3DXAssembleShader(data, (UINT)size, flags, &constants, &code, &errors);
    std::vector<DWORD> out;
    if (SUCCEEDED(*hr)) {
        if (!code || errors) __builtin_trap();
        out.resize(code->GetBufferSize() / sizeof(DWORD));
        std::memcpy(out.data(), code->GetBufferPointer(), out.size() * sizeof(DWORD));
    } else {
        if (code || !errors) __builtin_trap();
        const char* text = static_cast<const char*>(errors->GetBufferPointer());
        if (errors->GetBufferSize() == 0 || text[errors->GetBufferSize() - 1] != '\0') __builtin_trap();
    }
    if (code) code->Release();
    if (constants) constants->Release();
    if (errors) errors->Release();
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (DWORD flags : {0u, (DWORD)D3DXASM_SKIPVALIDATION}) {
        HRESULT hr;
        const std::vector<DWORD> code = Assemble(data, size, flags, &hr);
        if (FAILED(hr)) continue;
        if (kestu::d3dx::ShaderTokenCount(code.data(), code.size()) != code.size()) __builtin_trap();
        const std::string text = kestu::d3dx::DisassembleShader(code.data(), code.size());
        if (text.empty()) __builtin_trap();
        HRESULT again;
        if (Assemble(text.data(), text.size(), flags, &again) != code || FAILED(again)) __builtin_trap();
    }

    std::vector<DWORD> tokens(size / sizeof(DWORD));
    if (!tokens.empty()) std::memcpy(tokens.data(), data, tokens.size() * sizeof(DWORD));
    kestu::d3dx::ShaderTokenReader reader(tokens.data(), tokens.size());
    kestu::d3dx::ShaderInstruction ins;
    size_t steps = 0;
    while (reader.Next(ins))
        if (++steps > tokens.size()) __builtin_trap();
    (void)kestu::d3dx::DisassembleShader(tokens.data(), tokens.size());
    return 0;
}
