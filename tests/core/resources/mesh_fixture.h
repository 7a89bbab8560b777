// The scene the .x mesh tests draw in: identity transforms, no depth test,
// both faces, and one white light straight along +z, the meshes' own
// diffuse colour lit by it.
#pragma once
#include "d3d8.h"
#include "d3dx8.h"
#include "support/device.h"

inline void LightMeshScene(IDirect3DDevice8* device)
{
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    testdevice::SetTransforms(device, id, id, id);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse.r = light.Diffuse.g = light.Diffuse.b = 1.0f;
    light.Direction.z = 1.0f;
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
}
