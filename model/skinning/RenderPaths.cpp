// Choosing the skinning render path from the device's capabilities, and the
// manager's skinning shaders.
#include "kestu_meshdatamng.h"
#include "model/skinning/SkinShaders.h"

namespace Kestu {

int CMeshDataMng::m_nSkeletonRenderPath = KESTU_SKLPATH_SOFTWARE;
int CMeshDataMng::m_nSklAniMaxConstantRegisterCount = 0;
int CMeshDataMng::m_nSkinMaxContainBones = 0;

namespace {

constexpr int kPathOrder[] = {32, 16, 8, 4, 2, 64, 128};
constexpr int kReserved[] = {18, 18, 18, 18, 5, 17, 32};

} // namespace

int CMeshDataMng::EnumSkeletonSupportRenderPath()
{
    if (!m_pDevice) return KESTU_SKLPATH_SOFTWARE;
    D3DCAPS8 caps{};
    if (FAILED(m_pDevice->GetDeviceCaps(&caps))) return KESTU_SKLPATH_SOFTWARE;
    m_nSklAniMaxConstantRegisterCount = static_cast<int>(caps.MaxVertexShaderConst);
    const DWORD vs = caps.VertexShaderVersion & 0xFFFF;
    const bool ps11 = caps.PixelShaderVersion >= D3DPS_VERSION(1, 1);
    int mask = KESTU_SKLPATH_SOFTWARE;
    if (vs >= 0x0200)
        mask = ps11 ? 0xFF : 0xCF;
    else if (vs >= 0x0101)
        mask = ps11 ? 0x3F : 0x0F;
    if (caps.MaxVertexShaderConst < 256 || caps.MaxSimultaneousTextures < 3) mask = KESTU_SKLPATH_SOFTWARE;
    return mask;
}

int CMeshDataMng::SetSkeletonRenderPath(int mask)
{
    if (mask == KESTU_SKLPATH_MATERIAL || mask == KESTU_SKLPATH_MATERIAL_WIDE) return 0;
    const int supported = EnumSkeletonSupportRenderPath();
    const int count = m_nSklAniMaxConstantRegisterCount;
    if (m_constants.empty() && count > 0) m_constants.assign(size_t(count) * 4, 0.0f);
    int path = KESTU_SKLPATH_SOFTWARE;
    for (size_t i = 0; i < std::size(kPathOrder); ++i) {
        if (kPathOrder[i] & mask & supported) {
            path = kPathOrder[i];
            m_nSkinMaxContainBones = (count - kReserved[i]) / 4;
            break;
        }
    }
    m_nSkeletonRenderPath = path;
    Restore();
    return path == mask ? 1 : 0;
}

namespace {

// Assembles shader text (no flags, constants or error buffer).
HRESULT Assemble(const char* text, int length, LPD3DXBUFFER* code)
{
    *code = nullptr;
    return D3DXAssembleShader(text, static_cast<UINT>(length), 0, nullptr, code, nullptr);
}

} // namespace

long CMeshDataMng::CreateVertexShaderByCode(const char* text, int length, DWORD* handle, const DWORD* declaration)
{
    *handle = 0;
    if (!m_pDevice) return E_FAIL;
    LPD3DXBUFFER code = nullptr;
    HRESULT hr = Assemble(text, length, &code);
    if (FAILED(hr)) return hr;
    hr = m_pDevice->CreateVertexShader(declaration, static_cast<const DWORD*>(code->GetBufferPointer()), handle, 0);
    code->Release();
    if (FAILED(hr)) *handle = 0;
    return FAILED(hr) ? hr : 0;
}

long CMeshDataMng::CreatePixelShaderByCode(const char* text, int length, DWORD* handle)
{
    *handle = 0;
    if (!m_pDevice) return E_FAIL;
    LPD3DXBUFFER code = nullptr;
    HRESULT hr = Assemble(text, length, &code);
    if (FAILED(hr)) return hr;
    hr = m_pDevice->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), handle);
    code->Release();
    if (FAILED(hr)) *handle = 0;
    return FAILED(hr) ? hr : 0;
}

long CMeshDataMng::CreateShaderSet(DWORD fvf, DWORD* handles)
{
    for (int i = 0; i < SKIN_VERTEX_SHADER_COUNT; ++i) {
        const ESkinShader which = static_cast<ESkinShader>(i);
        const std::string text = skinning::VertexShaderText(which);
        const std::vector<DWORD> declaration = skinning::Declaration(fvf, skinning::IsEightBoneShader(which));
        CreateVertexShaderByCode(text.c_str(), static_cast<int>(text.size()), &handles[i], declaration.data());
    }
    return 0;
}

void CMeshDataMng::DeleteShaderSet(DWORD* handles)
{
    for (int i = 0; i < SKIN_VERTEX_SHADER_COUNT; ++i) {
        if (handles[i] && m_pDevice) m_pDevice->DeleteVertexShader(handles[i]);
        handles[i] = 0;
    }
}

long CMeshDataMng::Restore()
{
    if (!m_pDevice) return E_FAIL;
    Invalidate();
    if (m_nSkeletonRenderPath == KESTU_SKLPATH_SOFTWARE) return 0;
    CreateShaderSet(kDefaultShaderFVF, m_dwVS);
    for (int i = 0; i < 2; ++i) {
        const std::string text = skinning::PixelShaderText(i);
        CreatePixelShaderByCode(text.c_str(), static_cast<int>(text.size()), &m_dwPS[i]);
    }
    return 0;
}

long CMeshDataMng::Invalidate()
{
    DeleteShaderSet(m_dwVS);
    for (auto& layout : m_otherLayouts) DeleteShaderSet(layout.second.data());
    m_otherLayouts.clear();
    for (DWORD& ps : m_dwPS) {
        if (ps && m_pDevice) m_pDevice->DeletePixelShader(ps);
        ps = 0;
    }
    return 0;
}

DWORD CMeshDataMng::GetSkinVertexShader(ESkinShader which, DWORD fvf)
{
    if (which < 0 || which >= SKIN_VERTEX_SHADER_COUNT) return 0;
    if (fvf == kDefaultShaderFVF) return m_dwVS[which];
    auto found = m_otherLayouts.find(fvf);
    if (found == m_otherLayouts.end()) {
        // Shaders exist only while a shader path is chosen (Restore made the default set).
        if (!m_pDevice || m_nSkeletonRenderPath == KESTU_SKLPATH_SOFTWARE) return 0;
        std::array<DWORD, SKIN_VERTEX_SHADER_COUNT> handles{};
        CreateShaderSet(fvf, handles.data());
        found = m_otherLayouts.emplace(fvf, handles).first;
    }
    return found->second[which];
}

} // namespace Kestu
