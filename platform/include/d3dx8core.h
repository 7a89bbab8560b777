// D3DX 8 core: result codes, the ID3DXBuffer byte buffer and the vs/ps 1.x
// shader assembler.
#pragma once
#include "d3d8types.h"
#include "kestu_platform_api.h"
#include "unknwn.h"
#include "winerror.h"

#ifndef MAKE_DDHRESULT
#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
#endif

#define D3DXERR_CANNOTMODIFYINDEXBUFFER MAKE_DDHRESULT(2900)
#define D3DXERR_INVALIDMESH MAKE_DDHRESULT(2901)
#define D3DXERR_CANNOTATTRSORT MAKE_DDHRESULT(2902)
#define D3DXERR_SKINNINGNOTSUPPORTED MAKE_DDHRESULT(2903)
#define D3DXERR_TOOMANYINFLUENCES MAKE_DDHRESULT(2904)
#define D3DXERR_INVALIDDATA MAKE_DDHRESULT(2905)
#define D3DXERR_LOADEDMESHASNODATA MAKE_DDHRESULT(2906)

DEFINE_GUID(IID_ID3DXBuffer, 0x932e6a7e, 0xc68e, 0x45dd, 0xa7, 0xbf, 0x53, 0xd1, 0x9c, 0x86, 0xdb, 0x1f);

// A reference-counted block of bytes; assembled code and error text come in one.
struct ID3DXBuffer : public IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

// A zero-filled buffer of numBytes bytes, reference count 1.
KESTU_PLATFORM_API HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer);

// Assembler flags.
#define D3DXASM_DEBUG 1
#define D3DXASM_SKIPVALIDATION 2

// Assembles vs.1.0/vs.1.1 or ps.1.0-ps.1.4 source text into a token stream
// (ending with the end token) in *compiledShader. Comments are ";", "//" and
// "/* */"; "#define NAME text" and "#undef NAME" give object-like macros. A vertex shader's "def"
// lines do not enter the code: they come back in *constants as
// D3DVSD_CONST(register, 1) tokens, each followed by four floats, to be
// appended to the vertex declaration. On failure the result is
// D3DXERR_INVALIDDATA and *errors (when asked for) holds the messages, one
// per line, as "(line): error: text" (prefixed with the file name when
// assembling a file), terminated by a zero byte. Any of the three buffer
// pointers may be null.
KESTU_PLATFORM_API HRESULT D3DXAssembleShader(LPCVOID srcData, UINT srcDataLen, DWORD flags, LPD3DXBUFFER* constants,
                                              LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors);
// The same for a file; E_FAIL (with a message) when it cannot be read.
KESTU_PLATFORM_API HRESULT D3DXAssembleShaderFromFileA(LPCSTR srcFile, DWORD flags, LPD3DXBUFFER* constants,
                                                       LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors);
#define D3DXAssembleShaderFromFile D3DXAssembleShaderFromFileA
