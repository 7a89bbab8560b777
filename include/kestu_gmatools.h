// GMA vertex copies between vertex formats, and the offline GMA file tools.
#pragma once
#include <vector>

#include <windows.h>
#include <d3dx8.h>

#include "kestu_export.h"
#include "kestu_bound.h"
#include "kestu_gmafile.h"

class CIndexLib;

// ---- Vertex copies ----
// Formats are vertex-format codes built from position 0x2, normal 0x10,
// diffuse 0x40 and one texture set 0x100, in that order in memory; other
// bits are not looked at. Results: S_OK, E_INVALIDARG for null pointers.

// Same formats: one block copy. Else per vertex every component present in
// both is copied; one only in the destination is left as it was.
KESTU_API HRESULT Kestu_GMA_VertexCopy(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat, DWORD count);
// From a format without texture set into one with: the destination's u, v
// come from texCoords, one per vertex. E_INVALIDARG for other formats.
KESTU_API HRESULT Kestu_GMA_VertexCopy_NoTexToTex(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat,
                                                  const SCoords2d* texCoords, DWORD count);
// As Kestu_GMA_VertexCopy with the position multiplied by scale.
KESTU_API HRESULT Kestu_GMA_VertexCopyScaling(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat, DWORD count,
                                              float scale);
// Per vertex: the position scaled (when scaled), transformed by matrix (when
// given) and added to box (when given); the normal transformed by matrix.
KESTU_API HRESULT Kestu_GMA_VertexCopyEx(void* dst, DWORD dstFormat, const void* src, DWORD srcFormat, DWORD count,
                                         BOOL scaled, float scale, const D3DXMATRIX* matrix, SBoundBox* box);
// Bytes of one vertex of the format (its four known components).
KESTU_API DWORD Kestu_GMA_GetVertexSize(DWORD format);

// ---- File tools ----
// Each works on files of the extended material layout (1.4 and major 0).
// Results: S_OK when the file changed, 1 when there was nothing to do,
// E_FAIL on a read or write failure, a null, empty or malformed buffer, or a
// version 1.0 to 1.3 file (with the message box
// "Error: GfxUtil_PreprocessGMA() Cannot deal with the GMA whose version is 1.3 or earlier!").
// A version newer than 1.4 gives 1 untouched. A changed file becomes 1.4.
// The in-memory forms write the result back into buffer and set size; they
// never write beyond capacity bytes (the forms without it take size as the
// capacity) and give E_OUTOFMEMORY, leaving the buffer alone, when the
// result would not fit.

KESTU_API HRESULT GfxUtil_RemoveNormalsFormGMAFile(const char* path);
KESTU_API HRESULT GfxUtil_RemoveNormalsFormGMAFileInMemory(BYTE* buffer, DWORD& size);
KESTU_API HRESULT GfxUtil_TransformGMAFileToShareMaterials(const char* path);
KESTU_API HRESULT GfxUtil_TransformGMAFileToShareMaterialsInMemory(BYTE* buffer, DWORD& size);
KESTU_API HRESULT GfxUtil_TransformGMAFileToShareTexCoord(const char* path);
KESTU_API HRESULT GfxUtil_TransformGMAFileToShareTexCoordInMemory(BYTE* buffer, DWORD& size);
KESTU_API HRESULT GfxUtil_TransformGMAFileToNoShareTexCoord(const char* path);
KESTU_API HRESULT GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(BYTE* buffer, DWORD& size, DWORD capacity);
KESTU_API HRESULT GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(BYTE* buffer, DWORD& size);

// Converts a right-handed file to the left-handed form and adds the frame
// bound boxes, removing the normals first when asked.
KESTU_API HRESULT GfxUtil_PreprocessGMA(const char* path, BOOL removeNormals, BOOL computeBoxes);

// Renumbers every material's texture id by looking its file name up in the
// texture index library (leading backslashes skipped). Each id found is
// appended to idList; with logPath every change and every name not found is
// reported there. S_OK when an id changed, 1 when none did, E_FAIL when some
// name was not found (every block is still renumbered).
KESTU_API HRESULT GfxUtil_UpdateGmaTextureID(const char* gmaPath, const char* textureLibraryPath, const char* logPath,
                                             std::vector<DWORD>* idList);
// outBuffer holds outSize bytes and receives the result (as many bytes as size).
KESTU_API HRESULT GfxUtil_UpdateGmaTextureIDInMemory(BYTE* outBuffer, DWORD& outSize, const BYTE* buffer, DWORD size,
                                                     CIndexLib* textureLibrary, const char* logPath,
                                                     std::vector<DWORD>* idList);
