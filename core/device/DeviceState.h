// The device states a drawing helper sets for its own use and puts back
// afterwards. A state is written only where its value differs from the one
// in force.
//
// Two rules put states back:
// - Changed: only the states the save changed, trusting that nothing has
//   touched them since (the overlays, whose callers draw in between);
// - Differing: every saved state whose current value differs from the saved
//   one, so the device ends as it was whatever happened in between.
//
// An object whose saved values must outlive a call keeps them beside a
// constant table of rows (SaveStates / PutBack...); a draw keeps them in a
// StateScope on the stack.
#pragma once
#include <d3d8.h>

#include <cstddef>
#include <vector>

namespace kestu {

inline constexpr int kRenderState = -1;

// One state and the value the helper wants: a render state (stage
// kRenderState) or a texture-stage state.
struct StateRow {
    int stage;
    DWORD type;
    DWORD value;
};

inline HRESULT ReadState(IDirect3DDevice8* device, int stage, DWORD type, DWORD* value)
{
    if (stage == kRenderState) return device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(type), value);
    return device->GetTextureStageState(static_cast<DWORD>(stage), static_cast<D3DTEXTURESTAGESTATETYPE>(type), value);
}

inline void WriteState(IDirect3DDevice8* device, int stage, DWORD type, DWORD value)
{
    if (stage == kRenderState)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(type), value);
    else
        device->SetTextureStageState(static_cast<DWORD>(stage), static_cast<D3DTEXTURESTAGESTATETYPE>(type), value);
}

// Reads the row's state into *saved and writes the row's value where it
// differs. A state the device cannot read is left alone (false, and *saved
// holds the row's value, so neither rule puts anything back).
inline bool SaveState(IDirect3DDevice8* device, const StateRow& row, DWORD* saved)
{
    if (FAILED(ReadState(device, row.stage, row.type, saved))) {
        *saved = row.value;
        return false;
    }
    if (*saved != row.value) WriteState(device, row.stage, row.type, row.value);
    return true;
}

inline void PutBackChanged(IDirect3DDevice8* device, const StateRow& row, DWORD saved)
{
    if (saved != row.value) WriteState(device, row.stage, row.type, saved);
}

inline void PutBackDiffering(IDirect3DDevice8* device, int stage, DWORD type, DWORD saved)
{
    DWORD now = 0;
    if (SUCCEEDED(ReadState(device, stage, type, &now)) && now != saved) WriteState(device, stage, type, saved);
}

inline void SaveStates(IDirect3DDevice8* device, const StateRow* rows, size_t count, DWORD* saved)
{
    for (size_t i = 0; i < count; ++i) SaveState(device, rows[i], &saved[i]);
}

inline void PutBackChanged(IDirect3DDevice8* device, const StateRow* rows, size_t count, const DWORD* saved)
{
    for (size_t i = count; i-- > 0;) PutBackChanged(device, rows[i], saved[i]);
}

inline void PutBackDiffering(IDirect3DDevice8* device, const StateRow* rows, size_t count, const DWORD* saved)
{
    for (size_t i = count; i-- > 0;) PutBackDiffering(device, rows[i].stage, rows[i].type, saved[i]);
}

// The overlay: what 2D text, fonts and screen quads draw with (alpha blended,
// alpha tested, no fog, stencil or vertex blending; stage 0 modulates the
// texture by the diffuse colour with point filtering; stage 1 off). The
// render states come first, then the stage states.
inline constexpr size_t kOverlayRenderStates = 15;
inline constexpr size_t kOverlayStageStates = 13;
inline constexpr StateRow kOverlayStates[kOverlayRenderStates + kOverlayStageStates] = {
    {kRenderState, D3DRS_ALPHABLENDENABLE, TRUE},
    {kRenderState, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {kRenderState, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {kRenderState, D3DRS_ALPHATESTENABLE, TRUE},
    {kRenderState, D3DRS_ALPHAREF, 8},
    {kRenderState, D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
    {kRenderState, D3DRS_FILLMODE, D3DFILL_SOLID},
    {kRenderState, D3DRS_CULLMODE, D3DCULL_CCW},
    {kRenderState, D3DRS_STENCILENABLE, FALSE},
    {kRenderState, D3DRS_CLIPPING, TRUE},
    {kRenderState, D3DRS_CLIPPLANEENABLE, 0},
    {kRenderState, D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {kRenderState, D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
    {kRenderState, D3DRS_FOGENABLE, FALSE},
    {kRenderState, D3DRS_COLORWRITEENABLE, 0xF},
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_TEXCOORDINDEX, 0},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
    {0, D3DTSS_MINFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
};

enum class PutBack { Changed, Differing };

// Slots kept in the object for the usual draw; what does not fit goes to the
// heap rather than being dropped, so a scope never loses what it saved.
template <typename T, size_t N>
class ScopeSlots {
public:
    size_t Size() const { return m_size; }
    T& Add()
    {
        if (m_size < N) return m_inline[m_size++];
        // One allocation for as much again, not a growth step per slot.
        if (m_more.empty()) m_more.reserve(N);
        ++m_size;
        return m_more.emplace_back();
    }
    T& Last() { return m_size <= N ? m_inline[m_size - 1] : m_more.back(); }
    void DropLast()
    {
        if (m_size-- > N) m_more.pop_back();
    }

private:
    size_t m_size = 0;
    T m_inline[N];
    std::vector<T> m_more;
};

// The states one draw sets, put back when the scope ends (or at Restore).
// The usual draw fits in the object; a larger one spills to the heap.
class StateScope {
public:
    static constexpr size_t kStates = 32;
    static constexpr size_t kTextures = 4;
    static constexpr size_t kTransforms = 3;

    explicit StateScope(IDirect3DDevice8* device, PutBack rule = PutBack::Differing) : m_device(device), m_rule(rule) {}
    ~StateScope() { Restore(); }
    StateScope(const StateScope&) = delete;
    StateScope& operator=(const StateScope&) = delete;

    void Set(const StateRow& row)
    {
        SavedState& s = m_state.Add();
        if (!SaveState(m_device, row, &s.saved)) {
            m_state.DropLast();
            return;
        }
        s.stage = row.stage;
        s.type = row.type;
        s.value = row.value;
    }
    void Set(const StateRow* rows, size_t count)
    {
        for (size_t i = 0; i < count; ++i) Set(rows[i]);
    }
    void Render(D3DRENDERSTATETYPE type, DWORD value) { Set({kRenderState, DWORD(type), value}); }
    void Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) { Set({int(stage), DWORD(type), value}); }

    // These save what is bound and return the device's answer to the new value.
    HRESULT Texture(DWORD stage, IDirect3DBaseTexture8* texture);
    HRESULT VertexShader(DWORD handle);
    HRESULT Transform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix);
    // Saves a transform the caller changes itself: putBack when given, else
    // the device's. Returns the saved matrix (valid until the next transform
    // is saved), or null when the device cannot read the transform.
    const D3DMATRIX* KeepTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* putBack = nullptr);
    // Saves the render target and depth-stencil surface.
    void KeepRenderTarget();

    // Puts everything back, latest first, and empties the scope.
    void Restore();

private:
    struct SavedState {
        int stage;
        DWORD type;
        DWORD saved;
        DWORD value;
    };
    struct SavedTexture {
        DWORD stage;
        IDirect3DBaseTexture8* texture;
    };
    struct SavedTransform {
        D3DTRANSFORMSTATETYPE type;
        D3DMATRIX matrix;
    };

    IDirect3DDevice8* m_device;
    PutBack m_rule;
    bool m_shaderSaved = false;
    bool m_targetSaved = false;
    DWORD m_shader = 0;
    IDirect3DSurface8* m_target = nullptr;
    IDirect3DSurface8* m_depth = nullptr;
    ScopeSlots<SavedState, kStates> m_state;
    ScopeSlots<SavedTexture, kTextures> m_texture;
    ScopeSlots<SavedTransform, kTransforms> m_transform;
};

} // namespace kestu
