#include "kestu_xbm.h"

#include <cstring>

namespace {

void Put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

XBMFILEHEADER::XBMFILEHEADER()
    : magic(XBM_MAGIC), reserved0{}, reserved1(0), width(0), height(0), bitsPerPixel(8), pixelFormat(8),
      compressed(0), palette(0), transColor(-1), alpha(0), ownBuffer(0), copyRows(0), alphaCompressed(0),
      alphaSize(0), dataSize(0), reserved2{}
{
}

void XBMFILEHEADER::Write(uint8_t out[XBM_HEADER_SIZE]) const
{
    Put32(out + 0, magic);
    std::memcpy(out + 4, reserved0, sizeof reserved0);
    Put32(out + 16, reserved1);
    Put32(out + 20, width);
    Put32(out + 24, height);
    out[28] = bitsPerPixel;
    out[29] = pixelFormat;
    out[30] = compressed;
    out[31] = palette;
    Put32(out + 32, static_cast<uint32_t>(transColor));
    out[36] = alpha;
    out[37] = ownBuffer;
    out[38] = copyRows;
    out[39] = alphaCompressed;
    Put32(out + 40, alphaSize);
    Put32(out + 44, dataSize);
    std::memcpy(out + 48, reserved2, sizeof reserved2);
}

int XBMFILEHEADER::Read(const void* bytes, size_t size)
{
    if (bytes == nullptr || size < XBM_HEADER_SIZE) return 0;
    const uint8_t* in = static_cast<const uint8_t*>(bytes);
    magic = Get32(in + 0);
    std::memcpy(reserved0, in + 4, sizeof reserved0);
    reserved1 = Get32(in + 16);
    width = Get32(in + 20);
    height = Get32(in + 24);
    bitsPerPixel = in[28];
    pixelFormat = in[29];
    compressed = in[30];
    palette = in[31];
    transColor = static_cast<int32_t>(Get32(in + 32));
    alpha = in[36];
    ownBuffer = in[37];
    copyRows = in[38];
    alphaCompressed = in[39];
    alphaSize = Get32(in + 40);
    dataSize = Get32(in + 44);
    std::memcpy(reserved2, in + 48, sizeof reserved2);
    return 1;
}
