#include "kestu_chain.h"

void CGfxChainItem::DisConnect()
{
    if (CGfxChainHeader* h = m_pHeader) {
        --h->m_nNum;
        if (h->m_nNum == 0) {
            h->m_pFirst = h->m_pLast = h->m_pCurrent = nullptr;
        } else {
            if (h->m_pFirst == this) h->m_pFirst = h->m_pCurrent = m_pNext;
            if (h->m_pLast == this) h->m_pLast = h->m_pCurrent = m_pPrevious;
            if (h->m_pCurrent == this) h->m_pCurrent = m_pNext;
        }
    }
    if (m_pNext) m_pNext->m_pPrevious = m_pPrevious;
    if (m_pPrevious) m_pPrevious->m_pNext = m_pNext;
    m_pNext = m_pPrevious = nullptr;
    m_pHeader = nullptr;
}

CGfxChainItem* CGfxChainHeader::First() { return m_pCurrent = m_pFirst; }

CGfxChainItem* CGfxChainHeader::Last() { return m_pCurrent = m_pLast; }

CGfxChainItem* CGfxChainHeader::Next()
{
    if (!m_pCurrent) return nullptr;
    return m_pCurrent = m_pCurrent->m_pNext;
}

CGfxChainItem* CGfxChainHeader::NextCycle()
{
    if (!m_pCurrent || m_pCurrent == m_pLast)
        m_pCurrent = m_pFirst;
    else
        m_pCurrent = m_pCurrent->m_pNext;
    return m_pCurrent;
}

CGfxChainItem* CGfxChainHeader::ViewNext() const { return m_pCurrent ? m_pCurrent->m_pNext : nullptr; }

CGfxChainItem* CGfxChainHeader::Previous()
{
    if (!m_pCurrent || m_pCurrent == m_pFirst) return nullptr;
    return m_pCurrent = m_pCurrent->m_pPrevious;
}

CGfxChainItem* CGfxChainHeader::PreviousCycle()
{
    if (!m_pCurrent || m_pCurrent == m_pFirst)
        m_pCurrent = m_pLast;
    else
        m_pCurrent = m_pCurrent->m_pPrevious;
    return m_pCurrent;
}

CGfxChainItem* CGfxChainHeader::ViewPrevious() const
{
    if (!m_pCurrent || m_pCurrent == m_pFirst) return nullptr;
    return m_pCurrent->m_pPrevious;
}

CGfxChainItem* CGfxChainHeader::MoveTo(int n)
{
    m_pCurrent = m_pFirst;
    if (!m_pCurrent) return nullptr;
    for (int i = 0; i < n; ++i) {
        if (!m_pCurrent->m_pNext) return nullptr;
        m_pCurrent = m_pCurrent->m_pNext;
    }
    return m_pCurrent;
}

int CGfxChainHeader::Add(CGfxChainItem* item)
{
    item->DisConnect();
    if (!m_pLast) {
        item->m_pPrevious = this;
        m_pNext = item;
        m_pFirst = m_pCurrent = item;
    } else {
        item->m_pPrevious = m_pLast;
        m_pLast->m_pNext = item;
    }
    item->m_pNext = nullptr;
    m_pLast = item;
    item->m_pHeader = this;
    ++m_nNum;
    return 1;
}

int CGfxChainHeader::Insert(CGfxChainItem* item)
{
    item->m_pPrevious = this;
    item->m_pNext = m_pFirst;
    if (m_pFirst)
        m_pFirst->m_pPrevious = item;
    else
        m_pLast = m_pCurrent = item;
    m_pFirst = item;
    m_pNext = item;
    item->m_pHeader = this;
    ++m_nNum;
    return 1;
}

int CGfxChainHeader::InsertBeforeCurrent(CGfxChainItem* item)
{
    if (!m_pFirst) return Insert(item);
    if (!m_pCurrent) return 0;
    item->m_pNext = m_pCurrent;
    item->m_pPrevious = m_pCurrent->m_pPrevious;
    if (item->m_pPrevious) item->m_pPrevious->m_pNext = item;
    m_pCurrent->m_pPrevious = item;
    if (m_pCurrent == m_pFirst) m_pFirst = item;
    item->m_pHeader = this;
    ++m_nNum;
    return 1;
}

CGfxChainItem* CGfxChainHeader::Remove()
{
    CGfxChainItem* item = m_pCurrent;
    if (!item) return nullptr;
    CGfxChainItem* next = item->m_pNext;
    item->DisConnect();
    delete item;
    return next;
}

CGfxChainItem* CGfxChainHeader::OutChain()
{
    CGfxChainItem* item = m_pCurrent;
    if (item) item->DisConnect();
    return item;
}

int CGfxChainHeader::OutAll()
{
    m_pCurrent = m_pLast;
    while (m_nNum > 0 && m_pCurrent) m_pCurrent->DisConnect();
    m_nNum = 0;
    return 1;
}

int CGfxChainHeader::RemoveAll()
{
    m_pCurrent = m_pFirst;
    CGfxChainItem* item = m_pCurrent;
    while (item) {
        CGfxChainItem* next = item->m_pNext;
        item->DisConnect();
        delete item;
        item = next;
    }
    m_nNum = 0;
    return 1;
}

int CGfxPtrChainHeader::AddPointer(void* p, CGfxPtrChainItem** ppItem)
{
    CGfxPtrChainItem* item = new CGfxPtrChainItem;
    item->SetPointer(p);
    if (!Add(item)) {
        delete item;
        return 0;
    }
    if (ppItem) *ppItem = item;
    return 1;
}

int CGfxPtrChainHeader::RemovePointer(void* p)
{
    for (CGfxChainItem* item = First(); item; item = Next()) {
        auto* ptrItem = dynamic_cast<CGfxPtrChainItem*>(item);
        if (ptrItem && ptrItem->GetPointer() == p) {
            item->DisConnect();
            delete item;
            return 1;
        }
    }
    return 0;
}
