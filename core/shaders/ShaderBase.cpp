#include "kestu_shader.h"

#include <cstdio>
#include <cstring>
#include <new>

struct IShaderBase::CreatedShader {
    CreatedShader(IDirect3DDevice8* d, DWORD h, bool p) : device(d), handle(h), pixel(p) { device->AddRef(); }
    ~CreatedShader()
    {
        if (pixel)
            device->DeletePixelShader(handle);
        else
            device->DeleteVertexShader(handle);
        device->Release();
    }
    CreatedShader(const CreatedShader&) = delete;
    CreatedShader& operator=(const CreatedShader&) = delete;

    IDirect3DDevice8* device;
    DWORD handle;
    bool pixel;
};

IShaderBase::IShaderBase()
{
    std::memset(m_dwDeclaration, 0, sizeof(m_dwDeclaration));
    D3DXDeclaratorFromFVF(m_dwFVF, m_dwDeclaration);
}

void IShaderBase::SetFVF(DWORD fvf)
{
    m_dwFVF = fvf;
    std::memset(m_dwDeclaration, 0, sizeof(m_dwDeclaration));
    D3DXDeclaratorFromFVF(m_dwFVF, m_dwDeclaration);
}

void IShaderBase::KeepFunction(const void* tokens, size_t bytes, ENUM_SHADER_TYPE type)
{
    if (type != SHADER_TYPE_VERTEX && type != SHADER_TYPE_PIXEL) return;
    auto copy = std::make_shared<std::vector<DWORD>>((bytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0u);
    if (bytes) std::memcpy(copy->data(), tokens, bytes);
    if (type == SHADER_TYPE_VERTEX) {
        m_vsFunction = std::move(copy);
        m_pVertexShaderFunction = m_vsFunction->data();
    } else {
        m_psFunction = std::move(copy);
        m_pPixelShaderFunction = m_psFunction->data();
    }
}

namespace {

long FinishAssembly(HRESULT hr, ID3DXBuffer* code, ID3DXBuffer* errors)
{
    if (FAILED(hr) && errors && errors->GetBufferSize() > 0) {
        const char* text = static_cast<const char*>(errors->GetBufferPointer());
        std::string line(text, strnlen(text, errors->GetBufferSize()));
        OutputDebugStringA(line.c_str());
    }
    if (code) code->Release();
    if (errors) errors->Release();
    return hr;
}

} // namespace

long IShaderBase::Assemble(const char* src, unsigned int len, ENUM_SHADER_TYPE type)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXAssembleShader(src, len, 0, nullptr, &code, &errors);
    if (SUCCEEDED(hr) && code) KeepFunction(code->GetBufferPointer(), code->GetBufferSize(), type);
    return FinishAssembly(hr, code, errors);
}

long IShaderBase::AssembleFromFile(const char* path, ENUM_SHADER_TYPE type)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXAssembleShaderFromFileA(path, 0, nullptr, &code, &errors);
    if (SUCCEEDED(hr) && code) KeepFunction(code->GetBufferPointer(), code->GetBufferSize(), type);
    return FinishAssembly(hr, code, errors);
}

long IShaderBase::CheckDeviceCaps(IDirect3DDevice8* device)
{
    if (!device) return E_FAIL;
    D3DCAPS8 caps{};
    if (FAILED(device->GetDeviceCaps(&caps))) return E_FAIL;
    if (caps.VertexShaderVersion < m_dwVertexShaderVersion || caps.PixelShaderVersion < m_dwPixelShaderVersion)
        return E_FAIL;
    return 0;
}

long IShaderBase::SetVertexShader(DWORD handle)
{
    m_dwVertexShader = handle;
    return 0;
}

long IShaderBase::SetPixelShader(DWORD handle)
{
    m_dwPixelShader = handle;
    return 0;
}

long IShaderBase::Build(IDirect3DDevice8* device)
{
    bool failed = false;
    if (m_pVertexShaderFunction) {
        // Only a shader this pair created is let go; a handle set by the
        // client or an FVF code is not ours to delete.
        if (m_vsCreated) {
            if (m_dwVertexShader == m_vsCreated->handle) m_dwVertexShader = 0;
            m_vsCreated.reset();
        }
        DWORD handle = 0;
        if (device && SUCCEEDED(device->CreateVertexShader(m_dwDeclaration, m_pVertexShaderFunction, &handle, 0))) {
            m_vsCreated = std::make_shared<CreatedShader>(device, handle, false);
            m_dwVertexShader = handle;
        } else {
            failed = true;
        }
    }
    if (m_pPixelShaderFunction) {
        if (m_psCreated) {
            if (m_dwPixelShader == m_psCreated->handle) m_dwPixelShader = 0;
            m_psCreated.reset();
        }
        DWORD handle = 0;
        if (device && SUCCEEDED(device->CreatePixelShader(m_pPixelShaderFunction, &handle))) {
            m_psCreated = std::make_shared<CreatedShader>(device, handle, true);
            m_dwPixelShader = handle;
        } else {
            failed = true;
        }
    }
    m_pDevice = device;
    if (failed) {
        OutputDebugStringA("Build FAILED\n");
        return E_FAIL;
    }
    return 0;
}

long IShaderBase::BuildFromFile(IDirect3DDevice8* device, const char* path, ENUM_SHADER_TYPE type)
{
    m_pDevice = device;
    if (!path) return E_FAIL;
    FILE* file = std::fopen(path, "rb");
    if (!file) return E_FAIL;
    std::vector<char> buffer;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        try {
            buffer.resize(static_cast<size_t>(length));
        } catch (const std::bad_alloc&) {
            buffer.clear();
        }
        size_t got = buffer.empty() ? 0 : std::fread(buffer.data(), 1, buffer.size(), file);
        buffer.resize(got);
    }
    std::fclose(file);
    if (buffer.empty()) return E_FAIL;
    Assemble(buffer.data(), static_cast<unsigned int>(buffer.size()), type);
    return Build(device);
}

long IShaderBase::BuildFromData(IDirect3DDevice8*, void*, ENUM_SHADER_TYPE) { return E_FAIL; }

long IShaderBase::Release()
{
    m_vsCreated.reset();
    m_psCreated.reset();
    m_vsFunction.reset();
    m_psFunction.reset();
    m_pVertexShaderFunction = nullptr;
    m_pPixelShaderFunction = nullptr;
    m_dwVertexShader = 0;
    m_dwPixelShader = 0;
    return 0;
}

long IShaderBase::SetDeviceShader(IDirect3DDevice8* device, IShaderContext* context)
{
    if (!device) return E_FAIL;
    if (context) context->UpdateConstant(device);
    if (IShaderContext::IsNonShader()) {
        device->SetPixelShader(0);
        return 0;
    }
    device->SetVertexShader(m_dwVertexShader);
    device->SetPixelShader(m_dwPixelShader);
    return 0;
}

long IShaderBase::SetVertexDeclaration(DWORD value)
{
    m_dwVertexDeclaration = value;
    return 0;
}

long IShaderBase::SetVertexElement(DWORD* declaration)
{
    if (!declaration) return E_FAIL;
    DWORD fvf = 0;
    HRESULT hr = D3DXFVFFromDeclarator(declaration, &fvf);
    if (FAILED(hr)) return hr; // no FVF equivalent: the current handle stays
    m_dwVertexShader = fvf;
    return 0;
}
