// Shader objects: creation (translated once, here), binding, deletion,
// constants and the stored declarations and functions. Vertex shader handles
// are odd, which no FVF code is.
#include <cstring>

#include "d3d8/device.h"
#include "d3d8/shader_state.h"
#include "win32/com_result.h"

namespace kestu::d3d8 {
namespace {

HRESULT CopyOut(const std::vector<DWORD>& tokens, void* data, DWORD* size)
{
    if (!size) return D3DERR_INVALIDCALL;
    const DWORD bytes = static_cast<DWORD>(tokens.size() * sizeof(DWORD));
    if (!data) {
        *size = bytes;
        return D3D_OK;
    }
    if (*size < bytes) {
        *size = bytes;
        return D3DERR_MOREDATA;
    }
    if (bytes) std::memcpy(data, tokens.data(), bytes);
    *size = bytes;
    return D3D_OK;
}

} // namespace

HRESULT Device::CreateVertexShader(const DWORD* decl, const DWORD* function, DWORD* handle, DWORD usage)
try {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = 0;
    if (!decl || (usage & ~DWORD(D3DUSAGE_SOFTWAREPROCESSING))) return D3DERR_INVALIDCALL;
    VertexShaderObject shader;
    if (!ParseDeclaration(decl, shader.declaration)) return D3DERR_INVALIDCALL;
    for (const auto& load : shader.declaration.constants)
        if (load.reg + load.values.size() > VertexShaderConstantCount()) return D3DERR_INVALIDCALL;
    if (function) {
        if (!TranslateVertexShader(function, shader.code, VertexShaderConstantCount())) return D3DERR_INVALIDCALL;
        shader.hasFunction = true;
    }
    ShaderState& st = Shaders();
    DWORD h = st.nextVertexHandle;
    while (st.vertexShaders.count(h)) h += 2; // after the counter wraps
    st.nextVertexHandle = h + 2;
    st.vertexShaders.emplace(h, std::move(shader));
    *handle = h;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

// While a block records, the handle goes into it and the device keeps its own.
bool Device::RecordVertexShader(DWORD handle)
{
    if (!recording_) return false;
    recording_->hasShader = true;
    recording_->shader = handle;
    return true;
}

HRESULT Device::SetVertexShader(DWORD handle)
{
    if (handle & 1) {
        ShaderState& st = Shaders();
        auto it = st.vertexShaders.find(handle);
        if (it == st.vertexShaders.end()) return D3DERR_INVALIDCALL;
        if (RecordVertexShader(handle)) return D3D_OK;
        // Constants given in the declaration load when the shader is set.
        for (const auto& load : it->second.declaration.constants)
            for (size_t i = 0; i < load.values.size(); ++i) vsConstants_[load.reg + i] = load.values[i];
        NoteStateChange();
        if (vertexShader_ != handle) programDirty_ = true;
        vertexShader_ = handle;
        return D3D_OK;
    }
    if ((handle & 0xE000u) || ((handle & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 8) return D3DERR_INVALIDCALL;
    if (RecordVertexShader(handle)) return D3D_OK;
    NoteStateChange();
    if (vertexShader_ != handle) programDirty_ = true;
    vertexShader_ = handle;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* handle)
{
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = vertexShader_;
    return D3D_OK;
}

HRESULT Device::DeleteVertexShader(DWORD handle)
{
    ShaderState& st = Shaders();
    if (!(handle & 1) || !st.vertexShaders.erase(handle)) return D3DERR_INVALIDCALL;
    st.Forget(true, handle);
    return D3D_OK;
}

HRESULT Device::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count)
{
    const DWORD constants = VertexShaderConstantCount();
    if (!data || reg >= constants || count > constants - reg) return D3DERR_INVALIDCALL;
    if (recording_) {
        for (DWORD i = 0; i < count; ++i)
            std::memcpy(recording_->vsConstants[reg + i].data(), static_cast<const uint8_t*>(data) + i * 16, 16);
        return D3D_OK;
    }
    std::memcpy(vsConstants_[reg].data(), data, static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetVertexShaderConstant(DWORD reg, void* data, DWORD count)
{
    const DWORD constants = VertexShaderConstantCount();
    if (!data || reg >= constants || count > constants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(data, vsConstants_[reg].data(), static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetVertexShaderDeclaration(DWORD handle, void* data, DWORD* size)
{
    ShaderState& st = Shaders();
    auto it = st.vertexShaders.find(handle);
    if (it == st.vertexShaders.end()) return D3DERR_INVALIDCALL;
    return CopyOut(it->second.declaration.tokens, data, size);
}

HRESULT Device::GetVertexShaderFunction(DWORD handle, void* data, DWORD* size)
{
    ShaderState& st = Shaders();
    auto it = st.vertexShaders.find(handle);
    if (it == st.vertexShaders.end()) return D3DERR_INVALIDCALL;
    return CopyOut(it->second.code.tokens, data, size);
}

HRESULT Device::CreatePixelShader(const DWORD* function, DWORD* handle)
try {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = 0;
    PixelShaderObject shader;
    if (!function || !TranslatePixelShader(function, shader.code)) return D3DERR_INVALIDCALL;
    ShaderState& st = Shaders();
    DWORD h = st.nextPixelHandle;
    while (h == 0 || st.pixelShaders.count(h)) ++h;
    st.nextPixelHandle = h + 1;
    st.pixelShaders.emplace(h, std::move(shader));
    *handle = h;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::SetPixelShader(DWORD handle)
{
    if (handle != 0 && !Shaders().pixelShaders.count(handle)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->hasPixelShader = true;
        recording_->pixelShader = handle;
        return D3D_OK;
    }
    NoteStateChange();
    if (pixelShader_ != handle) programDirty_ = true;
    pixelShader_ = handle;
    return D3D_OK;
}

HRESULT Device::GetPixelShader(DWORD* handle)
{
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = pixelShader_;
    return D3D_OK;
}

HRESULT Device::DeletePixelShader(DWORD handle)
{
    ShaderState& st = Shaders();
    if (handle == 0 || !st.pixelShaders.erase(handle)) return D3DERR_INVALIDCALL;
    st.Forget(false, handle);
    return D3D_OK;
}

HRESULT Device::SetPixelShaderConstant(DWORD reg, const void* data, DWORD count)
{
    if (!data || reg >= psConstants_.size() || count > psConstants_.size() - reg) return D3DERR_INVALIDCALL;
    if (recording_) {
        for (DWORD i = 0; i < count; ++i)
            std::memcpy(recording_->psConstants[reg + i].data(), static_cast<const uint8_t*>(data) + i * 16, 16);
        return D3D_OK;
    }
    std::memcpy(psConstants_[reg].data(), data, static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetPixelShaderConstant(DWORD reg, void* data, DWORD count)
{
    if (!data || reg >= psConstants_.size() || count > psConstants_.size() - reg) return D3DERR_INVALIDCALL;
    std::memcpy(data, psConstants_[reg].data(), static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetPixelShaderFunction(DWORD handle, void* data, DWORD* size)
{
    ShaderState& st = Shaders();
    auto it = st.pixelShaders.find(handle);
    if (it == st.pixelShaders.end()) return D3DERR_INVALIDCALL;
    return CopyOut(it->second.code.tokens, data, size);
}

HRESULT Device::DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT Device::DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT Device::DeletePatch(UINT) { return D3DERR_INVALIDCALL; }

HRESULT Device::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer8*, DWORD) { return D3DERR_INVALIDCALL; }

} // namespace kestu::d3d8
