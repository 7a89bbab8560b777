// D3DXAssembleShader and D3DXAssembleShaderFromFileA.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "asm_internal.h"
#include "d3dx8core.h"
#include "d3dx8fvf.h"

namespace {
using namespace kestu::d3dx::assembler;

// Longer texts cannot be a shader of at most 128 instructions and some
// comments; refusing them bounds the work a hostile input can cause.
constexpr size_t kMaxSourceBytes = 16u << 20;

HRESULT MakeBuffer(const void* data, size_t bytes, LPD3DXBUFFER* out)
{
    *out = nullptr;
    LPD3DXBUFFER buffer = nullptr;
    const HRESULT hr = D3DXCreateBuffer((DWORD)bytes, &buffer);
    if (FAILED(hr)) return hr;
    if (bytes) std::memcpy(buffer->GetBufferPointer(), data, bytes);
    *out = buffer;
    return S_OK;
}

HRESULT Assemble(std::string_view text, const std::string& prefix, DWORD flags, LPD3DXBUFFER* constants,
                 LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors)
{
    if (constants) *constants = nullptr;
    if (compiledShader) *compiledShader = nullptr;
    if (errors) *errors = nullptr;

    Diagnostics diag(prefix);
    std::vector<DWORD> code, defs;
    if (text.size() > kMaxSourceBytes) {
        diag.Error(1, "the source text is too long");
    } else {
        // The text ends at its first zero byte, if any.
        const size_t zero = text.find('\0');
        if (zero != std::string_view::npos) text = text.substr(0, zero);
        const std::optional<std::string> expanded = Preprocess(text, diag);
        int openComment = 0;
        const std::vector<Statement> statements =
            expanded ? SplitStatements(*expanded, &openComment) : std::vector<Statement>();
        Version version;
        if (openComment) diag.Error(openComment, "the comment opened here is not closed");
        if (!expanded) {
            // Already reported; there is no text to read a shader from.
        } else if (statements.empty()) {
            diag.Error(1, "the shader is empty: expected a version (vs.1.1, ps.1.1, ...)");
        } else if (!ParseVersion(statements[0], version)) {
            diag.Error(statements[0].line,
                       "expected a version (vs.1.0, vs.1.1, ps.1.0 to ps.1.4), found '" + statements[0].name + "'");
        } else {
            const bool validate = (flags & D3DXASM_SKIPVALIDATION) == 0;
            code.push_back(version.Token());
            if (version.kind == ShaderKind::Vertex)
                AssembleVertex(version, statements, validate, code, defs, diag);
            else
                AssemblePixel(version, statements, validate, code, diag);
            code.push_back(D3DVS_END());
        }
    }

    if (diag.HasErrors()) {
        if (errors) {
            const std::string msg = diag.Text();
            MakeBuffer(msg.c_str(), msg.size() + 1, errors);
        }
        return D3DXERR_INVALIDDATA;
    }
    if (compiledShader) {
        const HRESULT hr = MakeBuffer(code.data(), code.size() * sizeof(DWORD), compiledShader);
        if (FAILED(hr)) return hr;
    }
    if (constants) {
        const HRESULT hr = MakeBuffer(defs.data(), defs.size() * sizeof(DWORD), constants);
        if (FAILED(hr)) {
            if (compiledShader && *compiledShader) {
                (*compiledShader)->Release();
                *compiledShader = nullptr;
            }
            return hr;
        }
    }
    return S_OK;
}

HRESULT ErrorText(const std::string& text, LPD3DXBUFFER* errors)
{
    if (errors) MakeBuffer(text.c_str(), text.size() + 1, errors);
    return E_FAIL;
}
} // namespace

HRESULT D3DXAssembleShader(LPCVOID srcData, UINT srcDataLen, DWORD flags, LPD3DXBUFFER* constants,
                           LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors)
{
    if (constants) *constants = nullptr;
    if (compiledShader) *compiledShader = nullptr;
    if (errors) *errors = nullptr;
    if (!srcData) return D3DERR_INVALIDCALL;
    try {
        return Assemble(std::string_view(static_cast<const char*>(srcData), srcDataLen), std::string(), flags,
                        constants, compiledShader, errors);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT D3DXAssembleShaderFromFileA(LPCSTR srcFile, DWORD flags, LPD3DXBUFFER* constants, LPD3DXBUFFER* compiledShader,
                                    LPD3DXBUFFER* errors)
{
    if (constants) *constants = nullptr;
    if (compiledShader) *compiledShader = nullptr;
    if (errors) *errors = nullptr;
    if (!srcFile) return D3DERR_INVALIDCALL;
    try {
        std::string path(srcFile);
        for (char& c : path)
            if (c == '\\') c = '/';
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return ErrorText(std::string(srcFile) + ": error: cannot open the file\n", errors);
        std::string text;
        char chunk[65536];
        size_t got;
        bool tooLong = false;
        while ((got = std::fread(chunk, 1, sizeof(chunk), f)) > 0) {
            text.append(chunk, got);
            if (text.size() > kMaxSourceBytes) {
                tooLong = true;
                break;
            }
        }
        const bool readError = std::ferror(f) != 0;
        std::fclose(f);
        if (readError) return ErrorText(std::string(srcFile) + ": error: cannot read the file\n", errors);
        if (tooLong) text.resize(kMaxSourceBytes + 1);
        return Assemble(text, std::string(srcFile), flags, constants, compiledShader, errors);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
