// The fixed records of the GMA file: header and material blocks.
#include <cstring>

#include "kestu_bytes.h"
#include "kestu_gmafile.h"

SMeshAniHeader::SMeshAniHeader()
    : wMajorVersion(1), wMinorVersion(2), fDuration(0.0f), dwNumFrames(0), dwMeshID(0), wEnvMapAttribID(GMA_NO_ATTRIB),
      wIndicatedColorAttribID(GMA_NO_ATTRIB), wExchangeAttribID(GMA_NO_ATTRIB), dwFlags(0), byReserved{}, wReserved(0)
{
}

DWORD SMeshAniHeader::GetFVF() const
{
    if (IsNormalSkipped()) return IsFrameShareTexCoord() ? GMA_FVF_NORMAL_COORD_SKIPPED : GMA_FVF_NORMAL_SKIPPED;
    return IsFrameShareTexCoord() ? GMA_FVF_COORD_SKIPPED : GMA_FVF_VERTEX;
}

DWORD SMeshAniHeader::GetVertexStride() const
{
    return SMeshAniFrame::GetVerticesSize(1, IsNormalSkipped(), IsFrameShareTexCoord());
}

BOOL SMeshAniHeader::IsValid(WORD major, WORD minor) const
{
    return major > wMajorVersion || (major == wMajorVersion && minor >= wMinorVersion);
}

void SMeshAniHeader::AutoFixSpecialAttribID()
{
    if (wEnvMapAttribID != GMA_NO_ATTRIB) {
        if (wIndicatedColorAttribID == wEnvMapAttribID) ++wIndicatedColorAttribID;
        if (wExchangeAttribID == wEnvMapAttribID) ++wExchangeAttribID;
    }
    if (wIndicatedColorAttribID != GMA_NO_ATTRIB && wExchangeAttribID == wIndicatedColorAttribID) ++wExchangeAttribID;
}

bool SMeshAniHeader::Read(const void* data, size_t size)
{
    kestu::ByteReader r(data, size);
    wMajorVersion = r.U16();
    wMinorVersion = r.U16();
    fDuration = r.F32();
    dwNumFrames = r.U32();
    dwMeshID = r.U32();
    wEnvMapAttribID = r.U16();
    wIndicatedColorAttribID = r.U16();
    wExchangeAttribID = r.U16();
    dwFlags = r.U32();
    r.Bytes(byReserved, sizeof byReserved);
    wReserved = r.U16();
    return r.ok();
}

void SMeshAniHeader::Write(std::vector<BYTE>& out) const
{
    kestu::ByteWriter w(out);
    w.U16(wMajorVersion);
    w.U16(wMinorVersion);
    w.F32(fDuration);
    w.U32(dwNumFrames);
    w.U32(dwMeshID);
    w.U16(wEnvMapAttribID);
    w.U16(wIndicatedColorAttribID);
    w.U16(wExchangeAttribID);
    w.U32(dwFlags);
    w.Bytes(byReserved, sizeof byReserved);
    w.U16(wReserved);
}

namespace {

// The fields both material layouts have.
template <typename Head>
void ResetCommon(Head& h)
{
    std::memset(h.szTexture, 0, sizeof h.szTexture);
    std::memset(&h.Material, 0, sizeof h.Material);
    h.dwAddressU = D3DTADDRESS_WRAP;
    h.dwAddressV = D3DTADDRESS_WRAP;
    h.wNumFaces = 0;
}

} // namespace

void SMaterialInitHeader::Reset() { ResetCommon(*this); }

void SMaterialInitHeaderEx::Reset()
{
    ResetCommon(*this);
    dwTextureID = GMA_NO_TEXTURE;
}

SMaterialInitHeaderEx& SMaterialInitHeaderEx::operator=(const SMaterialInitHeader& old)
{
    std::memcpy(szTexture, old.szTexture, sizeof szTexture);
    Material = old.Material;
    dwAddressU = old.dwAddressU;
    dwAddressV = old.dwAddressV;
    wNumFaces = old.wNumFaces;
    return *this;
}

void SMaterialInitHeaderEx::GetTextureName(char (&out)[GMA_TEXNAME_SIZE]) const
{
    size_t n = 0;
    while (n + 1 < sizeof out && szTexture[n]) ++n;
    std::memcpy(out, szTexture, n);
    out[n] = 0;
}
