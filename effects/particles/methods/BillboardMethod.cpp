#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "kestu_bbmng.h"
#include "kestu_billboard.h"
#include "kestu_datachunk.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsmethods.h"
#include "effects/bbmanager/BBSort.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/script/ScriptValues.h"

template <>
struct ParticleFieldList<CMethodBB> {
    static constexpr RecordField kFields[] = {
        Stored<&CMethodBB::m_strName, CMethodBB>("Method", 0, LineRead::Value, ppsfile::kNameMax),
        Stored<&CMethodBB::m_dwTextureID>("TextureID", 1),
        Stored<&CMethodBB::m_fBBHeight>("BBHeight", 2),
        Stored<&CMethodBB::m_fBBWidth>("BBWidth", 3),
    };
};

namespace {
constexpr RecordFieldList kFields = ParticleFieldList<CMethodBB>::kFields;


CBillboard* EntryBillboard(void* entry) { return static_cast<CBillboard*>(entry); }

void* Entry(CBBFaceMe& billboard) { return static_cast<CBillboard*>(&billboard); }

constexpr DWORD kNotOurs = 0xFFFFFFFF;

// The index in the group's billboard array of a manager entry, or kNotOurs
// for an entry that is none of them.
DWORD IndexIn(const SPPS_METHOD_RES& res, const void* entry)
{
    if (!res.pBillboards || !entry) return kNotOurs;
    const uintptr_t first = reinterpret_cast<uintptr_t>(static_cast<const CBillboard*>(res.pBillboards));
    const uintptr_t offset = reinterpret_cast<uintptr_t>(entry) - first;
    if (offset >= uintptr_t{res.dwSize} * sizeof(CBBFaceMe) || offset % sizeof(CBBFaceMe)) return kNotOurs;
    return static_cast<DWORD>(offset / sizeof(CBBFaceMe));
}

// Takes every entry of billboards [from, size) of the group's array out of
// the manager, found by address, so that it holds none of them afterwards
// whatever the client did to it. A packed manager (the priority manager's
// entries are records around the billboard) is compacted in one pass,
// however many leave.
void RemoveFromMng(CBillboardMng& mng, const SPPS_METHOD_RES& res, DWORD from)
{
    const auto leaves = [&](const void* entry) {
        const DWORD i = IndexIn(res, entry);
        return i != kNotOurs && i >= from;
    };
    auto* pri = dynamic_cast<CBBMngPri*>(&mng);
    if (!pri && !mng.IsPacked()) {
        for (DWORD i = mng.GetCount(); i-- > 0;)
            if (leaves(mng.GetPointer(i))) mng.RemovePointer(i);
        return;
    }
    DWORD kept = 0;
    for (DWORD i = 0; i < mng.m_dwUsedSize; ++i) {
        void* slot = mng.m_ppData[i];
        if (!leaves(mng.GetPointer(i)))
            mng.m_ppData[kept++] = slot;
        else if (pri)
            delete static_cast<SPriPointer*>(slot);
    }
    std::fill(mng.m_ppData + kept, mng.m_ppData + mng.m_dwUsedSize, nullptr);
    mng.m_dwUsedSize = kept;
}

// Puts into the manager the missing billboards of [0, n) (those not held),
// room made once, and returns how many it took. One insertion at a time
// would grow the array step by step and, in the priority manager, search
// it for a duplicate and a place each time: quadratic in a burst of births.
DWORD InsertMissing(CBillboardMng& mng, const SPPS_METHOD_RES& res, const std::vector<uint8_t>& held, DWORD n,
                    DWORD missing)
{
    const uint64_t wanted = uint64_t{mng.GetCount()} + missing;
    const bool room = wanted <= 0xFFFFFFFFu && SUCCEEDED(mng.Reserve(static_cast<DWORD>(wanted)));
    auto* pri = dynamic_cast<CBBMngPri*>(&mng);
    if (pri && room) {
        // Priority 0 entries go after the others of priority 0, in order.
        DWORD at = mng.m_dwUsedSize;
        for (DWORD i = 0; i < mng.m_dwUsedSize; ++i) {
            const auto* e = static_cast<const SPriPointer*>(mng.m_ppData[i]);
            if (e && e->byPriority > 0) {
                at = i;
                break;
            }
        }
        std::memmove(mng.m_ppData + at + missing, mng.m_ppData + at, (mng.m_dwUsedSize - at) * sizeof(void*));
        DWORD put = at;
        for (DWORD k = 0; k < n; ++k)
            if (!held[k]) mng.m_ppData[put++] = new (std::nothrow) SPriPointer(Entry(res.pBillboards[k]), 0);
        mng.m_dwUsedSize += missing;
        return missing;
    }
    DWORD taken = 0;
    for (DWORD k = 0; k < n && taken < missing; ++k) {
        if (held[k]) continue;
        const DWORD index =
            pri ? pri->InsertGrow(Entry(res.pBillboards[k]), 0) : mng.InsertPointerGrow(Entry(res.pBillboards[k]));
        if (index != 0xFFFFFFFF) ++taken;
    }
    return taken;
}

} // namespace

CMethodBB::CMethodBB(CEye* eye, CTextureMng* textureMng, DWORD textureID)
    : m_pEye(eye), m_pTextureMng(textureMng), m_dwTextureID(textureID)
{
}

CMethodBB::~CMethodBB()
{
    for (auto& entry : m_Res) FreeBillboards(entry.first, *entry.second);
}

void CMethodBB::FreeBillboards(CParticleGroup* group, SPPS_METHOD_RES& res)
{
    const auto found = m_Groups.find(group);
    if (found != m_Groups.end()) {
        // A manager that was never given a billboard is not touched: the
        // client may have let it go already.
        if (m_pBillboardMng && found->second.inMng) RemoveFromMng(*m_pBillboardMng, res, 0);
        m_Groups.erase(found);
    }
    delete[] res.pBillboards;
    res.pBillboards = nullptr;
    res.dwSize = 0;
}

void CMethodBB::WithdrawAll()
{
    if (!m_pBillboardMng) return;
    for (auto& [group, state] : m_Groups) {
        const SPPS_METHOD_RES* res = GetRes(group);
        if (res && state.inMng) RemoveFromMng(*m_pBillboardMng, *res, 0);
        state.inMng = 0;
    }
}

void CMethodBB::SetBillboardMng(CBillboardMng* billboardMng)
{
    if (billboardMng != m_pBillboardMng) WithdrawAll();
    m_pBillboardMng = billboardMng;
    m_bUseMng = 1;
}

void CMethodBB::EnableUsedMng(int use)
{
    if (!use) WithdrawAll();
    m_bUseMng = use;
}

void CMethodBB::SetTextureMng(CTextureMng* textureMng)
{
    m_pTextureMng = textureMng;
    for (auto& entry : m_Res)
        for (DWORD i = 0; entry.second->pBillboards && i < entry.second->dwSize; ++i)
            entry.second->pBillboards[i].SetTexMng(textureMng);
}

std::vector<CBillboard*> CMethodBB::GetDrawOrder(CParticleGroup* group) const
{
    std::vector<CBillboard*> out;
    const auto found = m_Groups.find(group);
    if (found != m_Groups.end())
        for (void* entry : found->second.order) out.push_back(EntryBillboard(entry));
    return out;
}

DWORD CMethodBB::GetBillboardsInMng(CParticleGroup* group) const
{
    const auto found = m_Groups.find(group);
    return found == m_Groups.end() ? 0 : found->second.inMng;
}

HRESULT CMethodBB::Build(IDirect3DDevice8* device, CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    FreeBillboards(group, *res);
    const DWORD count = group->GetMaxParticleNumber();
    // As for the vertex arrays: no group's drawing data passes 4 GiB.
    if (uint64_t{count} * sizeof(CBBFaceMe) > 0xFFFFFFFFu) return E_OUTOFMEMORY;
    auto* billboards = new (std::nothrow) CBBFaceMe[count];
    if (!billboards) return E_OUTOFMEMORY;

    SBBRectInit init;
    init.dwValid = reinterpret_cast<uintptr_t>(device);
    init.pTexMng = m_pTextureMng;
    init.dwTexID = 0;
    init.rcTexture = FRECT{0.0f, 1.0f, 1.0f, 0.0f};
    init.dwColorOp = D3DTOP_MODULATE;
    init.dwColorArg1 = D3DTA_TEXTURE;
    init.dwColorArg2 = D3DTA_DIFFUSE;
    init.dwAlphaOp = D3DTOP_SELECTARG1;
    init.dwAlphaArg1 = D3DTA_TEXTURE;
    init.dwAlphaArg2 = D3DTA_DIFFUSE;
    init.dwTexFactor = 0xFFFFFFFF;
    init.fHalfWidth = m_fBBWidth;
    init.fHalfHeight = m_fBBHeight;
    for (DWORD i = 0; i < count; ++i) {
        const HRESULT hr = billboards[i].Build(&init);
        if (FAILED(hr)) {
            delete[] billboards;
            return hr;
        }
    }
    res->pBillboards = billboards;
    res->dwSize = count;
    m_Groups[group].order.reserve(count);
    return 0;
}

void CMethodBB::Release(CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return;
    FreeBillboards(group, *res);
    EraseRes(group);
}

void CMethodBB::KeepInMng(const SPPS_METHOD_RES& res, SGroupBillboards& state, DWORD n)
{
    // The client may have emptied the manager or taken entries out since the
    // last update, so what it holds is looked up rather than remembered.
    CBillboardMng& mng = *m_pBillboardMng;
    state.held.assign(res.dwSize, 0);
    DWORD below = 0, above = 0;
    for (DWORD i = 0; i < mng.GetCount(); ++i) {
        const DWORD k = IndexIn(res, mng.GetPointer(i));
        if (k == kNotOurs || state.held[k]) continue;
        state.held[k] = 1;
        ++(k < n ? below : above);
    }
    if (above) RemoveFromMng(mng, res, n);
    if (below < n) below += InsertMissing(mng, res, state.held, n, n - below);
    state.inMng = below;
}

HRESULT CMethodBB::Update(CParticleGroup* group, float)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (!res) return 1;
    if (!res->pBillboards) return 0;
    // The face-me matrix is shared, so one refresh serves every billboard.
    if (m_pEye) CBBFaceMe::UpdateWorldMatrix(m_pEye);
    SGroupBillboards& state = m_Groups[group];
    const FSIZE size(m_fBBWidth, m_fBBHeight);
    DWORD n = 0;
    group->ForEachParticle([&](CParticleBase* p) {
        if (n == res->dwSize) return;
        CBBFaceMe& billboard = res->pBillboards[n++];
        const float* at = p->GetPosition();
        const D3DXVECTOR3 pos(at[0], at[1], at[2]);
        billboard.UpdatePosition(&pos);
        billboard.UpdateVertexColor(p->GetColor());
        billboard.ApplyPicture(m_dwTextureID, &size, nullptr, nullptr);
    });
    if (DrawsThroughMng()) {
        state.order.clear();
        KeepInMng(*res, state, n);
        return 0;
    }
    state.order.resize(n);
    for (DWORD i = 0; i < n; ++i) state.order[i] = Entry(res->pBillboards[i]);
    kestu_bb::SortEntries(state.order.data(), n, BBSort, EntryBillboard, m_SortKeys);
    return 0;
}

HRESULT CMethodBB::Render(IDirect3DDevice8* device, CParticleGroup* group)
{
    SPPS_METHOD_RES* res = GetRes(group);
    if (DrawsThroughMng()) return res ? 0 : 1;
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    if (res && res->pBillboards) {
        const auto found = m_Groups.find(group);
        if (found != m_Groups.end())
            for (void* entry : found->second.order) EntryBillboard(entry)->Render(device);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    return res ? 0 : 1;
}

HRESULT CMethodBB::Serialize(std::iostream& stream, int bWrite)
{
    if (bWrite) {
        WriteRecord(stream, this, kFields);
        return ppsfile::StreamResult(stream);
    }
    // A record cut short changes nothing, the name included.
    return ReadRecord(stream, this, kFields) ? 0 : E_FAIL;
}

HRESULT CMethodBB::CreateFromScript(CDataChunk& chunk)
{
    ReadScriptFields(chunk, this, kFields);
    return 0;
}

HRESULT CMethodBB::WriteToScript(std::ostream& out)
{
    out << "{\n";
    WriteScriptFields(out, this, kFields, "");
    out << "}\n";
    return 0;
}
