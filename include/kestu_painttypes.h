// Paint modes and paint directions of the 2D image classes.
#pragma once

#include <cstdint>

// A set of effect bits; only the named combinations are painted, anything
// else takes a dispatcher's default branch. The fixed underlying type keeps
// every 32-bit value representable.
enum PAINT_TYPE : uint32_t {
    PT_KEY = 0,
    PT_COPY = 1,
    PT_COLORTABLE = 4,
    PT_ENHANCE = 8,
    PT_SILHOUETTE = 16,
    PT_TWOCOLOR = 17,
    PT_SOFTSILHOUETTE = 18,
    PT_GRAY = 32,
    PT_SOURCEFILTER = 64,
    PT_HALF = 128,
    PT_GRAYHALF = 160,
    PT_SOURCEFILTERHALF = 192,
    PT_ALPHA = 256,
    PT_ALPHACOLORTABLE = 260,
    PT_ALPHASOURCEFILTER = 320,
    PT_MIXALPHA = 388,
    PT_TRANSGRADE = 640,
    PT_ALPHATRANSGRADE = 768,
    PT_PIXELSHADE = 1032,
    PT_PIXELSHADEHALF = 1160,
    PT_SHADEBLEND = 1280,
    PT_ABLIGHT = 2312,
    PT_ALPHARESERVED = 8192,
};

// Bits of the paint-type set.
enum : uint32_t {
    PTB_OPAQUE = 1,
    PTB_SOFTEDGE = 2,
    PTB_COLORTABLE = 4,
    PTB_BRIGHTNESS = 8,
    PTB_SILHOUETTE = 16,
    PTB_GRAY = 32,
    PTB_SOURCEFILTER = 64,
    PTB_HALF = 128,
    PTB_ALPHA = 256,
    PTB_TRANSGRADE = 512,
    PTB_SHADETABLE = 1024,
    PTB_LIGHTGRID = 2048,
    PTB_RESERVED = 8192,
};

enum PAINT_DIRECTION : int32_t {
    PD_MIRROR_H = 1, // mirrored left to right
    PD_FLIP_V = 2,   // upside down
};

// Class codes answered by WhoAmI().
enum : int {
    KESTU_WHOAMI_CDD = 0,
    KESTU_WHOAMI_SBMP = 4,
    KESTU_WHOAMI_CDIB = 5,
    KESTU_WHOAMI_RTBMP = 6,
    KESTU_WHOAMI_IMAGESURFACE = 7,
    KESTU_WHOAMI_TEXTURE = 8,
};
