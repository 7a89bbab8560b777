// Reads arbitrary bytes as a particle script, then writes what it read in
// both forms and runs it.
#include <cstddef>
#include <cstdint>

#include "particles_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(size), data);
    CParticleSystemMng mng;
    mng.CreateFromScript(chunk);
    chunk.clear();
    ppsfuzz::Exercise(mng);
    return 0;
}
