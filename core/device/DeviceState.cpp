#include "core/device/DeviceState.h"

#include <cassert>

namespace kestu {

void StateScope::Set(const StateRow& row)
{
    assert(m_states < kStates);
    if (m_states == kStates) return;
    SavedState& s = m_state[m_states];
    if (!SaveState(m_device, row, &s.saved)) return;
    s.stage = row.stage;
    s.type = row.type;
    s.value = row.value;
    ++m_states;
}

HRESULT StateScope::Texture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    assert(m_textures < kTextures);
    if (m_textures == kTextures) return E_FAIL;
    SavedTexture& t = m_texture[m_textures++];
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

void StateScope::KeepTransform(D3DTRANSFORMSTATETYPE type)
{
    assert(m_transforms < kTransforms);
    if (m_transforms == kTransforms) return;
    SavedTransform& t = m_transform[m_transforms];
    if (FAILED(m_device->GetTransform(type, &t.matrix))) return;
    t.type = type;
    ++m_transforms;
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
    for (; m_textures > 0; --m_textures) {
        const SavedTexture& t = m_texture[m_textures - 1];
        m_device->SetTexture(t.stage, t.texture);
        if (t.texture) t.texture->Release();
    }
    if (m_shaderSaved) {
        m_device->SetVertexShader(m_shader);
        m_shaderSaved = false;
    }
    for (; m_transforms > 0; --m_transforms)
        m_device->SetTransform(m_transform[m_transforms - 1].type, &m_transform[m_transforms - 1].matrix);
    for (; m_states > 0; --m_states) {
        const SavedState& s = m_state[m_states - 1];
        if (m_rule == PutBack::Changed)
            PutBackChanged(m_device, {s.stage, s.type, s.value}, s.saved);
        else
            PutBackDiffering(m_device, s.stage, s.type, s.saved);
    }
}

} // namespace kestu
