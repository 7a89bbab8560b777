// Programmable shader entry points. Vertex shaders set by FVF code work; the
// translation of shader tokens plugs in here (handles have bit 0 set, which
// no FVF code has). Constants are stored.
#include <cstring>

#include "d3d8/device.h"

namespace kestu::d3d8 {

HRESULT Device::CreateVertexShader(const DWORD* decl, const DWORD*, DWORD* handle, DWORD)
{
    if (handle) *handle = 0;
    return D3DERR_INVALIDCALL;
}

HRESULT Device::SetVertexShader(DWORD handle)
{
    if (handle & 1) return D3DERR_INVALIDCALL;   // no translated shader exists yet
    if ((handle & 0xE000u) || ((handle & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 8) return D3DERR_INVALIDCALL;
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

HRESULT Device::DeleteVertexShader(DWORD) { return D3DERR_INVALIDCALL; }

// Registers the caps report (MaxVertexShaderConst).
constexpr DWORD kVertexConstants = 96;

HRESULT Device::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count)
{
    if (!data || reg >= kVertexConstants || count > kVertexConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(vsConstants_[reg].data(), data, static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetVertexShaderConstant(DWORD reg, void* data, DWORD count)
{
    if (!data || reg >= kVertexConstants || count > kVertexConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(data, vsConstants_[reg].data(), static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetVertexShaderDeclaration(DWORD, void*, DWORD*) { return D3DERR_INVALIDCALL; }
HRESULT Device::GetVertexShaderFunction(DWORD, void*, DWORD*) { return D3DERR_INVALIDCALL; }

HRESULT Device::CreatePixelShader(const DWORD*, DWORD* handle)
{
    if (handle) *handle = 0;
    return D3DERR_INVALIDCALL;
}

HRESULT Device::SetPixelShader(DWORD handle)
{
    if (handle != 0) return D3DERR_INVALIDCALL;
    pixelShader_ = 0;
    return D3D_OK;
}

HRESULT Device::GetPixelShader(DWORD* handle)
{
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = pixelShader_;
    return D3D_OK;
}

HRESULT Device::DeletePixelShader(DWORD) { return D3DERR_INVALIDCALL; }

HRESULT Device::SetPixelShaderConstant(DWORD reg, const void* data, DWORD count)
{
    if (!data || reg >= psConstants_.size() || count > psConstants_.size() - reg) return D3DERR_INVALIDCALL;
    std::memcpy(psConstants_[reg].data(), data, static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetPixelShaderConstant(DWORD reg, void* data, DWORD count)
{
    if (!data || reg >= psConstants_.size() || count > psConstants_.size() - reg) return D3DERR_INVALIDCALL;
    std::memcpy(data, psConstants_[reg].data(), static_cast<size_t>(count) * 16);
    return D3D_OK;
}

HRESULT Device::GetPixelShaderFunction(DWORD, void*, DWORD*) { return D3DERR_INVALIDCALL; }

HRESULT Device::DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT Device::DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT Device::DeletePatch(UINT) { return D3DERR_INVALIDCALL; }

HRESULT Device::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer8*, DWORD) { return D3DERR_INVALIDCALL; }

} // namespace kestu::d3d8
