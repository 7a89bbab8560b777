// Flexible vertex format helpers: vertex sizes and the conversions between an
// FVF code and a Direct3D 8 vertex shader declaration (stream 0 only).
#pragma once
#include "d3d8types.h"
#include "kestu_platform_api.h"
#include "winerror.h"

// The device headers declare it too; this one stands in only when they do not.
#ifndef D3DERR_INVALIDCALL
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086C)
#endif

// Bytes of one vertex of the format; 0 for a code that is not a valid FVF
// (reserved bits, more than eight texture sets).
KESTU_PLATFORM_API UINT D3DXGetFVFVertexSize(DWORD fvf);

// Writes the declaration for the FVF, ending with D3DVSD_END(); at most
// MAX_FVF_DECL_SIZE tokens. D3DERR_INVALIDCALL for an invalid FVF.
KESTU_PLATFORM_API HRESULT D3DXDeclaratorFromFVF(DWORD fvf, DWORD declaration[MAX_FVF_DECL_SIZE]);

// The FVF equivalent of a declaration, read up to D3DVSD_END(). Constant
// tokens are skipped. D3DERR_INVALIDCALL when the declaration has no FVF
// equivalent (several streams, skips, registers out of FVF order, types that
// an FVF cannot carry).
KESTU_PLATFORM_API HRESULT D3DXFVFFromDeclarator(const DWORD* declaration, DWORD* fvf);
