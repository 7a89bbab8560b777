// What the particle scenes share: actions that run on every frame and the
// camera.
#pragma once
#include <cmath>

#include <kestu.h>

template <class Action>
Action* Always(Action* action)
{
    action->validity.nValidity = 2;
    return action;
}

// A perspective view of 60 degrees from eye to at, unlit, nothing culled, no
// depth test.
inline void LookAt(IDirect3DDevice8* device, const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
{
    const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 3.0f, float(back->Width) / float(back->Height), 0.1f, 50.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
}

// A 64 x 64 soft round spot saved as an image file: texel(f) is the colour of
// a texel at falloff f from the middle (1 there, 0 at the rim and beyond).
template <class Texel>
bool SaveSpot(IDirect3DDevice8* device, const char* path, D3DFORMAT format, D3DXIMAGE_FILEFORMAT type, Texel texel)
{
    const UINT size = 64;
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(size, size, 1, 0, format, D3DPOOL_MANAGED, &texture))) return false;
    D3DLOCKED_RECT locked;
    bool ok = SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0));
    if (ok) {
        for (UINT y = 0; y < size; ++y) {
            auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < size; ++x) {
                const float dx = (x + 0.5f) / size * 2 - 1, dy = (y + 0.5f) / size * 2 - 1;
                row[x] = texel(std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy)));
            }
        }
        texture->UnlockRect(0);
        ok = SUCCEEDED(D3DXSaveTextureToFileA(path, type, texture, nullptr));
    }
    texture->Release();
    return ok;
}
