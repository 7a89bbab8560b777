// CImageSurface: the paths that go through the D3DX surface functions.
#include "kestu_imagesurface.h"

HRESULT CImageSurface::ScaledPaint(const RECT&, const RECT&, unsigned long, IDirect3DSurface8*)
{
    // Scaled copies need the D3DX surface loader, which this build lacks.
    return E_NOTIMPL;
}
