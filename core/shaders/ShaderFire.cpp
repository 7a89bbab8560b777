#include "kestu_shadercontexts.h"

long CShaderFire::UpdateConstant(IDirect3DDevice8* device)
{
    if (!device) return 0;
    const D3DXMATRIX m = CombinedTransposed();
    device->SetVertexShaderConstant(0, &m, 4);
    const float time[4] = {m_fTime, 0.0f, 0.0f, 0.0f};
    device->SetVertexShaderConstant(10, time, 1);
    device->SetVertexShaderConstant(11, m_vScroll1, 1);
    device->SetVertexShaderConstant(12, m_vScroll2, 1);
    device->SetVertexShaderConstant(13, m_vScroll3, 1);
    device->SetVertexShaderConstant(14, m_vScale1, 1);
    device->SetVertexShaderConstant(15, m_vScale2, 1);
    device->SetVertexShaderConstant(16, m_vScale3, 1);
    device->SetPixelShaderConstant(1, m_vDistortion1, 1);
    device->SetPixelShaderConstant(2, m_vDistortion2, 1);
    device->SetPixelShaderConstant(3, m_vDistortion3, 1);
    device->SetPixelShaderConstant(4, m_vBias, 1);
    return 0;
}
