#include "kestu_xbm.h"

#include <cstring>

#include "kestu_bytes.h"

using kestu::PutU32;

XBMFILEHEADER::XBMFILEHEADER()
    : magic(XBM_MAGIC), reserved0{}, reserved1(0), width(0), height(0), bitsPerPixel(8), pixelFormat(8), compressed(0),
      palette(0), transColor(-1), alpha(0), ownBuffer(0), copyRows(0), alphaCompressed(0), alphaSize(0),
      dataSize(0), reserved2{}
{
}

void XBMFILEHEADER::Write(uint8_t out[XBM_HEADER_SIZE]) const
{
    PutU32(out + 0, magic);
    std::memcpy(out + 4, reserved0, sizeof reserved0);
    PutU32(out + 16, reserved1);
    PutU32(out + 20, width);
    PutU32(out + 24, height);
    out[28] = bitsPerPixel;
    out[29] = pixelFormat;
    out[30] = compressed;
    out[31] = palette;
    PutU32(out + 32, static_cast<uint32_t>(transColor));
    out[36] = alpha;
    out[37] = ownBuffer;
    out[38] = copyRows;
    out[39] = alphaCompressed;
    PutU32(out + 40, alphaSize);
    PutU32(out + 44, dataSize);
    std::memcpy(out + 48, reserved2, sizeof reserved2);
}

int XBMFILEHEADER::Read(const void* bytes, size_t size)
{
    if (bytes == nullptr || size < XBM_HEADER_SIZE) return 0;
    kestu::ByteReader r(bytes, XBM_HEADER_SIZE);
    magic = r.U32();
    r.Bytes(reserved0, sizeof reserved0);
    reserved1 = r.U32();
    width = r.U32();
    height = r.U32();
    bitsPerPixel = r.U8();
    pixelFormat = r.U8();
    compressed = r.U8();
    palette = r.U8();
    transColor = r.I32();
    alpha = r.U8();
    ownBuffer = r.U8();
    copyRows = r.U8();
    alphaCompressed = r.U8();
    alphaSize = r.U32();
    dataSize = r.U32();
    r.Bytes(reserved2, sizeof reserved2);
    return 1;
}
