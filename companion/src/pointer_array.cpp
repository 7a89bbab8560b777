#include "pointer_array.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr DWORD kNone = 0xFFFFFFFF;
constexpr DWORD kMaxSlots = 0x10000000; // keeps byte sizes far from overflow
} // namespace

CPointerArray::CPointerArray()
    : m_dwGrowBy(0), m_dwInitSize(0), m_dwAllocSize(0), m_dwUsedSize(0), m_dwShrinkStep(0), m_bPacked(0),
      m_bAutoShrink(0), m_ppData(nullptr)
{
}

CPointerArray::CPointerArray(const CPointerArray& other) : CPointerArray() { *this = other; }

CPointerArray& CPointerArray::operator=(const CPointerArray& other)
{
    if (this == &other) return *this;
    void** copy = nullptr;
    if (other.m_dwAllocSize) {
        copy = new (std::nothrow) void*[other.m_dwAllocSize]();
        if (!copy) return *this; // keeps the old state rather than a half copy
        std::memcpy(copy, other.m_ppData, other.m_dwUsedSize * sizeof(void*));
    }
    delete[] m_ppData;
    m_ppData = copy;
    m_dwAllocSize = copy ? other.m_dwAllocSize : 0;
    m_dwUsedSize = copy ? other.m_dwUsedSize : 0;
    m_dwGrowBy = other.m_dwGrowBy;
    m_dwInitSize = other.m_dwInitSize;
    m_dwShrinkStep = other.m_dwShrinkStep;
    m_bPacked = other.m_bPacked;
    m_bAutoShrink = other.m_bAutoShrink;
    return *this;
}

CPointerArray::~CPointerArray() { delete[] m_ppData; }

int CPointerArray::IsPacked() const { return m_bPacked; }

HRESULT CPointerArray::Build(DWORD initialCount, int bPacked, DWORD growBy, DWORD shrinkStep, int bAutoShrink)
{
    CPointerArray::Release();
    m_dwInitSize = std::min(initialCount, kMaxSlots);
    m_bPacked = bPacked ? 1 : 0;
    m_dwGrowBy = growBy;
    m_dwShrinkStep = shrinkStep;
    m_bAutoShrink = bAutoShrink ? 1 : 0;
    return m_dwInitSize ? Resize(m_dwInitSize) : S_OK;
}

void CPointerArray::Release()
{
    delete[] m_ppData;
    m_ppData = nullptr;
    m_dwAllocSize = 0;
    m_dwUsedSize = 0;
}

void CPointerArray::RemoveAllPointer()
{
    if (m_ppData) std::memset(m_ppData, 0, m_dwAllocSize * sizeof(void*));
    m_dwUsedSize = 0;
}

void* CPointerArray::GetPointer(DWORD index) const { return index < m_dwUsedSize ? m_ppData[index] : nullptr; }

void* CPointerArray::GetPointer(DWORD index) { return index < m_dwUsedSize ? m_ppData[index] : nullptr; }

int CPointerArray::IsInArray(const void* pointer) const { return GetIndexOfPointer(pointer) != kNone; }

DWORD CPointerArray::GetIndexOfPointer(const void* pointer) const
{
    for (DWORD i = 0; i < m_dwUsedSize; ++i)
        if (m_ppData[i] == pointer) return i;
    return kNone;
}

HRESULT CPointerArray::Resize(DWORD count)
{
    if (count > kMaxSlots) return E_OUTOFMEMORY;
    if (count < m_dwUsedSize) count = m_dwUsedSize;
    if (count == m_dwAllocSize) return S_OK;
    void** data = nullptr;
    if (count) {
        data = new (std::nothrow) void*[count]();
        if (!data) return E_OUTOFMEMORY;
        if (m_dwUsedSize) std::memcpy(data, m_ppData, m_dwUsedSize * sizeof(void*));
    }
    delete[] m_ppData;
    m_ppData = data;
    m_dwAllocSize = count;
    return S_OK;
}

HRESULT CPointerArray::Reserve(DWORD count) { return count <= m_dwAllocSize ? S_OK : Resize(count); }

DWORD CPointerArray::NextGrowSize() const
{
    const DWORD step = m_dwGrowBy ? m_dwGrowBy : std::max<DWORD>(m_dwAllocSize, 16);
    return m_dwAllocSize > kMaxSlots - std::min(step, kMaxSlots) ? kMaxSlots : m_dwAllocSize + step;
}

DWORD CPointerArray::InsertPointer(void* pointer, int bFillHole)
{
    if (bFillHole && !m_bPacked) {
        for (DWORD i = 0; i < m_dwUsedSize; ++i) {
            if (!m_ppData[i]) {
                m_ppData[i] = pointer;
                return i;
            }
        }
    }
    if (m_dwUsedSize >= m_dwAllocSize) return kNone;
    m_ppData[m_dwUsedSize] = pointer;
    return m_dwUsedSize++;
}

DWORD CPointerArray::InsertPointerGrow(void* pointer, int bFillHole)
{
    const DWORD index = InsertPointer(pointer, bFillHole);
    if (index != kNone) return index;
    const DWORD size = NextGrowSize();
    if (size <= m_dwAllocSize || FAILED(Resize(size))) return kNone;
    return InsertPointer(pointer, 0);
}

int CPointerArray::RemovePointer(DWORD index)
{
    if (index >= m_dwUsedSize) return 0;
    if (m_bPacked) {
        std::memmove(m_ppData + index, m_ppData + index + 1, (m_dwUsedSize - index - 1) * sizeof(void*));
        m_ppData[--m_dwUsedSize] = nullptr;
    } else {
        m_ppData[index] = nullptr;
        while (m_dwUsedSize && !m_ppData[m_dwUsedSize - 1]) --m_dwUsedSize;
    }
    if (m_bAutoShrink && m_dwAllocSize - m_dwUsedSize > m_dwGrowBy) Shrink();
    return 1;
}

int CPointerArray::RemovePointer(void* pointer)
{
    const DWORD index = GetIndexOfPointer(pointer);
    return index == kNone ? 0 : RemovePointer(index);
}

HRESULT CPointerArray::Shrink()
{
    DWORD target = m_dwUsedSize;
    if (m_dwShrinkStep > 1 && target % m_dwShrinkStep)
        target = std::min<DWORD>(kMaxSlots, target + (m_dwShrinkStep - target % m_dwShrinkStep));
    target = std::max(target, m_dwInitSize);
    if (target >= m_dwAllocSize) return S_FALSE;
    return Resize(target);
}
