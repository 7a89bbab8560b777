// Any bytes as the records a client hands the streamed terrain: its set-up,
// wave entries, block records of any kind and flags, water records, and a
// run of streaming calls between them (Clip, attaching the requested and
// other blocks, detaching, the level pass, waves, shifts). The view circle is
// an argument, not a record: it is held to at most 24 blocks. After every call the
// attached count must match the tree and the visible lists name only blocks
// in the tree.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kestu.h"
#include "kestu_texture_mng.h"

namespace {

class Cursor {
public:
    Cursor(const uint8_t* data, size_t size) : m_p(data), m_n(size) {}
    template <class T>
    T Take()
    {
        T v{};
        Bytes(&v, sizeof v);
        return v;
    }
    void Bytes(void* out, size_t k)
    {
        const size_t n = std::min(k, m_n);
        std::memcpy(out, m_p, n);
        std::memset(static_cast<uint8_t*>(out) + n, 0, k - n);
        m_p += n;
        m_n -= n;
    }
    bool More() const { return m_n > 0; }

private:
    const uint8_t* m_p;
    size_t m_n;
};

float Held(float v, float limit) { return v == v ? std::clamp(v, -limit, limit) : 0.0f; }

int Leaves(const CQuadtree* node)
{
    if (!node) return 0;
    if (node->IsLeaf()) return 1;
    int n = 0;
    for (int c = 0; c < 4; ++c) n += Leaves(node->GetChild(ENUM_OU_CORNER(c)));
    return n;
}

void Check(CDynamicTerrain& t)
{
    if (t.GetNumAttachedBlocks() != Leaves(t.GetTreeRoot())) __builtin_trap();
    for (CPointerArray* list : {t.GetLocalVisibleBlocks(), t.GetExternVisibleBlocks()})
        for (DWORD i = 0; i < list->GetCount(); ++i) {
            auto* b = static_cast<CDynamicTerrainBlock*>(list->GetPointer(i));
            if (b && !b->GetParent()) __builtin_trap();
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Cursor in(data, size);
    static CTextureMng textures;
    if (!textures.IsBuilt() && FAILED(textures.Build(nullptr, D3DPOOL_MANAGED, 0))) return 0;
    static CTrigonometricfunctionTable sine;

    SDynamicTerrainInit init;
    init.dwBlockStride = in.Take<uint16_t>();
    init.fBlockWidth = in.Take<float>();
    init.fBlockHeight = in.Take<float>();
    const DWORD pool = in.Take<uint8_t>();
    SDTLODCfg lod;
    const bool hasLod = in.Take<uint8_t>() & 1;
    lod.fLODDist = in.Take<float>();
    lod.fLODAlt = in.Take<float>();
    SWaterWaveCfg waves;
    waves.bSingleWave = in.Take<uint8_t>() & 1;
    const int entries = in.Take<uint8_t>() % 8;
    for (int i = 0; i < entries; ++i) {
        SWaterWaveEntry e;
        in.Bytes(&e, sizeof e);
        waves.Entries.push_back(e);
    }
    SDTTextureResCfg tex;
    tex.pTextureMng = &textures;
    // Visibility bytes only for maps small enough to hold them here.
    std::vector<BYTE> bytes(init.dwBlockStride <= 256 ? size_t(init.dwBlockStride) * init.dwBlockStride : 0);
    CDynamicTerrain t;
    if (FAILED(t.Build(&init, &tex, nullptr, nullptr, &waves, hasLod ? &lod : nullptr,
                       bytes.empty() ? nullptr : bytes.data(), pool, &sine))) {
        if (t.IsBuilt()) __builtin_trap();
        return 0;
    }
    const float block = std::min(init.fBlockWidth, init.fBlockHeight);
    alignas(SDynamicTerrainBlockInitEx) uint8_t record[sizeof(SDynamicTerrainBlockInitEx)] = {};
    std::vector<BYTE> switched(64 * 64);
    for (int ops = 0; in.More() && ops < 64; ++ops) {
        switch (in.Take<uint8_t>() % 8) {
        case 0: {
            const float x = Held(in.Take<float>(), 1e6f), z = Held(in.Take<float>(), 1e6f);
            const float r = std::fabs(Held(in.Take<float>(), 24.0f * block));
            const int grow = in.Take<uint8_t>() % 16;
            const SBoundCircle view(x, z, r);
            t.Clip(&view, grow, in.Take<float>(), nullptr);
            break;
        }
        case 1: {
            const int x = in.Take<int16_t>(), z = in.Take<int16_t>();
            in.Bytes(record, sizeof record);
            SDTBWaterInit water;
            const bool wet = in.Take<uint8_t>() & 1;
            if (wet) in.Bytes(&water, sizeof water);
            t.AttachBlock(x, z, reinterpret_cast<const SDynamicTerrainBlockInitHeader*>(record), wet ? &water : nullptr,
                          in.Take<uint8_t>() % 16, nullptr, nullptr, 0, nullptr, nullptr, 0xFFFFFFFF);
            break;
        }
        case 2: {
            const int x = in.Take<int16_t>(), z = in.Take<int16_t>();
            t.DetachBlock(x, z);
            break;
        }
        case 3: t.DetachAllBlock(); break;
        case 4: {
            CFrustum eye;
            const D3DXVECTOR3 at(in.Take<float>(), in.Take<float>(), in.Take<float>());
            eye.SetPos(&at);
            if (t.UpdateVisibleState(&eye, FALSE, in.Take<uint8_t>() & 1, 0.0f) != S_OK) __builtin_trap();
            break;
        }
        case 5: {
            const float time = in.Take<float>();
            t.FrameMoveAllWater(time);
            t.FrameMoveWater(time, in.Take<uint8_t>());
            t.SetAllWaterVertexDiffuse(in.Take<uint32_t>());
            break;
        }
        case 6: {
            const int dx = in.Take<int8_t>(), dz = in.Take<int8_t>();
            const int stride = in.Take<uint8_t>() % 65;
            t.SwitchTerrainSmoothly(dx, dz, stride, stride ? switched.data() : nullptr, in.Take<float>());
            break;
        }
        case 7:
            for (DWORD i = 0; i < t.GetNumLoadBlocks(); ++i) {
                const SDTBlockInfo* want = t.GetLoadBlockPos(i);
                t.AttachBlock(want->Pos.x, want->Pos.y, reinterpret_cast<const SDynamicTerrainBlockInitHeader*>(record),
                              nullptr, 16, nullptr, nullptr, 0, nullptr, nullptr, 0xFFFFFFFF);
            }
            break;
        }
        Check(t);
    }
    t.Release();
    return 0;
}
