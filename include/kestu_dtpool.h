// CDTObjectPool: the pool shape that recycles the streamed terrain's blocks,
// far blocks, tree nodes and position records. Freed objects wait on a free
// list and are handed out again first in, first out; an object is destroyed
// only on request (SetFreeCount, DestroyAllFree) or with the pool. The free
// list is a ring over one array, so that a pool in steady use allocates
// nothing.
#pragma once
#include "kestu_export.h"
#include <algorithm>
#include <new>
#include <vector>

#include "windef.h"

template <class T>
class KESTU_API CDTObjectPool {
public:
    CDTObjectPool() = default;
    // The free objects belong to the pool: it cannot be copied.
    CDTObjectPool(const CDTObjectPool&) = delete;
    CDTObjectPool& operator=(const CDTObjectPool&) = delete;

    // Destroys every object on the free list.
    virtual ~CDTObjectPool() { DestroyAllFree(); }

    // The first free object, or a new one when none is free; null when
    // creation fails.
    virtual T* Alloc(int = 0)
    {
        if (m_nFree == 0) return Create();
        T* object = m_Ring[m_nHead];
        m_nHead = (m_nHead + 1) % m_Ring.size();
        --m_nFree;
        return object;
    }
    // Appends the object to the free list; null is ignored.
    virtual void Free(T* object, int = 0)
    {
        if (object) Push(object);
    }
    virtual T* Create()
    {
        T* object = new (std::nothrow) T;
        if (!object) return nullptr;
        ++m_nCreated;
        m_nPeak = std::max(m_nPeak, m_nCreated - m_nDestroyed);
        return object;
    }
    virtual void Destroy(T* object)
    {
        delete object;
        ++m_nDestroyed;
    }

    // Destroys free objects from the front until n remain, or creates objects
    // until n are free; FALSE when a creation fails.
    BOOL SetFreeCount(DWORD n)
    {
        while (m_nFree > n) Destroy(PopFront());
        while (m_nFree < n) {
            T* object = Create();
            if (!object) return FALSE;
            Push(object);
        }
        return TRUE;
    }
    void DestroyAllFree()
    {
        while (m_nFree) Destroy(PopFront());
        m_Ring.clear();
        m_Ring.shrink_to_fit();
        m_nHead = 0;
    }

    DWORD GetFreeCount() const { return m_nFree; }
    DWORD GetNumCreated() const { return m_nCreated; }
    DWORD GetNumDestroyed() const { return m_nDestroyed; }
    // The most objects alive at once.
    DWORD GetPeak() const { return m_nPeak; }

private:
    T* PopFront()
    {
        T* object = m_Ring[m_nHead];
        m_nHead = (m_nHead + 1) % m_Ring.size();
        --m_nFree;
        return object;
    }
    void Push(T* object)
    {
        if (m_nFree == m_Ring.size()) {
            // Unroll the ring into a larger array, oldest first.
            std::vector<T*> larger;
            larger.reserve(std::max<size_t>(16, m_Ring.size() * 2));
            for (DWORD i = 0; i < m_nFree; ++i) larger.push_back(m_Ring[(m_nHead + i) % m_Ring.size()]);
            larger.resize(larger.capacity(), nullptr);
            m_Ring.swap(larger);
            m_nHead = 0;
        }
        m_Ring[(m_nHead + m_nFree) % m_Ring.size()] = object;
        ++m_nFree;
    }

    std::vector<T*> m_Ring;
    DWORD m_nHead = 0;
    DWORD m_nFree = 0;
    DWORD m_nCreated = 0;
    DWORD m_nDestroyed = 0;
    DWORD m_nPeak = 0;
};
