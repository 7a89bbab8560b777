#include "kestu_material.h"
#include "model/buffers/ComShare.h"

#include <d3dx8.h>

#include <string>

namespace Kestu {

CMaterialData::CMaterialData() {}

CMaterialData::CMaterialData(const SMaterialData& head) : SMaterialData(head) {}

CMaterialData::CMaterialData(const CMaterialData& other)
    : SMaterialData(other), m_dwZero(other.m_dwZero), m_dwTextureID(other.m_dwTextureID),
      m_strTextureFile(other.m_strTextureFile), m_pTexture(other.m_pTexture), m_bBuilt(other.m_bBuilt)
{
    for (int i = 0; i < 6; ++i) m_dwCarried[i] = other.m_dwCarried[i];
    if (m_pTexture) m_pTexture->AddRef();
}

CMaterialData& CMaterialData::operator=(const CMaterialData& other)
{
    dwMtlID = other.dwMtlID;
    dwBlendMode = other.dwBlendMode;
    dwTrailing = other.dwTrailing;
    mtl = other.mtl;
    m_dwTextureID = other.m_dwTextureID;
    if (m_pTexture != other.m_pTexture) {
        ShareCom(m_pTexture, other.m_pTexture);
        m_bBuilt = 0;
    }
    m_strTextureFile = other.m_strTextureFile;
    return *this;
}

CMaterialData::~CMaterialData() { Release(); }

void CMaterialData::SetTexture(IDirect3DTexture8* texture)
{
    if (texture == m_pTexture) return;
    ShareCom(m_pTexture, texture);
    m_bBuilt = 0;
}

long CMaterialData::Build(IDirect3DDevice8* device, const char* folder)
{
    if (m_strTextureFile.empty()) return 1;
    Release();
    std::string path = folder ? folder : "";
    path += m_strTextureFile;
    IDirect3DTexture8* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileA(device, path.c_str(), &texture);
    if (SUCCEEDED(hr) && texture) {
        m_pTexture = texture;
        m_bBuilt = 1;
    }
    return hr;
}

long CMaterialData::Release()
{
    if (m_pTexture) m_pTexture->Release();
    m_pTexture = nullptr;
    m_bBuilt = 0;
    return 0;
}

} // namespace Kestu
