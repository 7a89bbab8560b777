#include "kestu_shader.h"

int IShaderContext::m_bNonShader = 0;

namespace {

void FillGroup(D3DXMATRIX* group, const D3DXMATRIX& m)
{
    group[0] = m;
    D3DXMatrixTranspose(&group[1], &m);
    D3DXMATRIX inverse;
    D3DXMatrixIdentity(&inverse);
    D3DXMatrixInverse(&inverse, nullptr, &m);
    group[2] = inverse;
    D3DXMatrixTranspose(&group[3], &inverse);
}

} // namespace

IShaderContext::IShaderContext()
{
    for (int i = 0; i < 4; ++i) {
        D3DXMatrixIdentity(&m_matProj[i]);
        D3DXMatrixIdentity(&m_matView[i]);
        D3DXMatrixIdentity(&m_matWorld[i]);
    }
    D3DXMatrixIdentity(&m_matTexture);
}

// Subclasses may call the base: it uploads nothing.
long IShaderContext::UpdateConstant(IDirect3DDevice8*) { return 0; }

void IShaderContext::SetTransform(DWORD state, const D3DXMATRIX* m)
{
    if (!m) return;
    if (D3DXMATRIX* group = const_cast<D3DXMATRIX*>(GetTransformGroup(state))) FillGroup(group, *m);
}

const D3DXMATRIX* IShaderContext::GetTransformGroup(DWORD state) const
{
    switch (state) {
    case D3DTS_VIEW: return m_matView;
    case D3DTS_PROJECTION: return m_matProj;
    case D3DTS_WORLD: return m_matWorld;
    default: return nullptr;
    }
}

D3DXMATRIX IShaderContext::CombinedTransposed() const
{
    D3DXMATRIX wv, wvp, out;
    D3DXMatrixMultiply(&wv, &m_matWorld[0], &m_matView[0]);
    D3DXMatrixMultiply(&wvp, &wv, &m_matProj[0]);
    D3DXMatrixTranspose(&out, &wvp);
    return out;
}

CShaderManager::CShaderManager() : m_pShaders(new std::vector<IShaderBase*>()) {}

CShaderManager::CShaderManager(const CShaderManager& other)
    : m_pShaders(new std::vector<IShaderBase*>(*other.m_pShaders)), m_dwValue(other.m_dwValue)
{
}

CShaderManager& CShaderManager::operator=(const CShaderManager& other)
{
    if (this != &other) {
        *m_pShaders = *other.m_pShaders;
        m_dwValue = other.m_dwValue;
    }
    return *this;
}

CShaderManager::~CShaderManager()
{
    Clear();
    delete m_pShaders;
}

void CShaderManager::Clear()
{
    if (m_pShaders) m_pShaders->clear();
}
