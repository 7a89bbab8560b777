// Intrusive doubly linked chains: the links live inside the listed objects.
// The header is itself an item and stands in front of the first item.
#pragma once
#include <cstdint>

#include "kestu_export.h"

class CGfxChainHeader;

class KESTU_API CGfxChainItem {
public:
    CGfxChainItem() {}
    virtual ~CGfxChainItem() {}

    // Unlinks the item from its chain, moving the chain's cursor off it.
    virtual void DisConnect();

    void SetPrevious(CGfxChainItem* item) { m_pPrevious = item; }
    void SetNext(CGfxChainItem* item) { m_pNext = item; }
    void SetHeader(CGfxChainHeader* header) { m_pHeader = header; }
    CGfxChainHeader* GetHeader() const { return m_pHeader; }
    CGfxChainItem* Next() const { return m_pNext; }
    CGfxChainItem* Previous() const { return m_pPrevious; }
    int Counter() const { return m_nCounter; }
    void SetCounter(int counter) { m_nCounter = counter; }
    int IncCounter() { return ++m_nCounter; }
    int DecCounter() { return --m_nCounter; }

protected:
    CGfxChainHeader* m_pHeader = nullptr;
    CGfxChainItem* m_pNext = nullptr;
    CGfxChainItem* m_pPrevious = nullptr;
    int32_t m_nCounter = 0;

    friend class CGfxChainHeader;
};

class KESTU_API CGfxChainHeader : public CGfxChainItem {
public:
    CGfxChainHeader() {}
    ~CGfxChainHeader() override {}

    int GetNum() const { return m_nNum; }
    void SetNum(int num) { m_nNum = num; }
    CGfxChainItem* Current() const { return m_pCurrent; }

    CGfxChainItem* First();
    CGfxChainItem* Last();
    CGfxChainItem* ViewFirst() const { return m_pFirst; }
    CGfxChainItem* Next();
    CGfxChainItem* NextCycle();
    CGfxChainItem* ViewNext() const;
    CGfxChainItem* Previous();
    CGfxChainItem* PreviousCycle();
    CGfxChainItem* ViewPrevious() const;
    CGfxChainItem* MoveTo(int n);

    int Add(CGfxChainItem* item);
    int Insert(CGfxChainItem* item);
    int Insert() { return 1; }
    // Links nothing and returns 0 on a non-empty chain without a current item.
    int InsertBeforeCurrent(CGfxChainItem* item);

    CGfxChainItem* Remove();
    CGfxChainItem* OutChain();
    int OutAll();
    int RemoveAll();

protected:
    int32_t m_nNum = 0;
    CGfxChainItem* m_pLast = nullptr;
    CGfxChainItem* m_pFirst = nullptr;
    CGfxChainItem* m_pCurrent = nullptr;

    friend class CGfxChainItem;
};

class KESTU_API CGfxPtrChainItem : public CGfxChainItem {
public:
    CGfxPtrChainItem() {}
    void* GetPointer() const { return m_pPointer; }
    void SetPointer(void* p) { m_pPointer = p; }

private:
    void* m_pPointer = nullptr;
};

class KESTU_API CGfxPtrChainHeader : public CGfxChainHeader {
public:
    int AddPointer(void* p, CGfxPtrChainItem** ppItem);
    int RemovePointer(void* p);
};
