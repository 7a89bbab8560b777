// The engine's exported entry functions: build and release, the frame cycle,
// resets and display modes, the window-message hook and the queries.
#pragma once
#include <list>

#include <windows.h>
#include <d3d8.h>

#include "kestu_config.h"
#include "kestu_devobjmng.h"
#include "kestu_export.h"

KESTU_API HRESULT Kestu_Build(KESTU_CONFIG* cfg, HWND hwnd);
KESTU_API HRESULT Kestu_Extra_Build(KESTU_EXTRA_CONFIG* ext, HWND hwnd);
KESTU_API HRESULT Kestu_Release();
KESTU_API BOOL Kestu_IsBuilt();
KESTU_API BOOL Kestu_IsExtraMode();

KESTU_API HRESULT Kestu_PrepareForRender();
KESTU_API HRESULT Kestu_Present();
KESTU_API HRESULT Kestu_Reset(D3DPRESENT_PARAMETERS* pp);
KESTU_API HRESULT Kestu_ChangeDisplayMode(ENUM_KESTU_RESOLUTION res, BOOL windowed);
KESTU_API BOOL Kestu_IsValidDisplayMode(ENUM_KESTU_RESOLUTION res);
KESTU_API HRESULT Kestu_SetWindowed(BOOL windowed);

// 0 when the engine handled the message and wrote the window procedure's
// result; 1 when the caller goes on with its own handling.
KESTU_API int Kestu_MsgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

KESTU_API HRESULT Kestu_GetDevice(IDirect3DDevice8** device);
KESTU_API IDirect3DDevice8* Kestu_GetDevice();
KESTU_API HRESULT Kestu_GetD3D(IDirect3D8** d3d);
KESTU_API IDirect3D8* Kestu_GetD3D();
KESTU_API HRESULT Kestu_GetRenderTarget(IDirect3DSurface8** surface, DWORD reserved);
KESTU_API CKestuDevObjMng* Kestu_GetDevObjMng();
KESTU_API HRESULT Kestu_GetCaps(KESTU_CAPS* caps);
KESTU_API HRESULT Kestu_GetD3dCaps(D3DCAPS8* caps);
KESTU_API HRESULT Kestu_GetSDBackBuff(D3DSURFACE_DESC* desc);
KESTU_API HRESULT Kestu_GetCfg(KESTU_CONFIG* cfg);
KESTU_API const CGfxConfig* Kestu_GetCfg();
KESTU_API HRESULT Kestu_GetCreateFlags(DWORD* flags);
KESTU_API D3DDEVTYPE Kestu_GetCurrDeviceType();
KESTU_API D3DFORMAT Kestu_GetCurrD3dFormat();
KESTU_API D3DFORMAT Kestu_GetResourceD3DFormat();
KESTU_API D3DPRESENT_PARAMETERS* Kestu_GetPresentPara();
KESTU_API char* Kestu_GetAdapterInfoA();
KESTU_API WCHAR* Kestu_GetAdapterInfoW();
KESTU_API void Kestu_SetLogFilePathname(const char* path);

KESTU_API HRESULT Kestu_EnumResolutions(std::list<int>* list);
KESTU_API HRESULT Kestu_EnumSpecificallyResolutions(DWORD adapter, BOOL windowedOnly, D3DFORMAT format,
                                                    std::list<int>* list);

KESTU_API DWORD Kestu_GetWinCxByRes(ENUM_KESTU_RESOLUTION res);
KESTU_API DWORD Kestu_GetWinCyByRes(ENUM_KESTU_RESOLUTION res);
KESTU_API ENUM_KESTU_RESOLUTION Kestu_GetResByWinCxCyColorDepth(DWORD width, DWORD height);
KESTU_API const char* Kestu_GetResolutionText(ENUM_KESTU_RESOLUTION res);
KESTU_API const char* Kestu_GetResolutionString(int res);
KESTU_API DWORD Kestu_GetColorDepth();
