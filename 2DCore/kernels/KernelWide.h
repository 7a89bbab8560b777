// Private: kernel bodies written once over generic vectors of 16 or 32 bytes
// and compiled twice, for AVX2 and for the SSE2 baseline. Each vector
// operation becomes the instructions of the function the body is inlined
// into, so the AVX2 copy moves 32 bytes per instruction. Helpers take
// vectors by reference: nothing 32 bytes wide crosses a call.
#pragma once

#include <cstdint>
#include <cstring>

#include "2DCore/kernels/KernelCommon.h"

namespace kestu::kernels {

// One specialisation per width: the vector size of a type cannot depend on
// a template parameter.
template <int N>
struct Wide;

template <>
struct Wide<16> {
    using Bytes = uint8_t __attribute__((vector_size(16), aligned(1), may_alias));
    using Pixels = uint16_t __attribute__((vector_size(16), aligned(1), may_alias));
    using Mask = int16_t __attribute__((vector_size(16)));
    using Words = uint64_t __attribute__((vector_size(16)));
};

template <>
struct Wide<32> {
    using Bytes = uint8_t __attribute__((vector_size(32), aligned(1), may_alias));
    using Pixels = uint16_t __attribute__((vector_size(32), aligned(1), may_alias));
    using Mask = int16_t __attribute__((vector_size(32)));
    using Words = uint64_t __attribute__((vector_size(32)));
};

// Body::template Run<32>(args...) compiled for AVX2 where the processor has
// it, Body::template Run<16>(args...) otherwise.
template <class Body, class... Args>
__attribute__((target("avx2"))) void RunAvx2(Args... args)
{
    Body::template Run<32>(args...);
}

template <class Body, class... Args>
void RunBaseline(Args... args)
{
    Body::template Run<16>(args...);
}

template <class Body, class... Args>
inline void RunWidest(Args... args)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        RunAvx2<Body>(args...);
    else
        RunBaseline<Body>(args...);
}

// Bytes [0, Count * N) from src to dst.
template <int N, int Count>
__attribute__((always_inline)) inline void CopyVectors(uint8_t* dst, const uint8_t* src)
{
    using V = typename Wide<N>::Bytes;
    for (int i = 0; i < Count; ++i) *reinterpret_cast<V*>(dst + i * N) = *reinterpret_cast<const V*>(src + i * N);
}

// n bytes from src to dst (separate buffers). Long copies move 128-byte
// blocks and end with one that overlaps the block before it, so runs of
// nearby lengths take the same number of steps and the branches stay
// predictable from row to row; shorter ones are two overlapping moves of the
// largest size that fits. Nothing outside [src, src + n) is read.
template <int N>
__attribute__((always_inline)) inline void CopyBytes(uint8_t* dst, const uint8_t* src, int n)
{
    if (n > 128) {
        int i = 0;
        do {
            CopyVectors<N, 128 / N>(dst + i, src + i);
            i += 128;
        } while (i + 128 < n);
        CopyVectors<N, 128 / N>(dst + n - 128, src + n - 128);
    } else if (n > 64) {
        CopyVectors<16, 4>(dst, src);
        CopyVectors<16, 4>(dst + n - 64, src + n - 64);
    } else if (n > 32) {
        CopyVectors<16, 2>(dst, src);
        CopyVectors<16, 2>(dst + n - 32, src + n - 32);
    } else if (n >= 16) {
        CopyVectors<16, 1>(dst, src);
        CopyVectors<16, 1>(dst + n - 16, src + n - 16);
    } else if (n >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + n - 8, 8);
        std::memcpy(dst, &head, 8);
        std::memcpy(dst + n - 8, &tail, 8);
    } else if (n >= 4) {
        const uint32_t head = Load32(src), tail = Load32(src + n - 4);
        Store32(dst, head);
        Store32(dst + n - 4, tail);
    } else if (n >= 2) {
        const uint16_t head = Load16(src), tail = Load16(src + n - 2);
        Store16(dst, head);
        Store16(dst + n - 2, tail);
    } else if (n == 1) {
        *dst = *src;
    }
}

// Whether any lane of a comparison result is set.
template <int N>
__attribute__((always_inline)) inline bool AnyLane(const typename Wide<N>::Mask& m)
{
    const auto words = reinterpret_cast<const typename Wide<N>::Words&>(m);
    if constexpr (N == 32) {
        const auto half = __builtin_shufflevector(words, words, 0, 1) | __builtin_shufflevector(words, words, 2, 3);
        return (half[0] | half[1]) != 0;
    } else {
        return (words[0] | words[1]) != 0;
    }
}

} // namespace kestu::kernels
