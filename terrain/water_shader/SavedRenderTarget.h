// The render target and depth-stencil surface in force when it is made, set
// back by Restore (or at the end of its life) and released.
#pragma once
#include <d3d8.h>

namespace Kestu {

class SavedRenderTarget {
public:
    explicit SavedRenderTarget(IDirect3DDevice8* device) : m_pDevice(device)
    {
        device->GetRenderTarget(&m_pTarget);
        device->GetDepthStencilSurface(&m_pDepth);
    }
    ~SavedRenderTarget() { Restore(); }
    SavedRenderTarget(const SavedRenderTarget&) = delete;
    SavedRenderTarget& operator=(const SavedRenderTarget&) = delete;

    void Restore()
    {
        if (!m_pDevice)
            return;
        m_pDevice->SetRenderTarget(m_pTarget, m_pDepth);
        if (m_pTarget)
            m_pTarget->Release();
        if (m_pDepth)
            m_pDepth->Release();
        m_pDevice = nullptr;
    }

private:
    IDirect3DDevice8* m_pDevice;
    IDirect3DSurface8* m_pTarget = nullptr;
    IDirect3DSurface8* m_pDepth = nullptr;
};

} // namespace Kestu
