// What the particle scenes share: actions that run on every frame and the
// camera.
#pragma once
#include <kestu.h>

template <class Action> Action* Always(Action* action)
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
