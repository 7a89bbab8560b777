// The memory particles live in: 112-byte slots in 64 KB blocks, handed out
// lowest address first, so that particles made one after another lie one
// after another whatever the general heap has been through. Larger objects
// (particle classes of a client) go to the general heap.
#pragma once
#include <cstddef>

// Null when memory runs out.
void* ParticleHeapAllocate(size_t size) noexcept;
// size is the object's size, as given to the allocation.
void ParticleHeapFree(void* p, size_t size) noexcept;
// Slots in use, for the checks of the tests.
size_t ParticleHeapLiveSlots() noexcept;
