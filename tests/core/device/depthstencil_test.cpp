#include <set>

#include "core/device/GfxD3DApp.h"
#include "engine_fixture.h"

namespace {

// Answers only the depth-stencil checks, from a set of accepted formats, and
// records the candidates asked for.
class CDepthOnlyD3D : public IDirect3D8 {
public:
    explicit CDepthOnlyD3D(std::set<D3DFORMAT> ok) : m_Accepted(std::move(ok)) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT RegisterSoftwareDevice(void*) override { return E_FAIL; }
    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER8*) override { return E_FAIL; }
    UINT GetAdapterModeCount(UINT) override { return 0; }
    HRESULT EnumAdapterModes(UINT, UINT, D3DDISPLAYMODE*) override { return E_FAIL; }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE*) override { return E_FAIL; }
    HRESULT CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override { return E_FAIL; }
    HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT f) override
    {
        if (usage != D3DUSAGE_DEPTHSTENCIL || type != D3DRTYPE_SURFACE) return E_FAIL;
        tried.push_back(f);
        return m_Accepted.count(f) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE) override
    {
        return E_FAIL;
    }
    HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT f) override
    {
        return m_Accepted.count(f) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8*) override { return E_FAIL; }
    HMONITOR GetAdapterMonitor(UINT) override { return nullptr; }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice8**) override
    {
        return E_FAIL;
    }

    std::vector<D3DFORMAT> tried;

private:
    std::set<D3DFORMAT> m_Accepted;
};

TEST(DepthStencil, CandidatesAndLoweredMinimums)
{
    struct Case {
        DWORD depth, stencil;
        std::set<D3DFORMAT> accepted;
        std::vector<D3DFORMAT> tried;
        D3DFORMAT chosen; // D3DFMT_UNKNOWN: none
        DWORD depthAfter, stencilAfter;
    } cases[] = {
        {16, 0, {}, {D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D15S1}, D3DFMT_UNKNOWN, 15, 1},
        {16, 0, {D3DFMT_D24X4S4}, {D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X4S4}, D3DFMT_D24X4S4, 16, 4},
        {16, 0, {D3DFMT_D15S1}, {D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D15S1}, D3DFMT_D15S1, 15, 1},
        {32, 0, {D3DFMT_D16}, {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16}, D3DFMT_D16, 16, 0},
        {24, 0, {D3DFMT_D24X8}, {D3DFMT_D24X8}, D3DFMT_D24X8, 24, 0},
        {24, 8, {D3DFMT_D16, D3DFMT_D24S8}, {D3DFMT_D24S8}, D3DFMT_D24S8, 24, 8},
        {32, 8, {D3DFMT_D24S8}, {}, D3DFMT_UNKNOWN, 32, 8},
        {16, 9, {D3DFMT_D24S8}, {}, D3DFMT_UNKNOWN, 16, 9},
    };
    for (const Case& c : cases) {
        CDepthOnlyD3D d3d(c.accepted);
        DWORD depth = c.depth, stencil = c.stencil;
        D3DFORMAT chosen = D3DFMT_UNKNOWN;
        const BOOL found = GfxFindDepthStencilFormat(&d3d, 0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, depth, stencil, &chosen);
        EXPECT_EQ(found, c.chosen != D3DFMT_UNKNOWN) << c.depth << "/" << c.stencil;
        EXPECT_EQ(chosen, c.chosen) << c.depth << "/" << c.stencil;
        EXPECT_EQ(d3d.tried, c.tried) << c.depth << "/" << c.stencil;
        EXPECT_EQ(depth, c.depthAfter) << c.depth << "/" << c.stencil;
        EXPECT_EQ(stencil, c.stencilAfter) << c.depth << "/" << c.stencil;
    }
}

} // namespace
