// The engine's exported entry functions: build and release, the frame cycle,
// resets and display modes, the window-message hook and the queries.
#pragma once
#include <list>

#include <windows.h>
#include <d3d8.h>

#include "kestu_config.h"
#include "kestu_devobjmng.h"

HRESULT Kestu_Build(KESTU_CONFIG* cfg, HWND hwnd);
HRESULT Kestu_Extra_Build(KESTU_EXTRA_CONFIG* ext, HWND hwnd);
HRESULT Kestu_Release();
BOOL Kestu_IsBuilt();
BOOL Kestu_IsExtraMode();

HRESULT Kestu_PrepareForRender();
HRESULT Kestu_Present();
HRESULT Kestu_Reset(D3DPRESENT_PARAMETERS* pp);
HRESULT Kestu_ChangeDisplayMode(ENUM_KESTU_RESOLUTION res, BOOL windowed);
BOOL Kestu_IsValidDisplayMode(ENUM_KESTU_RESOLUTION res);
HRESULT Kestu_SetWindowed(BOOL windowed);

// 0 when the engine handled the message and wrote the window procedure's
// result; 1 when the caller goes on with its own handling.
int Kestu_MsgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

HRESULT Kestu_GetDevice(IDirect3DDevice8** device);
IDirect3DDevice8* Kestu_GetDevice();
HRESULT Kestu_GetD3D(IDirect3D8** d3d);
IDirect3D8* Kestu_GetD3D();
HRESULT Kestu_GetRenderTarget(IDirect3DSurface8** surface, DWORD reserved);
CKestuDevObjMng* Kestu_GetDevObjMng();
HRESULT Kestu_GetCaps(KESTU_CAPS* caps);
HRESULT Kestu_GetD3dCaps(D3DCAPS8* caps);
HRESULT Kestu_GetSDBackBuff(D3DSURFACE_DESC* desc);
HRESULT Kestu_GetCfg(KESTU_CONFIG* cfg);
const CGfxConfig* Kestu_GetCfg();
HRESULT Kestu_GetCreateFlags(DWORD* flags);
D3DDEVTYPE Kestu_GetCurrDeviceType();
D3DFORMAT Kestu_GetCurrD3dFormat();
D3DFORMAT Kestu_GetResourceD3DFormat();
D3DPRESENT_PARAMETERS* Kestu_GetPresentPara();
char* Kestu_GetAdapterInfoA();
WCHAR* Kestu_GetAdapterInfoW();
void Kestu_SetLogFilePathname(const char* path);

HRESULT Kestu_EnumResolutions(std::list<int>* list);
HRESULT Kestu_EnumSpecificallyResolutions(DWORD adapter, BOOL windowedOnly, D3DFORMAT format, std::list<int>* list);

DWORD Kestu_GetWinCxByRes(ENUM_KESTU_RESOLUTION res);
DWORD Kestu_GetWinCyByRes(ENUM_KESTU_RESOLUTION res);
ENUM_KESTU_RESOLUTION Kestu_GetResByWinCxCyColorDepth(DWORD width, DWORD height);
const char* Kestu_GetResolutionText(ENUM_KESTU_RESOLUTION res);
const char* Kestu_GetResolutionString(int res);
DWORD Kestu_GetColorDepth();
