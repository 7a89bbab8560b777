// Any bytes through the in-memory normal removal.
#include "gma_common.h"
#include "kestu_gmatools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    gma_fuzz::Check(data, size, 0,
                    [](BYTE* b, DWORD& n, DWORD) { return GfxUtil_RemoveNormalsFormGMAFileInMemory(b, n); });
    return 0;
}
