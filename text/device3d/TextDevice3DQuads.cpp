// CGfxTextDevice3D: one textured quad on the screen or in the world.
#include <d3dx8math.h>

#include <cstring>

#include "core/device/DeviceState.h"
#include "kestu_textdevice3d.h"

namespace {

template <size_t N>
HRESULT Upload(IDirect3DVertexBuffer8* vb, const float (&data)[N])
{
    BYTE* out = nullptr;
    HRESULT hr = vb->Lock(0, sizeof data, &out, D3DLOCK_DISCARD);
    if (FAILED(hr)) return hr;
    std::memcpy(out, data, sizeof data);
    return vb->Unlock();
}

// One two-triangle strip of the buffer with the texture, the z test and z
// writing switched by the text's flags for the draw.
HRESULT DrawStrip(IDirect3DDevice8* device, IDirect3DVertexBuffer8* vb, UINT stride, DWORD fvf,
                  IDirect3DTexture8* texture, const SGfxTextAttriBase& a)
{
    device->SetTexture(0, texture);
    device->SetStreamSource(0, vb, stride);
    device->SetVertexShader(fvf);
    kestu::StateScope states(device);
    states.Render(D3DRS_ZENABLE, a.IsHaveFormat(GFXTF_ZTEST) ? TRUE : FALSE);
    states.Render(D3DRS_ZWRITEENABLE, a.IsHaveFormat(GFXTF_ZWRITE) ? TRUE : FALSE);
    return device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

} // namespace

HRESULT CGfxTextDevice3D::PutTexTo2D(IDirect3DTexture8* texture, float tu0, float tv0, float tu1, float tv1, float left,
                                     float top, float right, float bottom)
{
    if (texture == nullptr) return E_FAIL;
    // Without Restore there is no vertex buffer: nothing is drawn.
    if (m_pDevice == nullptr || m_pVB2D == nullptr) return E_FAIL;
    const float z = m_Attri.GetValidZValue();
    const float v[24] = {left - 0.5f, top - 0.5f,    z, 1.0f, tu0, tv0, right - 0.5f, top - 0.5f,    z, 1.0f, tu1, tv0,
                         left - 0.5f, bottom - 0.5f, z, 1.0f, tu0, tv1, right - 0.5f, bottom - 0.5f, z, 1.0f, tu1, tv1};
    HRESULT hr = Upload(m_pVB2D, v);
    if (FAILED(hr)) return hr;
    kestu::StateScope states(m_pDevice);
    states.Render(D3DRS_ALPHABLENDENABLE, TRUE);
    states.Render(D3DRS_ALPHATESTENABLE, FALSE);
    states.Stage(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    states.Stage(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    states.Stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    return DrawStrip(m_pDevice, m_pVB2D, 24, D3DFVF_XYZRHW | D3DFVF_TEX1, texture, m_Attri);
}

HRESULT CGfxTextDevice3D::PutTexTo3D(IDirect3DTexture8* texture, float tu0, float tv0, float tu1, float tv1,
                                     const D3DXVECTOR3* position, const D3DXVECTOR3* direction, const D3DXVECTOR3* up,
                                     float width, float height)
{
    if (texture == nullptr) return S_OK;
    if (m_pDevice == nullptr || m_pVB3D == nullptr || position == nullptr || direction == nullptr || up == nullptr)
        return E_FAIL;
    D3DXVECTOR3 d, r, t;
    D3DXVec3Normalize(&d, direction);
    D3DXVec3Cross(&r, &d, up);
    D3DXVec3Normalize(&r, &r);
    D3DXVec3Cross(&t, &r, &d);
    // The frame's rows are r, d, t and the position: the corners are given in
    // that frame, so the position is applied once, by the matrix.
    const D3DXMATRIX frame(r.x, r.y, r.z, 0.0f, d.x, d.y, d.z, 0.0f, t.x, t.y, t.z, 0.0f, position->x, position->y,
                           position->z, 1.0f);
    const D3DXVECTOR3 corners[4] = {
        {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, height}, {width, 0.0f, 0.0f}, {width, 0.0f, height}};
    const float uv[4][2] = {{tu0, tv1}, {tu0, tv0}, {tu1, tv1}, {tu1, tv0}};
    float v[20];
    for (int i = 0; i < 4; ++i) {
        D3DXVECTOR3 p;
        D3DXVec3TransformCoord(&p, &corners[i], &frame);
        v[i * 5 + 0] = p.x;
        v[i * 5 + 1] = p.y;
        v[i * 5 + 2] = p.z;
        v[i * 5 + 3] = uv[i][0];
        v[i * 5 + 4] = uv[i][1];
    }
    HRESULT hr = Upload(m_pVB3D, v);
    if (FAILED(hr)) return hr;
    return DrawStrip(m_pDevice, m_pVB3D, 20, D3DFVF_XYZ | D3DFVF_TEX1, texture, m_Attri);
}
