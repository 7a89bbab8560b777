// The classic C-runtime generator. These definitions take the place of the C
// library's rand and srand for the whole process, so engine code draws the
// sequence it was written against (values 0..32767).
#include <cstdint>
#include <cstdlib>

namespace {
thread_local uint32_t t_seed = 1;
}

extern "C" {

void srand(unsigned int seed) noexcept { t_seed = seed; }

int rand() noexcept
{
    t_seed = t_seed * 214013u + 2531011u;
    return static_cast<int>((t_seed >> 16) & 0x7FFF);
}

} // extern "C"
