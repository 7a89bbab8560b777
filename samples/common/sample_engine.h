// What the sample clients share: the engine built in a window of its own
// (windowed, with a depth buffer, logging to out/<name>.log) and the frame
// cycle around a scene's draw.
#pragma once
#include <cstdio>
#include <filesystem>

#include <host/host.h>
#include <kestu.h>

namespace sample {

// Creates out/ and builds the engine for the scene's device events.
inline HRESULT BuildEngine(CKestuDevObjMng* scene, const char* name, const char* title)
{
    std::error_code ec;
    std::filesystem::create_directories("out", ec);
    KESTU_CONFIG cfg;
    cfg.hInstance = GetModuleHandleA(nullptr);
    cfg.pDevObjMng = scene;
    cfg.bWindowed = 1;
    cfg.bUseDepthBuffer = 1;
    cfg.dwMinDepthBits = 16;
    cfg.eLogLevel = 4;
    std::snprintf(cfg.szLogFile, sizeof cfg.szLogFile, "out/%s.log", name);
    std::snprintf(cfg.szWindowTitle, sizeof cfg.szWindowTitle, "%s", title);
    const HRESULT hr = Kestu_Build(&cfg, nullptr);
    if (FAILED(hr)) std::fprintf(stderr, "%s: Kestu_Build failed: 0x%08X\n", name, static_cast<unsigned>(hr));
    return hr;
}

// Loses the device as a switch away from a full-screen window does, and
// gets it back: the next Kestu_PrepareForRender resets it, and the scene's
// device events invalidate and restore what it owns around the reset.
inline HRESULT LoseDevice(const char* name)
{
    host::D3D8LoseDevices();
    const HRESULT lost = Kestu_PrepareForRender();
    host::D3D8RegainDevices();
    if (lost == D3DERR_DEVICELOST) return S_OK;
    std::fprintf(stderr, "%s: a lost device answered 0x%08X\n", name, static_cast<unsigned>(lost));
    return E_FAIL;
}

// Prepares the device, clears it, runs draw() inside a scene and presents;
// a failure is reported with the frame's number. Frame 1 begins with a lost
// device, so every scene shows it comes back after it has drawn.
template <class Draw>
HRESULT Frame(const char* name, int frame, D3DCOLOR clear, Draw draw)
{
    IDirect3DDevice8* device = Kestu_GetDevice();
    if (frame == 1 && FAILED(LoseDevice(name))) return E_FAIL;
    HRESULT hr = Kestu_PrepareForRender();
    if (SUCCEEDED(hr)) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
        device->BeginScene();
        hr = draw();
        device->EndScene();
    }
    if (SUCCEEDED(hr)) hr = Kestu_Present();
    if (FAILED(hr)) std::fprintf(stderr, "%s: frame %d failed: 0x%08X\n", name, frame, static_cast<unsigned>(hr));
    return hr;
}

// Saves what the engine's window shows as a PNG; false (reported) when it cannot.
inline bool SavePicture(const char* name, const char* path)
{
    if (host::SaveWindowPng(Kestu_GetCfg()->GetRenderWnd(), path)) return true;
    std::fprintf(stderr, "%s: cannot save %s\n", name, path);
    return false;
}

// One directional light of the given colour and direction, lighting on,
// with the given ambient level.
inline void SetSun(IDirect3DDevice8* device, D3DCOLORVALUE colour, D3DVECTOR direction, D3DCOLOR ambient)
{
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = colour;
    sun.Direction = direction;
    device->SetLight(0, &sun);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, ambient);
}

} // namespace sample
