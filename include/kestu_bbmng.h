// Billboard managers: arrays of billboards moved, culled, optionally sorted
// and drawn together, with the batch's render state set once. The plain
// manager keeps insertion order; the priority manager keeps its entries
// ordered by a priority byte.
#pragma once
#include <utility>
#include <vector>

#include "d3d8.h"
#include "kestu_export.h"
#include "pointer_array.h"

class CBillboard;

// A sort comparator: a and b point to two array entries, each holding a
// CBillboard*. Negative when a's billboard goes first.
typedef int (*PFN_BBSORT)(const void* a, const void* b);

// Far to near: a billboard of greater z goes first, equal z compare equal.
// An empty entry goes last.
KESTU_API int BBSort(const void* a, const void* b);

class KESTU_API CBillboardMng : public CPointerArray {
public:
    CBillboardMng() = default;
    ~CBillboardMng() override {}

    using CPointerArray::Build;
    virtual void FrameMove(float now);
    virtual HRESULT Render(IDirect3DDevice8* device);
    // The array as CPointerArray::Build(initialCount, 1, growBy, 128, 0).
    virtual HRESULT Build(int bAutoDecideVisible, DWORD initialCount, DWORD growBy, int b2d);

    // The billboard of entry i, or null.
    CBillboard* GetBillboard(DWORD i) const { return static_cast<CBillboard*>(GetPointer(i)); }
    DWORD GetVisibleNumber() const { return m_bAutoDecideVisible ? m_dwVisibleNumber : m_dwUsedSize; }
    int IsAutoDecideVisible() const { return m_bAutoDecideVisible; }
    void SetAutoDecideVisible(int b) { m_bAutoDecideVisible = b; }
    int Is2dBB() const { return m_b2d; }
    void Set2dBB(int b) { m_b2d = b; }
    BYTE GetAlphaRef() const { return m_byAlphaRef; }
    void SetAlphaRef(BYTE ref) { m_byAlphaRef = ref; }
    void SetSort(float interval, PFN_BBSORT compare)
    {
        m_fSortInterval = interval;
        m_pfnCompare = compare;
    }
    int IsSort() const { return m_pfnCompare != nullptr ? 1 : 0; }
    void ClearSort()
    {
        m_pfnCompare = nullptr;
        m_fLastSortTime = 0.0f;
        m_fSortInterval = 1.0f;
    }
    float GetLastSortTime() const { return m_fLastSortTime; }
    float GetSortInterval() const { return m_fSortInterval; }

protected:
    // Reorders the entries by the comparator.
    virtual void SortEntries();

    PFN_BBSORT m_pfnCompare = nullptr;
    float m_fLastSortTime = 0.0f;
    float m_fSortInterval = 1.0f;
    BYTE m_byAlphaRef = 32;
    int32_t m_b2d = 0;
    int32_t m_bAutoDecideVisible = 0;
    DWORD m_dwVisibleNumber = 0;
    // Room for the depth keys of a sort, kept between frames.
    std::vector<std::pair<float, void*>> m_SortKeys;
};

struct KESTU_API SPriPointer {
    SPriPointer(void* p, BYTE priority) : pPointer(p), byPriority(priority) {}
    void* pPointer;
    BYTE byPriority;
};

// Entries are SPriPointer records; equal priorities keep insertion order.
class KESTU_API CBBMngPri : public CBillboardMng {
public:
    CBBMngPri() { m_bPacked = 1; }
    CBBMngPri(const CBBMngPri&) = delete;
    CBBMngPri& operator=(const CBBMngPri&) = delete;
    ~CBBMngPri() override;

    int IsPacked() const override { return 1; }
    void Release() override;
    void RemoveAllPointer() override;
    void* GetPointer(DWORD index) const override;
    void* GetPointer(DWORD index) override;
    int IsInArray(const void* pointer) const override;
    DWORD GetIndexOfPointer(const void* pointer) const override;

    // Index of the new entry (or of the entry already holding p);
    // 0xFFFFFFFF without an array or when it is full.
    DWORD Insert(void* billboard, BYTE priority);
    // The same, growing a full array first.
    DWORD InsertGrow(void* billboard, BYTE priority);
    DWORD InsertPointer(void* billboard) { return Insert(billboard, 0); }
    DWORD InsertPointerGrow(void* billboard) { return InsertGrow(billboard, 0); }
    // 1, or 0 when there is no such entry.
    int Remove(void* billboard);
    int Remove(DWORD index);
    int RemovePointer(void* billboard) { return Remove(billboard); }
    int RemovePointer(DWORD index) { return Remove(index); }
    void Relase() { Release(); }

protected:
    void SortEntries() override;

private:
    SPriPointer* Entry(DWORD index) const
    {
        return index < m_dwUsedSize ? static_cast<SPriPointer*>(m_ppData[index]) : nullptr;
    }
    DWORD InsertAt(void* billboard, BYTE priority);
};
