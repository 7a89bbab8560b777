// Ribbon trails below the emitter: the state of one trail (ITrail_Context),
// the way pushed points become geometry (ITrail_Strategy, with keyed value
// tables that modulate colour, alpha, width and texture coordinates along
// the trail), the working strategy of system-memory triangle strips
// (CTrail_Strategy), a strategy that does nothing, and a pool that owns
// contexts.
#pragma once
#include <cstdint>
#include <list>
#include <vector>

#include "d3d8.h"
#include "d3dx8math.h"
#include "kestu_export.h"

namespace Kestu {

class ITrail_Strategy;

// A context and its strategy may go in either order. A context tells its
// strategy when it comes and goes; a context that goes first has its trail
// released by the strategy, and a strategy that goes first releases the
// trails of its contexts (when it built them) and leaves them without a
// strategy: pushes, drawing and builds then do nothing.
class KESTU_API ITrail_Context {
public:
    explicit ITrail_Context(ITrail_Strategy* strategy);
    // A copy takes the strategy, lengths, strips and frame parameter but
    // not the trail itself, whose lists belong to the strategy that built
    // it: the copy is unbuilt until its strategy builds it.
    ITrail_Context(const ITrail_Context& other);
    ITrail_Context& operator=(const ITrail_Context&) { return *this; }
    // The strategy, while there is one, releases the trail.
    virtual ~ITrail_Context();
    virtual void Update() {}

    // Hands the points to the strategy; a push to strip 0 counts one more
    // live vertex (up to the position list length).
    void Push(D3DXVECTOR3* positions, D3DXVECTOR3* centres, float* params, int count, unsigned long strip,
              unsigned long reserved);
    void Render();
    void Clear() { m_nActiveCount = 0; }

    // The trail stays; only the strategy that is set may release it later.
    void SetStrategy(ITrail_Strategy* s);
    ITrail_Strategy* GetStrategy() const { return m_pStrategy; }
    void SetPositionList(D3DXVECTOR3* p) { m_pPositionList = p; }
    D3DXVECTOR3* GetPositionList() const { return m_pPositionList; }
    void SetCenterPosList(D3DXVECTOR3* p) { m_pCenterPosList = p; }
    D3DXVECTOR3* GetCenterPosList() const { return m_pCenterPosList; }
    void SetTexCoordList(D3DXVECTOR4* p) { m_pTexCoordList = p; }
    D3DXVECTOR4* GetTexCoordList() const { return m_pTexCoordList; }
    void SetPositionListLen(int n) { m_nPositionListLen = n; }
    int GetPositionListLen() const { return m_nPositionListLen; }
    void SetPositionCntx(void* block) { m_pPositionCntx = block; }
    void* GetPositionCntx() const { return m_pPositionCntx; }
    void SetFrameParam(float t) { m_fFrameParam = t; }
    float GetFrameParam() const { return m_fFrameParam; }
    void SetStripsNumber(unsigned long n) { m_dwStripsNumber = n; }
    unsigned long GetStripsNumber() const { return m_dwStripsNumber; }
    int GetActiveCount() const { return m_nActiveCount; }

private:
    friend class ITrail_Strategy;

    ITrail_Strategy* m_pStrategy;
    D3DXVECTOR3* m_pPositionList = nullptr;
    D3DXVECTOR3* m_pCenterPosList = nullptr;
    D3DXVECTOR4* m_pTexCoordList = nullptr;
    int m_nPositionListLen = 0;
    int m_nActiveCount = 0;
    void* m_pPositionCntx = nullptr;
    float m_fFrameParam = 0.0f;
    unsigned long m_dwStripsNumber = 1;
};

struct KESTU_API SSlotInfo {
    // The address behind the key of the first element whose key reaches t
    // (the last element's when none does); null for a slot of no elements
    // or of elements too small for their key.
    void* GetValue(float t, void* value) const;

    float fKey = 0.0f;
    unsigned long dwValueSize = 0;
    unsigned long dwElementSize = 0;
    unsigned long dwOffset = 0;
};

struct SStraetegyDataHeader {
    uint32_t dwSlotCount = 0;
    uint32_t dwReserved[3] = {0, 0, 0};
};

// A keyed list of slots, each an array of elements that begin with a float
// key in 0..1 followed by the channel's value.
class KESTU_API CStrategyData {
public:
    CStrategyData() = default;
    CStrategyData(const CStrategyData& other);
    CStrategyData& operator=(const CStrategyData& other);
    virtual ~CStrategyData() { Clear(); }

    void Clear();
    // Keys outside 0..1 are ignored.
    void AddSlot(float key, unsigned long size, unsigned long elementSize, const void* value);
    // The first slot whose key reaches t, with its value's address; null
    // (and a null value) when none does.
    SSlotInfo* GetSlot(float t, void*& value) const;

    const SStraetegyDataHeader& GetHeader() const { return m_Header; }
    const std::list<SSlotInfo*>& GetSlots() const { return m_Slots; }

private:
    SStraetegyDataHeader m_Header;
    std::list<SSlotInfo*> m_Slots;
    unsigned char* m_pBuffer = nullptr;
    unsigned long m_dwUsed = 0;
    unsigned long m_dwCapacity = 0;
};

// Channel flags of the working strategy.
enum ENUM_TRAIL_CHANNEL : unsigned long {
    TRAIL_CHANNEL_COLOR = 1,    // packed ARGB
    TRAIL_CHANNEL_ALPHA = 2,    // float 0..1
    TRAIL_CHANNEL_WIDTH = 4,    // float scale about the centre
    TRAIL_CHANNEL_TEXCOORD = 8, // two floats, the second is v
};

typedef void (*PFN_TRAIL_CALLBACK)(unsigned long, unsigned long);

class KESTU_API ITrail_Strategy {
public:
    ITrail_Strategy() = default;
    // Copies channels, flags, callback and sizes; the table pointers stay
    // on the copy's own tables, and the contexts stay with their strategy.
    ITrail_Strategy(const ITrail_Strategy& other) { CopyChannels(other); }
    ITrail_Strategy& operator=(const ITrail_Strategy& other)
    {
        if (this != &other) CopyChannels(other);
        return *this;
    }
    // Leaves every context that still names this strategy without one. A
    // derived strategy releases the trails it built in its own destructor
    // (GetContexts), while it can still do so.
    virtual ~ITrail_Strategy();
    virtual int Init(IDirect3DDevice8* device) = 0;
    virtual void Render(const ITrail_Context* ctx) = 0;
    virtual int BuildTrail(const ITrail_Context* ctx) = 0;
    virtual int ReleaseTrail(const ITrail_Context* ctx) = 0;
    virtual int UpdateTrail(D3DXVECTOR3* positions, D3DXVECTOR3* centres, float* params, int count,
                            const ITrail_Context* ctx, unsigned long strip, unsigned long reserved) = 0;
    virtual int ClearTrail(const ITrail_Context* ctx) = 0;

    // flag must be a single bit 1 << i: 0, else 1 and nothing changes.
    int SetStrategyData(const CStrategyData* data, unsigned long flag);
    CStrategyData* GetStrategyData(int flag);
    unsigned long GetStrategyDataSize(int flag) const;
    unsigned long GetStrategyDataFlags() const { return m_dwFlags; }
    void SetCallBack(PFN_TRAIL_CALLBACK fn) { m_pfnCallBack = fn; }
    PFN_TRAIL_CALLBACK GetCallBack() const { return m_pfnCallBack; }

protected:
    // The contexts that name this strategy, in no particular order.
    const std::vector<ITrail_Context*>& GetContexts() const { return m_Contexts; }

    unsigned long* m_pChannelSizes = m_dwChannelSizes;
    unsigned long m_dwFlags = 0;
    CStrategyData* m_pChannels = m_Channels;
    PFN_TRAIL_CALLBACK m_pfnCallBack = nullptr;
    CStrategyData m_Channels[32];
    unsigned long m_dwChannelSizes[32] = {};

private:
    friend class ITrail_Context;
    void CopyChannels(const ITrail_Strategy& other);

    std::vector<ITrail_Context*> m_Contexts;
};

// The strategy's per-trail block: the context's position context.
struct STrailBlock {
    uint32_t dwFVF;
    uint32_t dwPrimitiveType;
    uint32_t dwLengthMinusOne;
    uint32_t dwStrips; // strips the lists were made for
    uint32_t dwVertexSize;
    uint32_t dwZero1[3];
    unsigned char* pVertices;
    uint32_t dwZero2[2];
    uint32_t dwMark;
};
#define KESTU_TRAIL_BLOCK_MARK 0x1234ABCDu

class KESTU_API CTrail_Strategy : public ITrail_Strategy {
public:
    CTrail_Strategy() = default;
    explicit CTrail_Strategy(unsigned long trailLength);
    CTrail_Strategy(const CTrail_Strategy& other) = default;
    CTrail_Strategy& operator=(const CTrail_Strategy& other) = default;
    // Releases the trails of the contexts that still name it.
    ~CTrail_Strategy() override;

    int Init(IDirect3DDevice8* device) override;
    void Render(const ITrail_Context* ctx) override;
    int BuildTrail(const ITrail_Context* ctx) override;
    int ReleaseTrail(const ITrail_Context* ctx) override;
    int UpdateTrail(D3DXVECTOR3* positions, D3DXVECTOR3* centres, float* params, int count, const ITrail_Context* ctx,
                    unsigned long strip, unsigned long reserved) override;
    int ClearTrail(const ITrail_Context*) override { return 0; }
    // 0 keeps the length; 1 when trails built before must be built again.
    virtual int SetTrailLength(unsigned long n);

    unsigned long GetTrailLength() const { return m_dwTrailLength; }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }

private:
    // The per-vertex channels over one strip's vertices.
    void ApplyChannels(const ITrail_Context* ctx, unsigned char* vertices, const D3DXVECTOR3* centres,
                       const D3DXVECTOR4* texCoords, int n);

    IDirect3DDevice8* m_pDevice = nullptr;
    unsigned long m_dwTrailLength = 24;
    int32_t m_bBuilt = 0;
};

class KESTU_API CTrail_StrategyDummy : public ITrail_Strategy {
public:
    int Init(IDirect3DDevice8*) override { return 0; }
    void Render(const ITrail_Context*) override {}
    int BuildTrail(const ITrail_Context*) override { return 0; }
    int ReleaseTrail(const ITrail_Context*) override { return 0; }
    int UpdateTrail(D3DXVECTOR3*, D3DXVECTOR3*, float*, int, const ITrail_Context*, unsigned long,
                    unsigned long) override
    {
        return 0;
    }
    int ClearTrail(const ITrail_Context*) override { return 0; }
};

// Owns the contexts in its list and deletes them when it goes; a copy owns
// copies of them.
class KESTU_API CTrailCntx_Pool {
public:
    CTrailCntx_Pool() = default;
    CTrailCntx_Pool(const CTrailCntx_Pool& other);
    CTrailCntx_Pool& operator=(const CTrailCntx_Pool& other);
    virtual ~CTrailCntx_Pool();

    void InitPool(int) {}
    std::list<ITrail_Context*>& GetList() { return m_Contexts; }

private:
    void DeleteItem(ITrail_Context* ctx) { delete ctx; }
    void DeleteAll();

    uint32_t m_dwReserved[2] = {0, 0};
    std::list<ITrail_Context*> m_Contexts;
};

} // namespace Kestu
