#include "core/device/DeviceState.h"

namespace kestu {

HRESULT StateScope::Texture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    SavedTexture& t = m_texture.Add();
    t.stage = stage;
    t.texture = nullptr;
    m_device->GetTexture(stage, &t.texture);
    return m_device->SetTexture(stage, texture);
}

HRESULT StateScope::VertexShader(DWORD handle)
{
    if (!m_shaderSaved) {
        m_device->GetVertexShader(&m_shader);
        m_shaderSaved = true;
    }
    return m_device->SetVertexShader(handle);
}

const D3DMATRIX* StateScope::KeepTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* putBack)
{
    SavedTransform& t = m_transform.Add();
    if (putBack) {
        t.matrix = *putBack;
    } else if (FAILED(m_device->GetTransform(type, &t.matrix))) {
        m_transform.DropLast();
        return nullptr;
    }
    t.type = type;
    return &t.matrix;
}

HRESULT StateScope::Transform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix)
{
    KeepTransform(type);
    return m_device->SetTransform(type, matrix);
}

void StateScope::KeepRenderTarget()
{
    if (m_targetSaved) return;
    m_device->GetRenderTarget(&m_target);
    m_device->GetDepthStencilSurface(&m_depth);
    m_targetSaved = true;
}

void StateScope::Restore()
{
    if (m_targetSaved) {
        m_device->SetRenderTarget(m_target, m_depth);
        if (m_target) m_target->Release();
        if (m_depth) m_depth->Release();
        m_target = m_depth = nullptr;
        m_targetSaved = false;
    }
    for (; m_texture.Size() > 0; m_texture.DropLast()) {
        const SavedTexture& t = m_texture.Last();
        m_device->SetTexture(t.stage, t.texture);
        if (t.texture) t.texture->Release();
    }
    if (m_shaderSaved) {
        m_device->SetVertexShader(m_shader);
        m_shaderSaved = false;
    }
    for (; m_transform.Size() > 0; m_transform.DropLast())
        m_device->SetTransform(m_transform.Last().type, &m_transform.Last().matrix);
    if (m_rule == PutBack::Changed) {
        for (; m_state.Size() > 0; m_state.DropLast()) {
            const SavedState& s = m_state.Last();
            PutBackChanged(m_device, {s.stage, s.type, s.value}, s.saved);
        }
    } else {
        for (; m_state.Size() > 0; m_state.DropLast()) {
            const SavedState& s = m_state.Last();
            PutBackDiffering(m_device, s.stage, s.type, s.saved);
        }
    }
}

} // namespace kestu
