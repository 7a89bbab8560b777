// IDirect3D8: adapters, modes, format checks, caps and device creation.
#pragma once
#include "d3d8.h"

namespace kestu::d3d8 {

class Direct3D final : public IDirect3D8 {
public:
    Direct3D();
    ~Direct3D();
    Direct3D(const Direct3D&) = delete;
    Direct3D& operator=(const Direct3D&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT RegisterSoftwareDevice(void* pInitializeFunction) override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER8* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter) override;
    HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat, D3DFORMAT BackBufferFormat,
                            BOOL Windowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HMONITOR GetAdapterMonitor(UINT Adapter) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice8** ppReturnedDeviceInterface) override;

private:
    ULONG refs_ = 1;
};

// The capabilities the stand-in really has, before the host's filter.
void FillCaps(D3DDEVTYPE type, UINT adapter, D3DCAPS8& caps);
bool IsDisplayFormat(D3DFORMAT f);
bool IsBackBufferFormat(D3DFORMAT f);
bool IsTextureFormat(D3DFORMAT f);
bool IsRenderTargetFormat(D3DFORMAT f);

} // namespace kestu::d3d8
