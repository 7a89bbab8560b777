// The state scope and the table helpers: what they write, what each rule
// puts back, and the bindings a scope holds.
#include <gtest/gtest.h>

#include <d3dx8math.h>

#include <iterator>

#include "core/device/DeviceState.h"
#include "host/host_d3d8.h"
#include "support/device.h"

namespace {

using DeviceState = testdevice::DeviceSuite<16, 16>;
using kestu::PutBack;
using kestu::StateRow;
using testdevice::RenderState;
using testdevice::StageState;

uint64_t StateChanges() { return host::D3D8GetCounters().stateChanges; }

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// What the device has bound (no reference kept).
IDirect3DBaseTexture8* BoundTexture(IDirect3DDevice8* device, DWORD stage)
{
    IDirect3DBaseTexture8* t = nullptr;
    device->GetTexture(stage, &t);
    if (t) t->Release();
    return t;
}

DWORD VertexShader(IDirect3DDevice8* device)
{
    DWORD handle = 0;
    device->GetVertexShader(&handle);
    return handle;
}

// Before the scope, the value it wants, a change made while it is open (0:
// none), and what each rule leaves.
struct Case {
    DWORD before;
    DWORD want;
    DWORD between;
    DWORD afterChanged;
    DWORD afterDiffering;
};

TEST_F(DeviceState, EachRulePutsBackItsStates)
{
    const Case cases[] = {
        {10, 20, 0, 10, 10},  // changed by the scope, untouched since
        {10, 10, 0, 10, 10},  // already wanted: nothing to do
        {10, 10, 30, 30, 10}, // not changed by the scope, changed since
        {10, 20, 30, 10, 10}, // changed by both
    };
    for (const PutBack rule : {PutBack::Changed, PutBack::Differing}) {
        for (const Case& c : cases) {
            device->SetRenderState(D3DRS_ALPHAREF, c.before);
            device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, c.before);
            {
                kestu::StateScope scope(device, rule);
                scope.Render(D3DRS_ALPHAREF, c.want);
                scope.Stage(1, D3DTSS_TEXCOORDINDEX, c.want);
                EXPECT_EQ(RenderState(device, D3DRS_ALPHAREF), c.want);
                EXPECT_EQ(StageState(device, 1, D3DTSS_TEXCOORDINDEX), c.want);
                if (c.between) {
                    device->SetRenderState(D3DRS_ALPHAREF, c.between);
                    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, c.between);
                }
            }
            const DWORD expected = rule == PutBack::Changed ? c.afterChanged : c.afterDiffering;
            EXPECT_EQ(RenderState(device, D3DRS_ALPHAREF), expected) << int(rule) << " " << c.want << " " << c.between;
            EXPECT_EQ(StageState(device, 1, D3DTSS_TEXCOORDINDEX), expected) << int(rule);
        }
    }
    device->SetRenderState(D3DRS_ALPHAREF, 0);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
}

TEST_F(DeviceState, WritesNothingWhereTheDeviceAlreadyHasTheValues)
{
    for (const PutBack rule : {PutBack::Changed, PutBack::Differing}) {
        {
            kestu::StateScope first(device, rule);
            first.Set(kestu::kOverlayStates, std::size(kestu::kOverlayStates));
            const uint64_t before = StateChanges();
            kestu::StateScope second(device, rule);
            second.Set(kestu::kOverlayStates, std::size(kestu::kOverlayStates));
            second.Restore();
            second.Restore(); // empty: nothing more
            EXPECT_EQ(StateChanges(), before);
        }
        EXPECT_EQ(RenderState(device, D3DRS_ALPHAREF), 0u);
        EXPECT_EQ(StageState(device, 1, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
        EXPECT_EQ(StageState(device, 0, D3DTSS_COLORARG2), DWORD(D3DTA_CURRENT));
    }
}

TEST_F(DeviceState, TablesKeepTheirSavedValuesOutside)
{
    const StateRow rows[] = {
        {kestu::kRenderState, D3DRS_FOGENABLE, TRUE},
        {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
        {2, D3DTSS_ALPHAOP, D3DTOP_ADD},
    };
    DWORD saved[3] = {};
    kestu::SaveStates(device, rows, 3, saved);
    EXPECT_EQ(saved[0], DWORD(FALSE));
    EXPECT_EQ(saved[1], DWORD(D3DTEXF_POINT));
    EXPECT_EQ(saved[2], DWORD(D3DTOP_DISABLE));
    EXPECT_EQ(RenderState(device, D3DRS_FOGENABLE), DWORD(TRUE));
    EXPECT_EQ(StageState(device, 0, D3DTSS_MAGFILTER), DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(StageState(device, 2, D3DTSS_ALPHAOP), DWORD(D3DTOP_ADD));
    kestu::PutBackChanged(device, rows, 3, saved);
    EXPECT_EQ(RenderState(device, D3DRS_FOGENABLE), DWORD(FALSE));
    EXPECT_EQ(StageState(device, 0, D3DTSS_MAGFILTER), DWORD(D3DTEXF_POINT));
    EXPECT_EQ(StageState(device, 2, D3DTSS_ALPHAOP), DWORD(D3DTOP_DISABLE));

    kestu::SaveStates(device, rows, 3, saved);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_ANISOTROPIC);
    kestu::PutBackDiffering(device, rows, 3, saved);
    EXPECT_EQ(RenderState(device, D3DRS_FOGENABLE), DWORD(FALSE));
    EXPECT_EQ(StageState(device, 0, D3DTSS_MAGFILTER), DWORD(D3DTEXF_POINT));

    // A state the device cannot read is left alone, and nothing is put back.
    const StateRow bad = {9, D3DTSS_COLOROP, D3DTOP_ADD};
    DWORD badSaved = 0;
    const uint64_t before = StateChanges();
    EXPECT_FALSE(kestu::SaveState(device, bad, &badSaved));
    kestu::PutBackChanged(device, bad, badSaved);
    kestu::PutBackDiffering(device, bad.stage, bad.type, badSaved);
    EXPECT_EQ(StateChanges(), before);
}

TEST_F(DeviceState, BindingsTransformsAndTargetComeBackWithTheirReferences)
{
    IDirect3DTexture8 *mine = nullptr, *theirs = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &mine), D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &theirs), D3D_OK);
    IDirect3DSurface8* surface = nullptr;
    ASSERT_EQ(theirs->GetSurfaceLevel(0, &surface), D3D_OK);
    device->SetTexture(2, theirs);
    device->SetVertexShader(D3DFVF_XYZ);
    D3DXMATRIX view, proj, identity;
    D3DXMatrixTranslation(&view, 1, 2, 3);
    D3DXMatrixScaling(&proj, 2, 2, 2);
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    IDirect3DSurface8 *target = nullptr, *depth = nullptr;
    device->GetRenderTarget(&target);
    device->GetDepthStencilSurface(&depth);
    const ULONG theirRefs = RefCount(theirs), targetRefs = RefCount(target);

    {
        kestu::StateScope scope(device);
        EXPECT_EQ(scope.Texture(2, mine), D3D_OK);
        EXPECT_EQ(scope.VertexShader(D3DFVF_XYZRHW), D3D_OK);
        EXPECT_EQ(scope.Transform(D3DTS_PROJECTION, &identity), D3D_OK);
        scope.KeepTransform(D3DTS_VIEW);
        scope.KeepRenderTarget();
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetRenderTarget(surface, nullptr);
        EXPECT_EQ(BoundTexture(device, 2), mine);
        EXPECT_EQ(VertexShader(device), DWORD(D3DFVF_XYZRHW));
    }

    EXPECT_EQ(BoundTexture(device, 2), theirs);
    EXPECT_EQ(VertexShader(device), DWORD(D3DFVF_XYZ));
    D3DXMATRIX m;
    device->GetTransform(D3DTS_VIEW, &m);
    EXPECT_EQ(m, view);
    device->GetTransform(D3DTS_PROJECTION, &m);
    EXPECT_EQ(m, proj);
    IDirect3DSurface8 *nowTarget = nullptr, *nowDepth = nullptr;
    device->GetRenderTarget(&nowTarget);
    device->GetDepthStencilSurface(&nowDepth);
    EXPECT_EQ(nowTarget, target);
    EXPECT_EQ(nowDepth, depth);
    if (nowTarget) nowTarget->Release();
    if (nowDepth) nowDepth->Release();
    EXPECT_EQ(RefCount(theirs), theirRefs);
    EXPECT_EQ(RefCount(target), targetRefs);

    device->SetTexture(2, nullptr);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    target->Release();
    if (depth) depth->Release();
    surface->Release();
    theirs->Release();
    mine->Release();
}

// Past the room the object holds, a scope keeps saving on the heap: every
// state, texture and transform of a large draw comes back.
TEST_F(DeviceState, ALargeDrawPutsEverythingBack)
{
    using Scope = kestu::StateScope;
    // Texture-stage states over every stage: more than the room for states.
    const D3DTEXTURESTAGESTATETYPE kinds[] = {D3DTSS_TEXCOORDINDEX, D3DTSS_BUMPENVLSCALE, D3DTSS_BUMPENVLOFFSET,
                                              D3DTSS_MAXMIPLEVEL, D3DTSS_MAXANISOTROPY};
    static_assert(8 * std::size(kinds) > Scope::kStates);
    // Transforms: more than the room for them, the last three kept by hand.
    const D3DTRANSFORMSTATETYPE transforms[] = {D3DTS_VIEW,     D3DTS_PROJECTION, D3DTS_WORLD,
                                                D3DTS_TEXTURE0, D3DTS_TEXTURE5,   D3DTS_TEXTURE7};
    static_assert(std::size(transforms) > Scope::kTransforms);
    IDirect3DTexture8* textures[8] = {};
    static_assert(std::size(textures) > Scope::kTextures);
    for (IDirect3DTexture8*& t : textures)
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);

    D3DXMATRIX before[std::size(transforms)], other;
    for (size_t i = 0; i < std::size(transforms); ++i) {
        D3DXMatrixTranslation(&before[i], float(i), 1, 2);
        device->SetTransform(transforms[i], &before[i]);
    }
    D3DXMatrixScaling(&other, 3, 3, 3);
    for (DWORD stage = 0; stage < 8; ++stage)
        for (const D3DTEXTURESTAGESTATETYPE kind : kinds) device->SetTextureStageState(stage, kind, stage + 1);
    const ULONG refs = RefCount(textures[0]);
    {
        Scope scope(device);
        for (DWORD stage = 0; stage < 8; ++stage) {
            for (const D3DTEXTURESTAGESTATETYPE kind : kinds) scope.Stage(stage, kind, 100 + stage);
            EXPECT_EQ(scope.Texture(stage, textures[stage]), D3D_OK);
        }
        for (size_t i = 0; i < std::size(transforms); ++i) {
            if (i < 3) {
                EXPECT_EQ(scope.Transform(transforms[i], &other), D3D_OK);
            } else {
                const D3DMATRIX* kept = scope.KeepTransform(transforms[i]);
                ASSERT_NE(kept, nullptr);
                EXPECT_EQ(D3DXMATRIX(*kept), before[i]);
                device->SetTransform(transforms[i], &other);
            }
        }
        EXPECT_EQ(StageState(device, 7, D3DTSS_MAXANISOTROPY), 107u);
        EXPECT_EQ(BoundTexture(device, 7), textures[7]);
    }
    for (DWORD stage = 0; stage < 8; ++stage) {
        for (const D3DTEXTURESTAGESTATETYPE kind : kinds)
            EXPECT_EQ(StageState(device, stage, kind), stage + 1) << stage << " " << kind;
        EXPECT_EQ(BoundTexture(device, stage), nullptr) << stage;
    }
    for (size_t i = 0; i < std::size(transforms); ++i) {
        D3DXMATRIX m;
        device->GetTransform(transforms[i], &m);
        EXPECT_EQ(m, before[i]) << transforms[i];
    }
    EXPECT_EQ(RefCount(textures[0]), refs);

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const D3DTRANSFORMSTATETYPE t : transforms) device->SetTransform(t, &identity);
    for (DWORD stage = 0; stage < 8; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage);
        for (const D3DTEXTURESTAGESTATETYPE kind : {D3DTSS_BUMPENVLSCALE, D3DTSS_BUMPENVLOFFSET, D3DTSS_MAXMIPLEVEL})
            device->SetTextureStageState(stage, kind, 0);
        device->SetTextureStageState(stage, D3DTSS_MAXANISOTROPY, 1);
    }
    for (IDirect3DTexture8* t : textures) t->Release();
}

// A transform kept with the value to put back: the caller's matrix returns,
// not the device's.
TEST_F(DeviceState, AKeptTransformPutsBackTheGivenMatrix)
{
    D3DXMATRIX device0, given, drawn, identity;
    D3DXMatrixTranslation(&device0, 1, 0, 0);
    D3DXMatrixTranslation(&given, 0, 2, 0);
    D3DXMatrixTranslation(&drawn, 0, 0, 3);
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &device0);
    {
        kestu::StateScope scope(device);
        const D3DMATRIX* kept = scope.KeepTransform(D3DTS_WORLD, &given);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(D3DXMATRIX(*kept), given);
        device->SetTransform(D3DTS_WORLD, &drawn);
    }
    D3DXMATRIX m;
    device->GetTransform(D3DTS_WORLD, &m);
    EXPECT_EQ(m, given);
    // A transform the device does not have is not kept, and nothing is put back.
    {
        kestu::StateScope scope(device);
        EXPECT_EQ(scope.KeepTransform(static_cast<D3DTRANSFORMSTATETYPE>(24)), nullptr);
        device->SetTransform(D3DTS_WORLD, &identity);
    }
    device->GetTransform(D3DTS_WORLD, &m);
    EXPECT_EQ(m, identity);
}

} // namespace
