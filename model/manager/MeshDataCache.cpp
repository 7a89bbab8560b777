// The action vertex cache: deformed frames per mesh, action and frame.
#include <exception>

#include "kestu_meshdatamng.h"

namespace Kestu {

namespace {

void EmptyBox(SBoundBox& box) { box.Reset(); }

} // namespace

SCacheFrame::SCacheFrame() { EmptyBox(box); }

SCacheFrame::SCacheFrame(const SCacheFrame& other)
    : dwWord(other.dwWord), pVB(other.pVB), box(other.box), dwZero(other.dwZero)
{
    if (pVB) pVB->AddRef();
}

SCacheFrame::~SCacheFrame()
{
    if (pVB) pVB->Release();
}

SCacheChunk::SCacheChunk(const SCacheChunk& other)
{
    for (const auto& frame : other.frames) frames.push_back(frame ? std::make_unique<SCacheFrame>(*frame) : nullptr);
}

SMeshDataCache::SMeshDataCache(const SMeshDataCache& other) : pMesh(other.pMesh), useList(other.useList)
{
    for (const auto& chunk : other.chunks) chunks.push_back(chunk ? std::make_unique<SCacheChunk>(*chunk) : nullptr);
}

SMeshDataCache* CMeshDataMng::Slot(DWORD meshId) { return meshId < m_slots.size() ? m_slots[meshId].get() : nullptr; }

const SMeshDataCache* CMeshDataMng::GetCacheRecord(DWORD meshId) const
{
    return meshId < m_slots.size() ? m_slots[meshId].get() : nullptr;
}

void CMeshDataMng::DestroyChunk(SMeshDataCache& cache, DWORD actionId)
{
    if (actionId < cache.chunks.size()) cache.chunks[actionId].reset();
}

void CMeshDataMng::UseAction(DWORD meshId, DWORD actionId)
{
    SMeshDataCache* cache = Slot(meshId);
    if (!cache) return;
    auto& uses = cache->useList;
    for (auto& use : uses)
        if (use.first == actionId) {
            ++use.second;
            return;
        }
    if (uses.size() >= m_dwCacheLimit) {
        // The oldest idle actions make room, with their cached frames.
        while (uses.size() >= m_dwCacheLimit) {
            auto idle = uses.begin();
            while (idle != uses.end() && idle->second != 0) ++idle;
            if (idle == uses.end()) break;
            DestroyChunk(*cache, idle->first);
            uses.erase(idle);
        }
    }
    uses.emplace_back(actionId, 1);
}

void CMeshDataMng::UnuseAction(DWORD meshId, DWORD actionId)
{
    SMeshDataCache* cache = Slot(meshId);
    if (!cache) return;
    for (auto& use : cache->useList)
        if (use.first == actionId) {
            --use.second;
            return;
        }
}

long CMeshDataMng::AddDataToCache(DWORD meshId, DWORD actionId, DWORD frame, CMemVertexBuffer* vertexBuffer,
                                  const SBoundBox* box)
{
    SMeshDataCache* cache = Slot(meshId);
    if (!cache || actionId == 0xFFFFFFFF || frame == 0xFFFFFFFF) return E_FAIL;
    try {
        if (cache->chunks.size() <= actionId) cache->chunks.resize(size_t(actionId) + 1);
        auto& chunk = cache->chunks[actionId];
        if (!chunk) chunk = std::make_unique<SCacheChunk>();
        if (chunk->frames.size() <= frame) chunk->frames.resize(size_t(frame) + 1);
        auto& record = chunk->frames[frame];
        if (!record) record = std::make_unique<SCacheFrame>();
        // The cache owns the reference it is given; a buffer it replaces is let go.
        if (record->pVB) record->pVB->Release();
        record->pVB = vertexBuffer;
        EmptyBox(record->box);
        if (box) {
            record->box.AddPoint(&box->max);
            record->box.AddPoint(&box->min);
        }
    } catch (const std::exception&) {
        return E_FAIL;
    }
    return 0;
}

long CMeshDataMng::GetCachedData(DWORD meshId, DWORD actionId, DWORD frame)
{
    SMeshDataCache* cache = Slot(meshId);
    if (!cache || !cache->pMesh || actionId >= cache->chunks.size() || !cache->chunks[actionId]) return E_FAIL;
    const auto& frames = cache->chunks[actionId]->frames;
    if (frame >= frames.size() || !frames[frame]) return E_FAIL;
    cache->pMesh->SetMemVertexBuffer(frames[frame]->pVB);
    cache->pMesh->SetBoundBox(&frames[frame]->box);
    return 0;
}

void CMeshDataMng::ReleaseBuffer(DWORD meshId, DWORD, DWORD)
{
    if (SMeshDataCache* cache = Slot(meshId); cache && cache->pMesh) cache->pMesh->SetMemVertexBuffer(nullptr);
}

} // namespace Kestu
