#include <cstring>
#include <new>

#include "effects/bbmanager/BBSort.h"
#include "kestu_bbmng.h"

namespace {
const DWORD kNone = 0xFFFFFFFF;

CBillboard* PriEntry(void* entry)
{
    return entry != nullptr ? static_cast<CBillboard*>(static_cast<SPriPointer*>(entry)->pPointer) : nullptr;
}
} // namespace

CBBMngPri::~CBBMngPri() { CBBMngPri::Release(); }

void CBBMngPri::Release()
{
    CBBMngPri::RemoveAllPointer();
    CPointerArray::Release();
}

void CBBMngPri::RemoveAllPointer()
{
    for (DWORD i = 0; i < m_dwUsedSize; ++i) delete Entry(i);
    CPointerArray::RemoveAllPointer();
}

void* CBBMngPri::GetPointer(DWORD index) const
{
    const SPriPointer* e = Entry(index);
    return e != nullptr ? e->pPointer : nullptr;
}

void* CBBMngPri::GetPointer(DWORD index)
{
    const SPriPointer* e = Entry(index);
    return e != nullptr ? e->pPointer : nullptr;
}

DWORD CBBMngPri::GetIndexOfPointer(const void* pointer) const
{
    for (DWORD i = 0; i < m_dwUsedSize; ++i) {
        const SPriPointer* e = Entry(i);
        if (e != nullptr && e->pPointer == pointer) return i;
    }
    return kNone;
}

int CBBMngPri::IsInArray(const void* pointer) const { return GetIndexOfPointer(pointer) != kNone ? 1 : 0; }

DWORD CBBMngPri::InsertAt(void* billboard, BYTE priority)
{
    DWORD at = m_dwUsedSize;
    for (DWORD i = 0; i < m_dwUsedSize; ++i) {
        const SPriPointer* e = Entry(i);
        if (e != nullptr && e->byPriority > priority) {
            at = i;
            break;
        }
    }
    std::memmove(m_ppData + at + 1, m_ppData + at, (m_dwUsedSize - at) * sizeof(void*));
    // An entry that cannot be had leaves an empty slot, which the rest skips.
    m_ppData[at] = new (std::nothrow) SPriPointer(billboard, priority);
    ++m_dwUsedSize;
    return at;
}

DWORD CBBMngPri::Insert(void* billboard, BYTE priority)
{
    if (m_ppData == nullptr) return kNone;
    const DWORD existing = GetIndexOfPointer(billboard);
    if (existing != kNone) return existing;
    if (m_dwUsedSize >= m_dwAllocSize) return kNone;
    return InsertAt(billboard, priority);
}

DWORD CBBMngPri::InsertGrow(void* billboard, BYTE priority)
{
    const DWORD existing = GetIndexOfPointer(billboard);
    if (existing != kNone) return existing;
    if (m_dwUsedSize >= m_dwAllocSize) {
        const DWORD size = NextGrowSize();
        if (size <= m_dwAllocSize || FAILED(Resize(size))) return kNone;
    }
    return InsertAt(billboard, priority);
}

int CBBMngPri::Remove(DWORD index)
{
    if (index >= m_dwUsedSize) return 0;
    delete Entry(index);
    std::memmove(m_ppData + index, m_ppData + index + 1, (m_dwUsedSize - index - 1) * sizeof(void*));
    m_ppData[--m_dwUsedSize] = nullptr;
    return 1;
}

int CBBMngPri::Remove(void* billboard)
{
    const DWORD index = GetIndexOfPointer(billboard);
    return index != kNone ? Remove(index) : 0;
}

void CBBMngPri::SortEntries() { kestu_bb::SortEntries(m_ppData, m_dwUsedSize, m_pfnCompare, PriEntry, m_SortKeys); }
