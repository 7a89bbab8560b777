// Loads and stores of native 16- and 32-bit values at any address: pixel and
// run memory carries no alignment promise. (File bytes go through
// kestu_bytes.h, which fixes the byte order.)
#pragma once

#include <cstdint>
#include <cstring>

namespace kestu::kernels {

inline uint16_t Load16(const void* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline uint32_t Load32(const void* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void Store16(void* p, uint16_t v) { std::memcpy(p, &v, 2); }
inline void Store32(void* p, uint32_t v) { std::memcpy(p, &v, 4); }

} // namespace kestu::kernels
