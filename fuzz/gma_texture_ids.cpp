// Any bytes through the in-memory texture-id renumbering against a small
// texture library held in memory, into an exactly sized buffer and into one
// a byte too small.
#include <cstdlib>
#include <memory>
#include <vector>

#include "gma_common.h"
#include "index_lib.h"
#include "kestu_gmatools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CIndexLib* lib = [] {
        CIndexLib* l = new CIndexLib;
        const BYTE bytes[4] = {1, 2, 3, 4};
        l->ImportFromMemory(bytes, 4, 40, "flag_a.png");
        l->ImportFromMemory(bytes, 4, 41, "tex\\right.png");
        return l;
    }();
    std::vector<DWORD> ids;
    for (size_t room : {size, size ? size - 1 : 0}) {
        std::unique_ptr<BYTE[]> out(new BYTE[room ? room : 1]);
        DWORD outSize = DWORD(room);
        const HRESULT hr =
            GfxUtil_UpdateGmaTextureIDInMemory(out.get(), outSize, data, DWORD(size), lib, nullptr, &ids);
        if (hr == S_OK && (outSize != size || room < size)) std::abort();
    }
    return 0;
}
