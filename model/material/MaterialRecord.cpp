// The "MTLSDATA" record of a material.
#include "kestu_material.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

namespace {

void MaterialColour(COUArchive& ar, int store, D3DCOLORVALUE& c, DWORD& count)
{
    record::F32(ar, store, c.r, count);
    record::F32(ar, store, c.g, count);
    record::F32(ar, store, c.b, count);
    record::F32(ar, store, c.a, count);
}

} // namespace

long CMaterialData::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag)
{
    if (store && m_strTextureFile.size() > kMaxNameLength) return E_FAIL;
    try {
        char tag[8];
        record::Tag(ar, store, "MTLSDATA", tag, byteCount);
        record::U32(ar, store, dwMtlID, byteCount);
        record::U32(ar, store, dwBlendMode, byteCount);
        MaterialColour(ar, store, mtl.Diffuse, byteCount);
        MaterialColour(ar, store, mtl.Ambient, byteCount);
        MaterialColour(ar, store, mtl.Specular, byteCount);
        MaterialColour(ar, store, mtl.Emissive, byteCount);
        record::F32(ar, store, mtl.Power, byteCount);
        record::U32(ar, store, m_dwTextureID, byteCount);
        if (store)
            record::WriteName(ar, m_strTextureFile, byteCount);
        else
            m_strTextureFile = record::ReadName(ar, byteCount);
    } catch (HRESULT) {
        return E_FAIL;
    }
    return 0;
}

} // namespace Kestu
