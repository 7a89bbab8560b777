// The two font file heads, field by field.
#include <cstring>

#include "kestu_bytes.h"
#include "kestu_font.h"

namespace {
constexpr char kBanner[] = "Kestu bitmap font, kestu-font";
constexpr char kSignature[] = "Kestu TIB, kestu-font";
} // namespace

SFNTHEADER::SFNTHEADER()
    : wVersion(1), wZero(0), szFaceName{}, szBanner{}, wCellWidth(16), wCellHeight(16), byBytesPerRow(2),
      byBytesPerGlyph(32), byUnused0(16), byUnused1(16), dwFlags(1), reserved{}, dwHeaderSize(kSize)
{
    std::strcpy(szFaceName, "Arial Unicode MS");
    std::strcpy(szBanner, kBanner);
}

void SFNTHEADER::Write(uint8_t out[kSize]) const
{
    std::vector<uint8_t> bytes;
    kestu::ByteWriter w(bytes);
    w.U16(wVersion);
    w.U16(wZero);
    w.Bytes(szFaceName, sizeof szFaceName);
    w.Bytes(szBanner, sizeof szBanner);
    w.U16(wCellWidth);
    w.U16(wCellHeight);
    w.U8(byBytesPerRow);
    w.U8(byBytesPerGlyph);
    w.U8(byUnused0);
    w.U8(byUnused1);
    w.U32(dwFlags);
    w.Bytes(reserved, sizeof reserved);
    w.U32(dwHeaderSize);
    std::memcpy(out, bytes.data(), kSize);
}

int SFNTHEADER::Read(const uint8_t* bytes, size_t size)
{
    kestu::ByteReader r(bytes, size);
    SFNTHEADER h;
    h.wVersion = r.U16();
    h.wZero = r.U16();
    r.Bytes(h.szFaceName, sizeof h.szFaceName);
    r.Bytes(h.szBanner, sizeof h.szBanner);
    h.wCellWidth = r.U16();
    h.wCellHeight = r.U16();
    h.byBytesPerRow = r.U8();
    h.byBytesPerGlyph = r.U8();
    h.byUnused0 = r.U8();
    h.byUnused1 = r.U8();
    h.dwFlags = r.U32();
    r.Bytes(h.reserved, sizeof h.reserved);
    h.dwHeaderSize = r.U32();
    if (!r.ok()) return 0;
    h.szFaceName[sizeof h.szFaceName - 1] = 0;
    h.szBanner[sizeof h.szBanner - 1] = 0;
    *this = h;
    return 1;
}

tgTibInit::tgTibInit() : wVersion(1), wZero(0), szSignature{}, dwReserved(0), dwFontCount(0), dwSlotCount{}, reserved{}
{
    std::strcpy(szSignature, kSignature);
}

void tgTibInit::Write(uint8_t out[kSize]) const
{
    std::vector<uint8_t> bytes;
    kestu::ByteWriter w(bytes);
    w.U16(wVersion);
    w.U16(wZero);
    w.Bytes(szSignature, sizeof szSignature);
    w.U32(dwReserved);
    w.U32(dwFontCount);
    for (uint32_t n : dwSlotCount) w.U32(n);
    w.Bytes(reserved, sizeof reserved);
    std::memcpy(out, bytes.data(), kSize);
}

int tgTibInit::Read(const uint8_t* bytes, size_t size)
{
    kestu::ByteReader r(bytes, size);
    tgTibInit h;
    h.wVersion = r.U16();
    h.wZero = r.U16();
    r.Bytes(h.szSignature, sizeof h.szSignature);
    h.dwReserved = r.U32();
    h.dwFontCount = r.U32();
    for (uint32_t& n : h.dwSlotCount) n = r.U32();
    r.Bytes(h.reserved, sizeof h.reserved);
    if (!r.ok()) return 0;
    h.szSignature[sizeof h.szSignature - 1] = 0;
    *this = h;
    return 1;
}
