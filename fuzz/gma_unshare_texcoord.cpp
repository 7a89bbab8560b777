// Any bytes through the in-memory return of texture coordinates to the
// frames, with no room to grow and with some.
#include "gma_common.h"
#include "kestu_gmatools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (DWORD slack : {0u, 64u, 4096u})
        gma_fuzz::Check(data, size, slack, [](BYTE* b, DWORD& n, DWORD capacity) {
            return GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(b, n, capacity);
        });
    return 0;
}
