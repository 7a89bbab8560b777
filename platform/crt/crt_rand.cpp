// The classic C-runtime generator. These definitions take the place of the C
// library's rand and srand for the whole process, so engine code draws the
// sequence it was written against (values 0..32767). They are exported, or the
// engine's library would take the C library's own from the process.
#include <cstdint>
#include <cstdlib>

#include "kestu_platform_api.h"

namespace {
thread_local uint32_t t_seed = 1;
}

extern "C" {

KESTU_PLATFORM_API void srand(unsigned int seed) noexcept { t_seed = seed; }

KESTU_PLATFORM_API int rand() noexcept
{
    t_seed = t_seed * 214013u + 2531011u;
    return static_cast<int>((t_seed >> 16) & 0x7FFF);
}

} // extern "C"
