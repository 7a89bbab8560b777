#include <new>

#include "kestu_meshdatamng.h"
#include "kestu_meshdataref.h"

namespace Kestu {

long CMeshDataRef::MakeVertexBuffer()
{
    CMeshDataBase* mesh = m_pMeshData.Get();
    CVertexBuffer* made =
        new (std::nothrow) CVertexBuffer(mesh->GetDevice(), mesh->GetVertexBufferSize(), mesh->GetVertexFVF(),
                                         mesh->GetVertexStride(), D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED, nullptr);
    m_pVB.Reset(made);
    if (!made) return E_FAIL;
    // The object starts out with the undeformed vertices.
    if (const char* working = mesh->GetWorkVertexData()) mesh->UpdateVertexBuffer(made, working);
    return 0;
}

long CMeshDataRef::Build(IDirect3DDevice8* device, CMeshDataBase* mesh)
{
    if (mesh) SetMeshData(mesh);
    CMeshDataBase* held = m_pMeshData.Get();
    if (!held) return E_FAIL;
    if (!held->IsBuilt()) {
        const long hr = held->Build(device);
        if (hr < 0) return hr;
    }
    return MakeVertexBuffer();
}

void CMeshDataRef::CheckVertexBufUsing()
{
    CMeshDataBase* mesh = m_pMeshData.Get();
    if (!mesh) return;
    if (mesh->IsShaderSkinned()) {
        m_pVB.Reset();
        return;
    }
    if (!m_pVB) MakeVertexBuffer();
}

bool CMeshDataRef::PrepareStreams(const D3DXMATRIX* palette)
{
    CMeshDataBase* mesh = m_pMeshData.Get();
    IDirect3DDevice8* device = mesh->GetDevice();
    if (!device) return false;
    // Without a palette the vertices were skinned in software.
    const bool shaderBlends = palette && mesh->IsShaderSkinned();
    if (!shaderBlends) {
        // A handle whose buffer was dropped for a shader path gets it back
        // with the mesh's latest vertices.
        if (!m_pVB) MakeVertexBuffer();
        if (m_pVB && CMeshDataMng::IsUsingCache() && mesh->GetMemVertexBuffer())
            m_pVB->Copy(mesh->GetMemVertexBuffer());
    }
    CIndexBuffer* ib = mesh->GetIndexBuffer();
    device->SetIndices(ib ? ib->GetIdxBuf() : nullptr, 0);
    CVertexBuffer* stream = shaderBlends || !m_pVB ? mesh->GetVertexBuffer() : m_pVB.Get();
    device->SetStreamSource(0, stream ? stream->GetVtxBuf() : nullptr, stream ? stream->GetStride() : 0);
    device->SetVertexShader(mesh->GetVertexFVF());
    return true;
}

long CMeshDataRef::Render(D3DXMATRIX* palette)
{
    if (!m_pMeshData || !PrepareStreams(palette)) return 0;
    m_pMeshData->Render(palette, 0);
    return 0;
}

long CMeshDataRef::RenderRough(D3DXMATRIX* palette, int flag)
{
    if (!m_pMeshData || !PrepareStreams(palette)) return 0;
    m_pMeshData->RenderRough(palette, flag, 0);
    return 0;
}

long CMeshDataRef::Release()
{
    m_pVB.Reset();
    return 0;
}

} // namespace Kestu
