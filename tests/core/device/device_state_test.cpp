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

} // namespace
