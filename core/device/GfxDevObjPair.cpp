#include "core/device/GfxDevObjPair.h"

CKestuDevObjMng::~CKestuDevObjMng() = default;

HRESULT CKestuDevObjMng::ConfirmDevice(D3DCAPS8*, DWORD, D3DFORMAT) { return S_OK; }

CGfxDevObjPair::~CGfxDevObjPair() = default;

// The first child's failure stops the event; otherwise the last child's result counts.
template <typename Call>
HRESULT CGfxDevObjPair::Forward(Call call)
{
    HRESULT hr = S_OK;
    if (m_pFirst) {
        hr = call(*m_pFirst);
        if (FAILED(hr)) return hr;
    }
    if (m_pSecond) hr = call(*m_pSecond);
    return hr;
}

HRESULT CGfxDevObjPair::ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT backBufferFormat)
{
    return Forward([&](CKestuDevObjMng& m) { return m.ConfirmDevice(caps, behavior, backBufferFormat); });
}

HRESULT CGfxDevObjPair::InitDeviceObjects(IDirect3DDevice8* device)
{
    return Forward([&](CKestuDevObjMng& m) { return m.InitDeviceObjects(device); });
}

HRESULT CGfxDevObjPair::ActivateDeviceObjects()
{
    return Forward([](CKestuDevObjMng& m) { return m.ActivateDeviceObjects(); });
}

HRESULT CGfxDevObjPair::InvalidateDeviceObjects()
{
    return Forward([](CKestuDevObjMng& m) { return m.InvalidateDeviceObjects(); });
}
