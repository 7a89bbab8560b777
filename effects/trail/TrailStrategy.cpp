#include <algorithm>
#include <cmath>
#include <cstring>

#include "d3dx8.h"
#include "kestu_trail.h"

namespace Kestu {

namespace {

const uint32_t kVertexSize = 24;
// 1/255 as the byte scale of packed colours.
const float kByteScale = 0.003921569f;

struct TrailVertex {
    D3DXVECTOR3 position;
    DWORD color;
    float u, v;
};
static_assert(sizeof(TrailVertex) == kVertexSize, "trail vertices are 24 bytes");

STrailBlock* OwnBlock(const ITrail_Context* ctx)
{
    auto* block = static_cast<STrailBlock*>(ctx->GetPositionCntx());
    return block != nullptr && block->dwMark == KESTU_TRAIL_BLOCK_MARK ? block : nullptr;
}

// A context whose strips number grew since its trail was built has lists
// for the old number only.
unsigned long Strips(const ITrail_Context* ctx, const STrailBlock* block)
{
    return ctx->GetStripsNumber() < block->dwStrips ? ctx->GetStripsNumber() : block->dwStrips;
}

// Float to int the way a truncating cast does, defined for every input.
int32_t Truncate(float f)
{
    if (!(f > -2147483648.0f)) return f != f ? 0 : INT32_MIN;
    if (f >= 2147483647.0f) return INT32_MAX;
    return static_cast<int32_t>(f);
}

float Key(const unsigned char* element)
{
    float k;
    std::memcpy(&k, element, sizeof k);
    return k;
}

float FloatAt(const unsigned char* p)
{
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

// Where t stands between the element before e and e itself; 1 at e. A
// table whose keys do not reach t holds its last value.
float Blend(const unsigned char* prevValue, const unsigned char* value, float t)
{
    const float kp = Key(prevValue - sizeof(float)), ke = Key(value - sizeof(float));
    if (!(ke - kp != 0.0f)) return 1.0f;
    const float s = (t - kp) / (ke - kp);
    if (!(s >= 0.0f)) return 0.0f;
    return s > 1.0f ? 1.0f : s;
}

DWORD BlendColor(DWORD a, DWORD b, float s)
{
    DWORD out = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const float x = static_cast<float>((a >> shift) & 0xFF) * kByteScale;
        const float y = static_cast<float>((b >> shift) & 0xFF) * kByteScale;
        const float c = x * (1.0f - s) + y * s;
        out |= (static_cast<DWORD>(Truncate(c * 255.0f)) & 0xFF) << shift;
    }
    return out;
}

// Bytes an element of each channel needs: its key and its value.
unsigned long ElementNeeds(unsigned long flag) { return flag == TRAIL_CHANNEL_TEXCOORD ? 12 : 8; }

} // namespace

CTrail_Strategy::CTrail_Strategy(unsigned long trailLength) : m_dwTrailLength(trailLength != 0 ? trailLength : 24) {}

CTrail_Strategy::~CTrail_Strategy()
{
    // The contexts outlive this strategy: free what it built for them.
    for (ITrail_Context* ctx : GetContexts()) CTrail_Strategy::ReleaseTrail(ctx);
}

int CTrail_Strategy::Init(IDirect3DDevice8* device)
{
    m_pDevice = device;
    return 0;
}

int CTrail_Strategy::SetTrailLength(unsigned long n)
{
    if (n == 0) return 0;
    m_dwTrailLength = n;
    return m_bBuilt ? 1 : 0;
}

int CTrail_Strategy::BuildTrail(const ITrail_Context* cctx)
{
    if (cctx == nullptr) return 1;
    auto* ctx = const_cast<ITrail_Context*>(cctx);
    if (ctx->GetPositionCntx() != nullptr && ReleaseTrail(ctx) != 0) return 1;
    const unsigned long length = m_dwTrailLength;
    const size_t n = 2 * size_t(length);
    const size_t entries = size_t(ctx->GetStripsNumber()) * n;
    ctx->SetPositionListLen(static_cast<int>(n));
    ctx->SetPositionList(new D3DXVECTOR3[entries]());
    ctx->SetCenterPosList(new D3DXVECTOR3[entries]());
    ctx->SetTexCoordList(new D3DXVECTOR4[entries]());
    auto* block = new STrailBlock{};
    block->dwFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    block->dwPrimitiveType = D3DPT_TRIANGLESTRIP;
    block->dwLengthMinusOne = static_cast<uint32_t>(length - 1);
    block->dwStrips = static_cast<uint32_t>(ctx->GetStripsNumber());
    block->dwVertexSize = D3DXGetFVFVertexSize(block->dwFVF);
    auto* vertices = new TrailVertex[entries];
    for (size_t i = 0; i < entries; ++i) vertices[i] = TrailVertex{D3DXVECTOR3(0, 0, 0), 0xFFFFFFFF, 0.0f, 0.0f};
    block->pVertices = reinterpret_cast<unsigned char*>(vertices);
    block->dwMark = KESTU_TRAIL_BLOCK_MARK;
    ctx->SetPositionCntx(block);
    m_bBuilt = 1;
    return 0;
}

int CTrail_Strategy::ReleaseTrail(const ITrail_Context* cctx)
{
    if (cctx == nullptr || cctx->GetPositionCntx() == nullptr) return 0;
    STrailBlock* block = OwnBlock(cctx);
    if (block == nullptr) return 1;
    auto* ctx = const_cast<ITrail_Context*>(cctx);
    delete[] ctx->GetPositionList();
    ctx->SetPositionList(nullptr);
    delete[] ctx->GetCenterPosList();
    ctx->SetCenterPosList(nullptr);
    ctx->SetPositionListLen(0);
    delete[] reinterpret_cast<TrailVertex*>(block->pVertices);
    delete block;
    ctx->SetPositionCntx(nullptr);
    delete[] ctx->GetTexCoordList();
    ctx->SetTexCoordList(nullptr);
    return 0;
}

int CTrail_Strategy::UpdateTrail(D3DXVECTOR3* positions, D3DXVECTOR3* centres, float* params, int count,
                                 const ITrail_Context* ctx, unsigned long strip, unsigned long)
{
    if (ctx == nullptr) return 1;
    STrailBlock* block = OwnBlock(ctx);
    const int n = ctx->GetPositionListLen();
    if (block == nullptr || n <= 0 || strip >= Strips(ctx, block)) return 1;
    const size_t first = size_t(strip) * size_t(n);
    D3DXVECTOR3* p = ctx->GetPositionList() + first;
    D3DXVECTOR3* c = ctx->GetCenterPosList() + first;
    D3DXVECTOR4* t = ctx->GetTexCoordList() + first;
    auto* v = reinterpret_cast<TrailVertex*>(block->pVertices) + first;

    if (count > 0 && count <= n - 1 && positions != nullptr && centres != nullptr && params != nullptr) {
        // Newest first: the oldest entries fall off the end.
        std::memmove(p + count, p, size_t(n - count) * sizeof *p);
        std::memmove(c + count, c, size_t(n - count) * sizeof *c);
        std::memmove(t + count, t, size_t(n - count) * sizeof *t);
        for (int i = 0; i < count; ++i) {
            p[i] = positions[i];
            c[i] = centres[i];
            t[i].x = params[i];
        }
    }
    for (int i = 0; i < n; ++i) v[i].position = p[i];
    ApplyChannels(ctx, reinterpret_cast<unsigned char*>(v), c, t, n);
    return 0;
}

void CTrail_Strategy::ApplyChannels(const ITrail_Context* ctx, unsigned char* bytes, const D3DXVECTOR3* centres,
                                    const D3DXVECTOR4* texCoords, int n)
{
    auto* v = reinterpret_cast<TrailVertex*>(bytes);
    const int pairs = (n + 1) / 2;
    for (unsigned long flag = TRAIL_CHANNEL_COLOR; flag <= TRAIL_CHANNEL_TEXCOORD; flag <<= 1) {
        if ((m_dwFlags & flag) == 0) continue;
        void* base = nullptr;
        const SSlotInfo* slot = m_pChannels[__builtin_ctzl(flag)].GetSlot(ctx->GetFrameParam(), base);
        // A channel without a slot for this moment, or with elements too
        // small for its value, leaves the vertices alone.
        if (slot == nullptr || base == nullptr || slot->dwElementSize < ElementNeeds(flag) ||
            slot->dwValueSize < slot->dwElementSize)
            continue;
        const auto* firstValue = static_cast<const unsigned char*>(base) + sizeof(float);
        for (int i = 0; i < n; ++i) {
            const float at = static_cast<float>(i >> 1) / static_cast<float>(pairs);
            const auto* e = static_cast<const unsigned char*>(slot->GetValue(at, base));
            const bool first = e == firstValue;
            const unsigned char* prev = first ? e : e - slot->dwElementSize;
            const float s = first ? 1.0f : Blend(prev, e, at);
            auto lerp = [&](size_t offset) { return FloatAt(prev + offset) * (1.0f - s) + FloatAt(e + offset) * s; };
            switch (flag) {
            case TRAIL_CHANNEL_COLOR: {
                DWORD a, b;
                std::memcpy(&a, prev, 4);
                std::memcpy(&b, e, 4);
                v[i].color = first ? b : BlendColor(a, b, s);
                break;
            }
            case TRAIL_CHANNEL_ALPHA: {
                const DWORD alpha = static_cast<DWORD>(Truncate(lerp(0) * 255.0f)) & 0xFF;
                v[i].color = (alpha << 24) | (v[i].color & 0x00FFFFFF);
                break;
            }
            case TRAIL_CHANNEL_WIDTH: {
                const float w = lerp(0);
                v[i].position = centres[i] + (v[i].position - centres[i]) * w;
                break;
            }
            default:
                v[i].u = texCoords[i].x;
                v[i].v = lerp(4);
                break;
            }
        }
    }
}

void CTrail_Strategy::Render(const ITrail_Context* ctx)
{
    if (ctx == nullptr || m_pDevice == nullptr) return;
    const STrailBlock* block = OwnBlock(ctx);
    // A trail built again shorter keeps the count of its longer lists: no
    // more than a strip's vertices are live.
    const int n = std::min(ctx->GetActiveCount(), ctx->GetPositionListLen());
    if (block == nullptr || n < 2) return;
    // Two or three live vertices make no triangle: no draw at all.
    const UINT primitives = static_cast<UINT>((n & ~1) - 2);
    if (primitives == 0) return;
    m_pDevice->SetVertexShader(block->dwFVF);
    const size_t stride = size_t(ctx->GetPositionListLen()) * block->dwVertexSize;
    for (unsigned long s = 0; s < Strips(ctx, block); ++s)
        m_pDevice->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(block->dwPrimitiveType), primitives,
                                   block->pVertices + s * stride, block->dwVertexSize);
}

} // namespace Kestu
