#include "kestu_gmacontainer.h"

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
    const bool position = (format & D3DFVF_XYZ) != 0;
    const bool normal = (format & D3DFVF_NORMAL) != 0;
    const bool diffuse = (format & D3DFVF_DIFFUSE) != 0;
    const bool tex = (format & D3DFVF_TEX1) != 0;
    size_t at = 0;
    pPos = position ? base : nullptr;
    at += position ? 12 : 0;
    pNormal = normal ? base + at : nullptr;
    at += normal ? 12 : 0;
    pDiffuse = diffuse ? base + at : nullptr;
    at += diffuse ? 4 : 0;
    pTexCoord = tex ? base + at : nullptr;
}
