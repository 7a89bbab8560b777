// Reads arbitrary bytes as a particle binary file, then writes what it read
// in both forms and runs it.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "particles_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    std::stringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CParticleSystemMng mng;
    if (mng.Serialize(in, 0) != 0) {
        // Left cleared and reusable.
        if (mng.GetSystemCount() != 0) __builtin_trap();
        return 0;
    }
    ppsfuzz::Exercise(mng);
    return 0;
}
