#include <cstring>

#include "kestu_datachunk.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsmethods.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/script/ScriptValues.h"

template <>
struct ParticleFieldList<CMethodPointSprite> {
    static constexpr RecordField kFields[] = {
        Stored<&CMethodPointSprite::m_strName, CMethodPointSprite>("Method", 0, LineRead::ValueOrStop, ppsfile::kNameMax),
        Stored<&CMethodPointSprite::m_fPointSize>("PointSize", 1, LineRead::ValueOrStop),
        Stored<&CMethodPointSprite::m_strTexturePath>("TexturePath", 2, LineRead::Value, ppsfile::kPathMax),
    };
};

namespace {
constexpr RecordFieldList kFields = ParticleFieldList<CMethodPointSprite>::kFields;

DWORD FloatBits(float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}
constexpr DWORD kSpriteBatch = 1000;
} // namespace

void CMethodPointSprite::Init(const char* path, IDirect3DDevice8* device)
{
    SetTexturePath(path);
    D3DCAPS8 caps{};
    if (device) device->GetDeviceCaps(&caps);
    if (!(caps.FVFCaps & D3DFVFCAPS_PSIZE)) {
        MessageBoxA(nullptr, "no support point sprite", "warning", MB_OK);
        m_bSupported = 0;
    } else {
        m_bSupported = 1;
    }
}

HRESULT CMethodPointSprite::LoadTexture(IDirect3DDevice8* device)
{
    ReleaseTexture();
    return D3DXCreateTextureFromFileA(device, m_strTexturePath.c_str(), &m_pTexture);
}

void CMethodPointSprite::ReleaseTexture()
{
    if (m_pTexture) m_pTexture->Release();
    m_pTexture = nullptr;
}

HRESULT CMethodPointSprite::Build(IDirect3DDevice8* device, CParticleGroup* group)
{
    if (device) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }
    return CPPS_METHOD_VERTICES::Build(device, group);
}

HRESULT CMethodPointSprite::Update(CParticleGroup* group, float) { return UpdatePoints(group); }

HRESULT CMethodPointSprite::Render(IDirect3DDevice8* device, CParticleGroup* group)
{
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(m_fPointSize));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(m_fPointSize));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(1.0f));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    if (m_pTexture) device->SetTexture(0, m_pTexture);
    SPPS_METHOD_RES* res = GetRes(group);
    if (res) {
        device->SetVertexShader(PPS_VERTEX_FVF);
        DrawBatches(device, D3DPT_POINTLIST, static_cast<const SPPS_VERTEX*>(res->pVertices),
                    DrawableParticles(group, *res), kSpriteBatch, 1, 1);
    }
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    return res ? 0 : 1;
}

HRESULT CMethodPointSprite::Serialize(std::iostream& stream, int bWrite)
{
    if (bWrite) {
        WriteRecord(stream, this, kFields);
        return ppsfile::StreamResult(stream);
    }
    // The name read stays when the rest is cut short.
    if (CPPS_METHOD_BASE::Serialize(stream, 0) != 0 || !ReadRecord(stream, this, kFields.subspan(1))) return E_FAIL;
    return 0;
}

HRESULT CMethodPointSprite::CreateFromScript(CDataChunk& chunk)
{
    ReadScriptFields(chunk, this, kFields);
    return 0;
}

HRESULT CMethodPointSprite::WriteToScript(std::ostream& out)
{
    out << "{\n";
    WriteScriptFields(out, this, kFields, "");
    out << "}\n";
    return 0;
}
