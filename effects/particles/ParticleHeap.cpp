#include "effects/particles/ParticleHeap.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define KESTU_PARTICLE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTU_PARTICLE_ASAN 1
#endif
#endif
#ifdef KESTU_PARTICLE_ASAN
#include <sanitizer/asan_interface.h>
#define POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POISON(p, n) ((void)(p), (void)(n))
#define UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// A slot holds the engine's particle kinds (a mesh particle is the largest);
// no more, so that a walk over particles reads as few bytes as it can.
constexpr size_t kSlot = 104;
constexpr size_t kBlock = 64 * 1024;
constexpr size_t kSlots = kBlock / kSlot; // slot 0 holds the block's header
constexpr size_t kWords = (kSlots + 63) / 64;

struct Block {
    uint64_t used[kWords]; // one bit per slot; bits past the last slot are set
    uint32_t count;        // slots in use, the header not counted
    uint32_t index;        // in the heap's block table
};
static_assert(sizeof(Block) <= kSlot);

// The blocks in the order they were made; a block that empties is given
// back and its entry left null for the next.
struct Heap {
    std::vector<Block*> blocks;
    size_t firstFree = 0; // no block before this one has a free slot
    size_t live = 0;

    Block* NewBlock(size_t index)
    {
        void* memory = std::aligned_alloc(kBlock, kBlock);
        if (!memory) return nullptr;
        Block* b = new (memory) Block{};
        b->used[0] = 1;
        for (size_t bit = kSlots; bit < kWords * 64; ++bit) b->used[bit / 64] |= uint64_t{1} << (bit % 64);
        b->index = static_cast<uint32_t>(index);
        POISON(static_cast<char*>(memory) + kSlot, kBlock - kSlot);
        return b;
    }

    void* Allocate()
    {
        for (size_t i = firstFree; i <= blocks.size(); ++i) {
            if (i == blocks.size()) blocks.push_back(nullptr);
            Block*& b = blocks[i];
            if (!b && !(b = NewBlock(i))) return nullptr;
            if (b->count == kSlots - 1) continue;
            for (size_t w = 0; w < kWords; ++w) {
                if (b->used[w] == ~uint64_t{0}) continue;
                const int bit = __builtin_ctzll(~b->used[w]);
                b->used[w] |= uint64_t{1} << bit;
                ++b->count;
                ++live;
                firstFree = i;
                char* slot = reinterpret_cast<char*>(b) + (w * 64 + bit) * kSlot;
                UNPOISON(slot, kSlot);
                return slot;
            }
        }
        return nullptr;
    }

    void Free(void* p)
    {
        Block* b = reinterpret_cast<Block*>(reinterpret_cast<uintptr_t>(p) & ~(uintptr_t{kBlock} - 1));
        const size_t slot = (static_cast<char*>(p) - reinterpret_cast<char*>(b)) / kSlot;
        b->used[slot / 64] &= ~(uint64_t{1} << (slot % 64));
        --b->count;
        --live;
        POISON(p, kSlot);
        if (b->index < firstFree) firstFree = b->index;
        if (b->count == 0) {
            blocks[b->index] = nullptr;
            UNPOISON(b, kBlock);
            std::free(b);
        }
    }
};

// Never destroyed: particles held by objects that outlive the heap's own
// static lifetime (a client's global group) still have it to go back to.
Heap& TheHeap()
{
    static Heap* heap = new Heap;
    return *heap;
}

} // namespace

void* ParticleHeapAllocate(size_t size) noexcept
{
    if (size > kSlot) return ::operator new(size, std::nothrow);
    try {
        return TheHeap().Allocate();
    } catch (...) { // the block table could not grow
        return nullptr;
    }
}

void ParticleHeapFree(void* p, size_t size) noexcept
{
    if (!p) return;
    if (size > kSlot) {
        ::operator delete(p);
        return;
    }
    TheHeap().Free(p);
}

size_t ParticleHeapLiveSlots() noexcept { return TheHeap().live; }
