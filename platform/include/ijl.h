// JPEG-writer stand-in with the interface of the classic JPEG library:
// ijlInit / ijlWrite / ijlFree over a JPEG_CORE_PROPERTIES block.
#pragma once
#include "kestu_platform_api.h"
#include "windows.h"

typedef enum : int {
    IJL_OK = 0,
    IJL_INTERRUPT_OK = 1,
    IJL_ROI_OK = 2,
    IJL_EXCEPTION_DETECTED = -1,
    IJL_INVALID_ENCODER = -2,
    IJL_UNSUPPORTED_SUBSAMPLING = -3,
    IJL_UNSUPPORTED_BYTES_PER_PIXEL = -4,
    IJL_MEMORY_ERROR = -5,
    IJL_BAD_HUFFMAN_TABLE = -6,
    IJL_BAD_QUANT_TABLE = -7,
    IJL_INVALID_JPEG_PROPERTIES = -8,
    IJL_ERR_FILECLOSE = -9,
    IJL_INVALID_FILENAME = -10,
    IJL_ERROR_EOF = -11,
    IJL_PROG_NOT_SUPPORTED = -12,
    IJL_ERR_NOT_JPEG = -13,
    IJL_ERR_COMP = -14,
    IJL_ERR_SOF = -15,
    IJL_ERR_DNL = -16,
    IJL_ERR_NO_HUF = -17,
    IJL_ERR_NO_QUAN = -18,
    IJL_ERR_NO_FRAME = -19,
    IJL_ERR_MULT_FRAME = -20,
    IJL_ERR_DATA = -21,
    IJL_ERR_NO_IMAGE = -22,
    IJL_FILE_ERROR = -23,
    IJL_INTERNAL_ERROR = -24,
    IJL_BAD_RST_MARKER = -25,
    IJL_THUMBNAIL_DIB_TOO_SMALL = -26,
    IJL_THUMBNAIL_DIB_WRONG_COLOR = -27,
    IJL_BUFFER_TOO_SMALL = -28,
    IJL_UNSUPPORTED_FRAME = -29,
    IJL_ERR_COM_BUFFER = -30,
    IJL_RESERVED = -99
} IJLERR;

typedef enum : int {
    IJL_SETUP = -1,
    IJL_JFILE_READPARAMS = 0,
    IJL_JBUFF_READPARAMS = 1,
    IJL_JFILE_READWHOLEIMAGE = 2,
    IJL_JBUFF_READWHOLEIMAGE = 3,
    IJL_JFILE_READHEADER = 4,
    IJL_JBUFF_READHEADER = 5,
    IJL_JFILE_READENTROPY = 6,
    IJL_JBUFF_READENTROPY = 7,
    IJL_JFILE_WRITEWHOLEIMAGE = 8,
    IJL_JBUFF_WRITEWHOLEIMAGE = 9,
    IJL_JFILE_WRITEHEADER = 10,
    IJL_JBUFF_WRITEHEADER = 11,
    IJL_JFILE_WRITEENTROPY = 12,
    IJL_JBUFF_WRITEENTROPY = 13
} IJLIOTYPE;

typedef enum : int {
    IJL_RGB = 1,
    IJL_BGR = 2,
    IJL_YCBCR = 3,
    IJL_G = 4,
    IJL_RGBA_FPX = 5,
    IJL_YCBCRA_FPX = 6,
    IJL_OTHER = 255
} IJL_COLOR;

typedef enum : int { IJL_NONE = 0, IJL_411 = 1, IJL_422 = 2 } IJL_JPGSUBSAMPLING;
typedef IJL_JPGSUBSAMPLING IJL_DIBSUBSAMPLING;

// Padding bytes at the end of each DIB row of the given width and channels.
#define IJL_DIB_PAD_BYTES(width, nchannels) (((((width) * (nchannels)) + 3) / 4) * 4 - (width) * (nchannels))

typedef struct _JPEG_CORE_PROPERTIES {
    DWORD UseJPEGPROPERTIES;

    // The picture: bytes, size, rows top-down for a positive height,
    // bottom-up for a negative one.
    BYTE* DIBBytes;
    DWORD DIBWidth;
    int DIBHeight;
    DWORD DIBPadBytes;
    DWORD DIBChannels;
    IJL_COLOR DIBColor;
    IJL_DIBSUBSAMPLING DIBSubsampling;

    // The JPEG stream.
    LPCSTR JPGFile;
    BYTE* JPGBytes;
    DWORD JPGSizeBytes;
    DWORD JPGWidth;
    DWORD JPGHeight;
    DWORD JPGChannels;
    IJL_COLOR JPGColor;
    IJL_JPGSUBSAMPLING JPGSubsampling;
    DWORD JPGThumbWidth;
    DWORD JPGThumbHeight;

    DWORD cconversion_reqd;
    DWORD upsampling_reqd;
    DWORD jquality; // 1..100

    DWORD initialized; // set by ijlInit, cleared by ijlFree
} JPEG_CORE_PROPERTIES;

KESTU_WINAPI_BEGIN
KESTU_PLATFORM_API IJLERR ijlInit(JPEG_CORE_PROPERTIES* jcprops);
KESTU_PLATFORM_API IJLERR ijlFree(JPEG_CORE_PROPERTIES* jcprops);
KESTU_PLATFORM_API IJLERR ijlWrite(JPEG_CORE_PROPERTIES* jcprops, IJLIOTYPE iotype);
KESTU_PLATFORM_API const char* ijlErrorStr(IJLERR code);
KESTU_WINAPI_END
