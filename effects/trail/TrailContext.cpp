#include <algorithm>

#include "kestu_trail.h"

namespace Kestu {

ITrail_Context::ITrail_Context(ITrail_Strategy* strategy) : m_pStrategy(nullptr) { SetStrategy(strategy); }

ITrail_Context::ITrail_Context(const ITrail_Context& other)
    : m_pStrategy(nullptr), m_fFrameParam(other.m_fFrameParam), m_dwStripsNumber(other.m_dwStripsNumber)
{
    SetStrategy(other.m_pStrategy);
}

ITrail_Context::~ITrail_Context()
{
    if (m_pStrategy == nullptr) return;
    m_pStrategy->ReleaseTrail(this);
    SetStrategy(nullptr);
}

void ITrail_Context::SetStrategy(ITrail_Strategy* s)
{
    if (s == m_pStrategy) return;
    if (s != nullptr) s->m_Contexts.push_back(this);
    if (m_pStrategy != nullptr) {
        std::vector<ITrail_Context*>& list = m_pStrategy->m_Contexts;
        auto it = std::find(list.begin(), list.end(), this);
        if (it != list.end()) {
            *it = list.back();
            list.pop_back();
        }
    }
    m_pStrategy = s;
}

ITrail_Strategy::~ITrail_Strategy()
{
    for (ITrail_Context* ctx : m_Contexts) ctx->m_pStrategy = nullptr;
}

void ITrail_Context::Push(D3DXVECTOR3* positions, D3DXVECTOR3* centres, float* params, int count, unsigned long strip,
                          unsigned long reserved)
{
    if (m_pStrategy == nullptr) return;
    m_pStrategy->UpdateTrail(positions, centres, params, count, this, strip, reserved);
    if (strip == 0 && m_nActiveCount < m_nPositionListLen) ++m_nActiveCount;
}

void ITrail_Context::Render()
{
    if (m_pStrategy != nullptr) m_pStrategy->Render(this);
}

CTrailCntx_Pool::CTrailCntx_Pool(const CTrailCntx_Pool& other) { *this = other; }

CTrailCntx_Pool& CTrailCntx_Pool::operator=(const CTrailCntx_Pool& other)
{
    if (this == &other) return *this;
    std::list<ITrail_Context*> copies;
    try {
        for (ITrail_Context* ctx : other.m_Contexts)
            copies.push_back(ctx != nullptr ? new ITrail_Context(*ctx) : nullptr);
    } catch (...) {
        for (ITrail_Context* ctx : copies) delete ctx;
        throw;
    }
    DeleteAll();
    m_Contexts.swap(copies);
    m_dwReserved[0] = other.m_dwReserved[0];
    m_dwReserved[1] = other.m_dwReserved[1];
    return *this;
}

CTrailCntx_Pool::~CTrailCntx_Pool() { DeleteAll(); }

void CTrailCntx_Pool::DeleteAll()
{
    for (ITrail_Context* ctx : m_Contexts)
        if (ctx != nullptr) DeleteItem(ctx);
    m_Contexts.clear();
}

} // namespace Kestu
