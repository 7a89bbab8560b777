#include "kestu_shaderlight.h"

#include <algorithm>
#include <cmath>

void SShaderLight::CalcLight()
{
    if (light.Type == D3DLIGHT_DIRECTIONAL)
        m_fLightValue = -1.0f;
    else
        m_fLightValue = light.Position.x * light.Position.x + light.Position.y * light.Position.y +
                        light.Position.z * light.Position.z;
}

CShaderLight::CShaderLight()
{
    D3DXMatrixIdentity(&m_matModel);
    D3DXMatrixIdentity(&m_matModelInv);
    D3DXMatrixIdentity(&m_matRoot);
    D3DXMatrixIdentity(&m_matRootInv);
    D3DXMatrixIdentity(&m_matUVOffset);
}

CShaderLight::CShaderLight(const CShaderLight& other) : IShaderContext(other) { CopyFrom(other); }

CShaderLight& CShaderLight::operator=(const CShaderLight& other)
{
    if (this != &other) {
        IShaderContext::operator=(other);
        CopyFrom(other);
    }
    return *this;
}

CShaderLight::~CShaderLight() { delete[] m_pLights; }

// A copy owns its own light records, so the two never free the same array.
void CShaderLight::CopyFrom(const CShaderLight& other)
{
    SShaderLight* lights = nullptr;
    if (other.m_dwCapacity) {
        lights = new SShaderLight[other.m_dwCapacity];
        std::copy(other.m_pLights, other.m_pLights + other.m_dwLightCount, lights);
    }
    delete[] m_pLights;
    m_pLights = lights;
    m_bUVOffset = other.m_bUVOffset;
    std::copy(other.m_vUVOrigin, other.m_vUVOrigin + 4, m_vUVOrigin);
    m_fUVScale = other.m_fUVScale;
    m_bPerPixel = other.m_bPerPixel;
    std::copy(other.m_dwActive, other.m_dwActive + kMaxActiveLights, m_dwActive);
    m_dwActiveCount = other.m_dwActiveCount;
    m_dwLightCount = other.m_dwLightCount;
    m_dwCapacity = other.m_dwCapacity;
    m_bNegative = other.m_bNegative;
    m_matModel = other.m_matModel;
    m_matModelInv = other.m_matModelInv;
    m_matRoot = other.m_matRoot;
    m_matRootInv = other.m_matRootInv;
    m_matUVOffset = other.m_matUVOffset;
    m_fFogIntensity = other.m_fFogIntensity;
    m_fInvModelScale = other.m_fInvModelScale;
    m_fInvModelScaleSq = other.m_fInvModelScaleSq;
    std::copy(other.m_vAmbientScale, other.m_vAmbientScale + 4, m_vAmbientScale);
    std::copy(other.m_vDiffuseScale, other.m_vDiffuseScale + 4, m_vDiffuseScale);
    std::copy(other.m_vSpecularScale, other.m_vSpecularScale + 4, m_vSpecularScale);
}

DWORD CShaderLight::AddLight(const D3DLIGHT8* light)
{
    if (m_dwLightCount == m_dwCapacity) {
        const DWORD capacity = 2 * std::max<DWORD>(m_dwLightCount, 1);
        SShaderLight* grown = new SShaderLight[capacity];
        std::copy(m_pLights, m_pLights + m_dwLightCount, grown);
        delete[] m_pLights;
        m_pLights = grown;
        m_dwCapacity = capacity;
    }
    if (light) m_pLights[m_dwLightCount].light = *light;
    return m_dwLightCount++;
}

int CShaderLight::SetLight(DWORD index, const D3DLIGHT8* light)
{
    if (index >= m_dwLightCount || !light) return 0;
    m_pLights[index].light = *light;
    return 1;
}

D3DLIGHT8* CShaderLight::GetLight(DWORD index) { return index < m_dwLightCount ? &m_pLights[index].light : nullptr; }

int CShaderLight::DelLight(DWORD index)
{
    if (index >= m_dwLightCount) return 0;
    std::copy(m_pLights + index + 1, m_pLights + m_dwLightCount, m_pLights + index);
    --m_dwLightCount;
    return 1;
}

int CShaderLight::DelLightBatch(DWORD first, DWORD count)
{
    if (first >= m_dwLightCount) return 0;
    if (count == 0xFFFFFFFFu) {
        m_dwLightCount = first;
        return 1;
    }
    if (count == 0) return 1;
    if (uint64_t(first) + count > m_dwLightCount) return 0;
    std::copy(m_pLights + first + count, m_pLights + m_dwLightCount, m_pLights + first);
    m_dwLightCount -= count;
    return 1;
}

void CShaderLight::SetModelMatrix(const D3DXMATRIX* m)
{
    if (!m) return;
    m_matModel = *m;
    D3DXMatrixInverse(&m_matModelInv, nullptr, m);
    const D3DXVECTOR3 one(1.0f, 1.0f, 1.0f), zero(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 a, b;
    D3DXVec3TransformCoord(&a, &one, m);
    D3DXVec3TransformCoord(&b, &zero, m);
    const D3DXVECTOR3 d = a - b;
    m_fInvModelScale = D3DXVec3Length(&one) / D3DXVec3Length(&d);
    m_fInvModelScaleSq = m_fInvModelScale * m_fInvModelScale;
}

void CShaderLight::SetRootMatrix(const D3DXMATRIX* m)
{
    if (!m) return;
    m_matRoot = *m;
    D3DXMatrixInverse(&m_matRootInv, nullptr, m);
}

void CShaderLight::SetUVOrigin(float x, float y, float z, float w)
{
    m_vUVOrigin[0] = x;
    m_vUVOrigin[1] = y;
    m_vUVOrigin[2] = z;
    m_vUVOrigin[3] = w;
    GenUVOffsetTexTM();
}

void CShaderLight::SetUVOrigin(const float* v)
{
    if (v) SetUVOrigin(v[0], v[1], v[2], v[3]);
}

// Components the vector does not carry become 0.
void CShaderLight::SetUVOrigin(const D3DXVECTOR2& v) { SetUVOrigin(v.x, v.y, 0.0f, 0.0f); }
void CShaderLight::SetUVOrigin(const D3DXVECTOR3& v) { SetUVOrigin(v.x, v.y, v.z, 0.0f); }
void CShaderLight::SetUVOrigin(const D3DXVECTOR4& v) { SetUVOrigin(v.x, v.y, v.z, v.w); }

void CShaderLight::GenUVOffsetTexTM()
{
    D3DXMatrixScaling(&m_matUVOffset, m_fUVScale, m_fUVScale, m_fUVScale);
    m_matUVOffset._31 = m_vUVOrigin[0];
    m_matUVOffset._32 = m_vUVOrigin[1];
    m_matUVOffset._33 = 0.0f;
    m_matUVOffset._34 = 0.0f;
    m_matTexture = m_matUVOffset;
}

void CShaderLight::CalcActiveLights()
{
    m_dwActiveCount = std::min(m_dwLightCount, kMaxActiveLights);
    for (DWORD j = 0; j < m_dwActiveCount; ++j) m_dwActive[j] = j;
}

namespace {

void Scaled(float* out, const D3DCOLORVALUE& c, const float* scale)
{
    out[0] = c.r * scale[0];
    out[1] = c.g * scale[1];
    out[2] = c.b * scale[2];
    out[3] = c.a * scale[3];
}

} // namespace

long CShaderLight::UpdateConstant(IDirect3DDevice8* device)
{
    CalcActiveLights();
    if (!device) return 0;
    if (IsNonShader()) {
        if (m_bUVOffset) {
            device->SetTransform(D3DTS_TEXTURE0, &m_matTexture);
            device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        } else {
            device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        }
        return 0;
    }

    const D3DXMATRIX wvp = CombinedTransposed();
    device->SetVertexShaderConstant(2, &wvp, 4);
    device->SetVertexShaderConstant(6, &m_matView[1], 4);
    const D3DXMATRIX& viewInv = m_matView[2];
    device->SetVertexShaderConstant(10, &viewInv._11, 1);
    device->SetVertexShaderConstant(11, &viewInv._21, 1);
    device->SetVertexShaderConstant(12, &viewInv._31, 1);
    const float zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const float one[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetVertexShaderConstant(0, zero, 1);
    device->SetVertexShaderConstant(1, one, 1);

    DWORD j = 0;
    for (; j < m_dwActiveCount; ++j) {
        const D3DLIGHT8& light = m_pLights[m_dwActive[j]].light;
        float v[4];
        if (j < 3) {
            Scaled(v, light.Ambient, m_vAmbientScale);
            device->SetVertexShaderConstant(49 + j, v, 1);
            Scaled(v, light.Specular, m_vSpecularScale);
            device->SetVertexShaderConstant(52 + j, v, 1);
        }
        Scaled(v, light.Diffuse, m_vDiffuseScale);
        device->SetVertexShaderConstant(30 + j, v, 1);
        const float attenuation[4] = {light.Attenuation0, light.Attenuation1 * m_fInvModelScale,
                                      light.Attenuation2 * m_fInvModelScaleSq, 0.0f};
        device->SetVertexShaderConstant(21 + j, attenuation, 1);

        const D3DXVECTOR3 position(light.Position.x, light.Position.y, light.Position.z);
        D3DXVECTOR4 t;
        D3DXVec3Transform(&t, &position, &m_matRootInv);
        D3DXVECTOR3 p(t.x, t.y, t.z);
        D3DXVec3Transform(&t, &p, &m_matModel);
        p = D3DXVECTOR3(t.x, t.y, t.z);
        D3DXVec3Transform(&t, &p, &m_matView[0]);
        if (m_bNegative) t = -t;
        device->SetVertexShaderConstant(13 + j, &t, 1);
    }
    const float point[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (; j < kMaxActiveLights; ++j) {
        if (j < 3) {
            device->SetVertexShaderConstant(49 + j, zero, 1);
            device->SetVertexShaderConstant(52 + j, zero, 1);
        }
        device->SetVertexShaderConstant(30 + j, zero, 1);
        device->SetVertexShaderConstant(13 + j, point, 1);
    }

    device->SetVertexShaderConstant(0, zero, 1);
    device->SetVertexShaderConstant(1, one, 1);
    const float forward[4] = {0.0f, 0.0f, -1.0f, 0.0f};
    device->SetVertexShaderConstant(59, forward, 1);
    const float c58[4] = {0.0f, 0.0f, 0.0f, 5.0f};
    device->SetVertexShaderConstant(58, c58, 1);
    device->SetVertexShaderConstant(81, m_bUVOffset ? m_vUVOrigin : zero, 1);
    const float uvScale[4] = {m_bUVOffset ? m_fUVScale : 1.0f, 0.0f, 0.0f, 0.0f};
    device->SetVertexShaderConstant(82, uvScale, 1);
    const float fog[4] = {m_fFogIntensity, 0.0f, 0.0f, 1.0f};
    device->SetVertexShaderConstant(90, fog, 1);
    return 0;
}
