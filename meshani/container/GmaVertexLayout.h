// Where each component lies in a GMA vertex of one format: position, normal,
// diffuse and one texture set, in that order, each only when the format has
// its bit; other bits are not looked at.
#pragma once
#include <windows.h>
#include <d3d8.h>

struct GmaVertexLayout {
    int position = -1; // byte offsets; -1: absent
    int normal = -1;
    int diffuse = -1;
    int tex = -1;
    DWORD size = 0;

    explicit GmaVertexLayout(DWORD format)
    {
        int at = 0;
        auto take = [&](DWORD bit, int bytes) {
            if (!(format & bit)) return -1;
            const int offset = at;
            at += bytes;
            return offset;
        };
        position = take(D3DFVF_XYZ, 12);
        normal = take(D3DFVF_NORMAL, 12);
        diffuse = take(D3DFVF_DIFFUSE, 4);
        tex = take(D3DFVF_TEX1, 8);
        size = static_cast<DWORD>(at);
    }

    // The component at offset in the vertex at base, or null when absent.
    static BYTE* At(BYTE* base, int offset) { return offset >= 0 ? base + offset : nullptr; }
};
