#include "kestu_gmacontainer.h"
#include "meshani/container/GmaVertexLayout.h"

SGmaVerticesEntry::SGmaVerticesEntry()
    : dwFVF(GMA_FVF_VERTEX), dwStride(36), dwNumVertices(0), pBase(nullptr), pPos(nullptr), pNormal(nullptr),
      pDiffuse(nullptr), pTexCoord(nullptr)
{
}

void SGmaVerticesEntry::Init(DWORD format, DWORD count, BYTE* base)
{
    dwFVF = format;
    dwNumVertices = count;
    pBase = base;
    switch (format) {
    case GMA_FVF_NORMAL_COORD_SKIPPED: dwStride = 16; break;
    case GMA_FVF_COORD_SKIPPED: dwStride = 28; break;
    case GMA_FVF_TEXCOORD: dwStride = 8; break;
    case GMA_FVF_NORMAL_SKIPPED: dwStride = 24; break;
    default: dwStride = 36; break;
    }
    const GmaVertexLayout layout(format);
    pPos = GmaVertexLayout::At(base, layout.position);
    pNormal = GmaVertexLayout::At(base, layout.normal);
    pDiffuse = GmaVertexLayout::At(base, layout.diffuse);
    pTexCoord = GmaVertexLayout::At(base, layout.tex);
}
