#include <cmath>
#include <cstring>

#include "kestu_d3dutil.h"

void D3DUtil_InitMaterial(D3DMATERIAL8& material, float r, float g, float b, float a)
{
    std::memset(&material, 0, sizeof(material));
    material.Diffuse.r = material.Ambient.r = r;
    material.Diffuse.g = material.Ambient.g = g;
    material.Diffuse.b = material.Ambient.b = b;
    material.Diffuse.a = material.Ambient.a = a;
}

void D3DUtil_InitLight(D3DLIGHT8& light, D3DLIGHTTYPE type, float x, float y, float z)
{
    std::memset(&light, 0, sizeof(light));
    light.Type = type;
    light.Diffuse.r = 1.0f;
    light.Diffuse.g = 1.0f;
    light.Diffuse.b = 1.0f;
    const D3DXVECTOR3 v(x, y, z);
    D3DXVec3Normalize(reinterpret_cast<D3DXVECTOR3*>(&light.Direction), &v);
    light.Position.x = x;
    light.Position.y = y;
    light.Position.z = z;
    light.Range = 1000.0f;
}

D3DXMATRIX D3DUtil_GetCubeMapViewMatrix(DWORD face)
{
    const D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 look(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    switch (face) {
    case 0: look = D3DXVECTOR3(1.0f, 0.0f, 0.0f); break;
    case 1: look = D3DXVECTOR3(-1.0f, 0.0f, 0.0f); break;
    case 2:
        look = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        up = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
        break;
    case 3:
        look = D3DXVECTOR3(0.0f, -1.0f, 0.0f);
        up = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        break;
    case 5: look = D3DXVECTOR3(0.0f, 0.0f, -1.0f); break;
    default: break; // 4, and faces beyond the cube, look down +z
    }
    D3DXMATRIX m;
    D3DXMatrixLookAtLH(&m, &eye, &look, &up);
    return m;
}

D3DXQUATERNION D3DUtil_GetRotationFromCursor(HWND window, float r)
{
    POINT pt{};
    RECT rc{};
    GetCursorPos(&pt);
    GetClientRect(window, &rc);
    ScreenToClient(window, &pt);
    const float sx = 2.0f * static_cast<float>(pt.x) / static_cast<float>(rc.right - rc.left) - 1.0f;
    const float sy = 2.0f * static_cast<float>(pt.y) / static_cast<float>(rc.bottom - rc.top) - 1.0f;
    if (sx == 0.0f && sy == 0.0f) return D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);

    const float d = std::sqrt(sx * sx + sy * sy);
    float sz;
    if (static_cast<double>(d) < static_cast<double>(r) * 0.7071067811865476)
        sz = std::sqrt(r * r - d * d);
    else
        sz = r * r / (2.0f * d);

    const D3DXVECTOR3 p1(sx, sy, sz);
    const D3DXVECTOR3 p2(0.0f, 0.0f, r);
    D3DXVECTOR3 axis;
    D3DXVec3Cross(&axis, &p1, &p2);
    const D3DXVECTOR3 diff = p2 - p1;
    float t = D3DXVec3Length(&diff) / (2.0f * r);
    if (t > 1.0f) t = 1.0f;
    if (t < -1.0f) t = -1.0f;
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, 2.0f * std::asin(t));
    return q;
}
