// The engine's shared scratch list: entries of two 32-bit values. It exists
// from a successful build to Kestu_Release; the streamed terrain fills and
// empties it while it clips its far blocks.
#pragma once
#include <vector>

#include <windows.h>

struct SKestuScratchEntry {
    DWORD a;
    DWORD b;
};
static_assert(sizeof(SKestuScratchEntry) == 8, "scratch entries are 8 bytes");

using CKestuScratchList = std::vector<SKestuScratchEntry>;

// Null while the engine is not built.
extern CKestuScratchList* g_pKestuScratchList;
