#include <cmath>

#include "kestu_d3dutil.h"

namespace {

// Shared by every arc-ball: they live with the mouse handler.
int g_iLastMouseX = 0;
int g_iLastMouseY = 0;
D3DXVECTOR3 g_vDown(0.0f, 0.0f, 0.0f);

D3DXQUATERNION* UnitArcQuaternion(D3DXQUATERNION* out, const D3DXVECTOR3& from, const D3DXVECTOR3& to)
{
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &from, &to);
    out->x = c.x;
    out->y = c.y;
    out->z = c.z;
    out->w = D3DXVec3Dot(&from, &to);
    return out;
}

D3DXQUATERNION* HalfArcQuaternion(D3DXQUATERNION* out, const D3DXVECTOR3& from, const D3DXVECTOR3& to)
{
    D3DXVECTOR3 a, b, h;
    D3DXVec3Normalize(&a, &from);
    D3DXVec3Normalize(&b, &to);
    const D3DXVECTOR3 sum = a + b;
    D3DXVec3Normalize(&h, &sum);
    return UnitArcQuaternion(out, a, h);
}

} // namespace

void CD3DArcBall::Init()
{
    D3DXQuaternionIdentity(&m_qDown);
    D3DXQuaternionIdentity(&m_qNow);
    D3DXMatrixIdentity(&m_matRotation);
    D3DXMatrixIdentity(&m_matRotationDelta);
    D3DXMatrixIdentity(&m_matTranslation);
    D3DXMatrixIdentity(&m_matTranslationDelta);
    m_bDrag = FALSE;
    m_fRadiusTranslation = 1.0f;
    m_bRightHanded = FALSE;
}

void CD3DArcBall::SetWindow(int width, int height, float radius)
{
    m_iWidth = width;
    m_iHeight = height;
    m_fRadius = radius;
}

D3DXVECTOR3 CD3DArcBall::ScreenToVector(int x, int y)
{
    float vx = static_cast<float>(m_iWidth / 2 - x) / (static_cast<float>(m_iWidth) * m_fRadius * 0.5f);
    float vy = static_cast<float>(y - m_iHeight / 2) / (static_cast<float>(m_iHeight) * m_fRadius * 0.5f);
    if (m_bRightHanded) {
        vx = -vx;
        vy = -vy;
    }
    float vz = 0.0f;
    const float m = vx * vx + vy * vy;
    if (m > 1.0f) {
        const float s = 1.0f / std::sqrt(m);
        vx *= s;
        vy *= s;
    } else {
        vz = std::sqrt(1.0f - m);
    }
    return D3DXVECTOR3(vx, vy, vz);
}

LRESULT CD3DArcBall::HandleMouseMessages(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        g_iLastMouseX = x;
        g_iLastMouseY = y;
        return 1;
    case WM_LBUTTONDOWN:
        m_bDrag = TRUE;
        g_vDown = ScreenToVector(x, y);
        m_qDown = m_qNow;
        return 1;
    case WM_LBUTTONUP: m_bDrag = FALSE; return 1;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON) {
            if (m_bDrag) {
                D3DXQUATERNION q;
                HalfArcQuaternion(&q, g_vDown, ScreenToVector(x, y));
                m_qNow = m_qDown;
                D3DXQuaternionMultiply(&m_qNow, &m_qNow, &q);
                D3DXMatrixRotationQuaternion(&m_matRotationDelta, &q);
            } else {
                D3DXMatrixIdentity(&m_matRotationDelta);
            }
            D3DXMatrixRotationQuaternion(&m_matRotation, &m_qNow);
            m_bDrag = TRUE;
        } else if (wParam & (MK_RBUTTON | MK_MBUTTON)) {
            const float dy =
                static_cast<float>(g_iLastMouseY - y) * m_fRadiusTranslation / static_cast<float>(m_iHeight);
            if (wParam & MK_RBUTTON) {
                const float dx =
                    static_cast<float>(g_iLastMouseX - x) * m_fRadiusTranslation / static_cast<float>(m_iWidth);
                D3DXMatrixTranslation(&m_matTranslationDelta, -2.0f * dx, 2.0f * dy, 0.0f);
            } else {
                D3DXMatrixTranslation(&m_matTranslationDelta, 0.0f, 0.0f, 5.0f * dy);
            }
            D3DXMatrixMultiply(&m_matTranslation, &m_matTranslation, &m_matTranslationDelta);
            g_iLastMouseX = x;
            g_iLastMouseY = y;
        }
        return 1;
    default: return 0;
    }
}
