// Shared set-up of the engine-core tests: a clean host, an unbuilt engine,
// default globals, and a client device-object manager that records events.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/device/GfxD3DApp.h"
#include "core/entry/GfxGlobals.h"
#include "host/host.h"
#include "kestu.h"

class CRecordingDevObjMng : public CKestuDevObjMng {
public:
    HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT format) override
    {
        return confirm ? confirm(*caps, behavior, format) : 0;
    }
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        events.push_back("Init");
        lastDevice = device;
        return initResult;
    }
    HRESULT ActivateDeviceObjects() override
    {
        events.push_back("Activate");
        return 0;
    }
    HRESULT InvalidateDeviceObjects() override
    {
        events.push_back("Invalidate");
        return 0;
    }

    std::function<HRESULT(const D3DCAPS8&, DWORD, D3DFORMAT)> confirm;
    HRESULT initResult = 0;
    IDirect3DDevice8* lastDevice = nullptr;
    std::vector<std::string> events;
};

class EngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        Kestu_Release();
        host::ResetWin32();
        host::D3D8ResetDefaults();
        g_GfxConfig = CGfxConfig();
        g_GfxDevObjPair.SetFirst(nullptr);
        hardware.m_nPixelFormat = 16;
        cfg.hInstance = GetModuleHandleA(nullptr);
        cfg.pDevObjMng = &mng;
        cfg.bWindowed = TRUE;
    }
    void TearDown() override
    {
        Kestu_Release();
        g_GfxDevObjPair.SetFirst(nullptr);
        g_GfxConfig = CGfxConfig();
        hardware.m_nPixelFormat = 16;
        host::D3D8ResetDefaults();
        host::ResetWin32();
    }

    // Full screen in a 16-bit mode, or windowed on the 32-bit desktop.
    HRESULT Build(BOOL windowed)
    {
        cfg.bWindowed = windowed;
        hardware.m_nPixelFormat = windowed ? 32 : 16;
        return Kestu_Build(&cfg, nullptr);
    }

    static HWND RenderWnd() { return Kestu_GetCfg()->GetRenderWnd(); }

    static D3DDISPLAYMODE Mode(UINT w, UINT h, UINT rate, D3DFORMAT f) { return D3DDISPLAYMODE{w, h, rate, f}; }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    KESTU_CONFIG cfg;
    CRecordingDevObjMng mng;
};
