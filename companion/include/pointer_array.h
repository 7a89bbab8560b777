// CPointerArray: a growable array of pointers. The array does not own what
// its slots point to.
//
// A packed array keeps its used slots together: removing a slot moves the
// later ones down. An unpacked array never moves a pointer once inserted:
// removing a slot leaves it null (trailing null slots are given back to the
// used count), so indices handed out stay valid.
//
// The fields are public because derived managers and callers walk the
// storage directly: m_ppData[0 .. m_dwUsedSize) are the slots in use.
#pragma once
#include "companion_api.h"
#include "windef.h"
#include "winerror.h"

class KESTU_COMPANION_API CPointerArray {
public:
    CPointerArray();
    CPointerArray(const CPointerArray& other);
    CPointerArray& operator=(const CPointerArray& other);

    virtual ~CPointerArray();
    virtual int IsPacked() const;
    // Releases any earlier storage and allocates initialCount null slots.
    // growBy is the step of InsertPointerGrow (0: double, at least 16 slots);
    // Shrink rounds the kept room up to a multiple of shrinkStep; with
    // bAutoShrink every removal ends with a Shrink when the spare room
    // exceeds the growth step. S_OK or E_OUTOFMEMORY.
    virtual HRESULT Build(DWORD initialCount, int bPacked, DWORD growBy, DWORD shrinkStep, int bAutoShrink);
    // Frees the storage; the settings stay.
    virtual void Release();
    // Empties every slot; the storage stays.
    virtual void RemoveAllPointer();
    // The pointer in slot index; null for an empty slot or an index beyond the used ones.
    virtual void* GetPointer(DWORD index) const;
    virtual void* GetPointer(DWORD index);
    virtual int IsInArray(const void* pointer) const;
    // The first slot holding the pointer, or 0xFFFFFFFF.
    virtual DWORD GetIndexOfPointer(const void* pointer) const;

    // Appends the pointer (or, with bFillHole on an unpacked array, puts it in
    // the first empty slot); returns its index, or 0xFFFFFFFF when the array
    // is full. InsertPointerGrow enlarges a full array by the growth step
    // first; 0xFFFFFFFF only when memory runs out.
    DWORD InsertPointer(void* pointer, int bFillHole = 0);
    DWORD InsertPointerGrow(void* pointer, int bFillHole = 0);
    // Nonzero when a slot was removed.
    int RemovePointer(DWORD index);
    int RemovePointer(void* pointer);
    // Makes room for at least count slots. S_OK or E_OUTOFMEMORY.
    HRESULT Reserve(DWORD count);
    // Gives back spare room: S_OK when the storage shrank, S_FALSE when there
    // was nothing to give back, E_OUTOFMEMORY.
    HRESULT Shrink();

    DWORD GetCount() const { return m_dwUsedSize; }
    DWORD GetAllocSize() const { return m_dwAllocSize; }
    void** GetData() const { return m_ppData; }

    DWORD m_dwGrowBy;    // growth step
    DWORD m_dwInitSize;  // initial (base) size
    DWORD m_dwAllocSize; // slots allocated
    DWORD m_dwUsedSize;  // slots in use
    DWORD m_dwShrinkStep;
    int m_bPacked;
    int m_bAutoShrink;
    void** m_ppData;

protected:
    HRESULT Resize(DWORD count);
    DWORD NextGrowSize() const;
};
