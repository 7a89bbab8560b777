#include "kestu_bbanimation.h"

#include <vector>

#include "kestu_bytes.h"

CBBAFrame g_BBAFEmpty(0.0f);

int BBANIMATION_FRAME_INIT::IsValid() const
{
    return size.IsValid() && rcTexture.right - rcTexture.left > 0.0f && rcTexture.bottom - rcTexture.top > 0.0f &&
                   fTime != 0.0f
               ? 1
               : 0;
}

void BBANIMATION_FRAME_INIT::Read(const BYTE* bytes)
{
    kestu::ByteReader r(bytes, KESTU_BBANI_FRAME_SIZE);
    dwTextureID = r.U32();
    fTime = r.F32();
    ptHotSpot.x = r.F32();
    ptHotSpot.y = r.F32();
    vOffset.x = r.F32();
    vOffset.y = r.F32();
    size.cx = r.F32();
    size.cy = r.F32();
    rcTexture.left = r.F32();
    rcTexture.top = r.F32();
    rcTexture.right = r.F32();
    rcTexture.bottom = r.F32();
}

void BBANIMATION_FRAME_INIT::Write(BYTE* bytes) const
{
    std::vector<uint8_t> out;
    out.reserve(KESTU_BBANI_FRAME_SIZE);
    kestu::ByteWriter w(out);
    w.U32(dwTextureID);
    for (float f : {fTime, ptHotSpot.x, ptHotSpot.y, vOffset.x, vOffset.y, size.cx, size.cy, rcTexture.left,
                    rcTexture.top, rcTexture.right, rcTexture.bottom})
        w.F32(f);
    std::copy(out.begin(), out.end(), bytes);
}

CBBAFrame::CBBAFrame(float time) : m_fDefaultTime(time) { m_Init.fTime = time; }

int CBBAFrame::Build(const BBANIMATION_FRAME_INIT* init)
{
    if (init == nullptr) return 0;
    m_Init = *init;
    m_fDefaultTime = m_Init.fTime;
    m_bBuilt = 1;
    return 1;
}

int CBBAFrame::ReadInitfromBuffer(const void* buffer)
{
    if (buffer == nullptr) return 0;
    m_Init.Read(static_cast<const BYTE*>(buffer));
    return 1;
}

int CBBAFrame::WriteInitToBuffer(void* buffer) const
{
    if (buffer == nullptr) return 0;
    m_Init.Write(static_cast<BYTE*>(buffer));
    return 1;
}

int CBBAFrame::BuildFromRecord(const void* record)
{
    if (!ReadInitfromBuffer(record)) return 0;
    m_fDefaultTime = m_Init.fTime;
    m_bBuilt = 1;
    return 1;
}
