// Kestu::CMeshDataMng: the one object a client builds for all skeletal
// models of a device. It shares mesh data by part name, caches deformed
// vertices per mesh, action and frame, calls the client's render callbacks,
// holds the texture folder, chooses the skinning render path and owns the
// skinning shaders and their vertex-shader constant buffer.
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3d8.h>

#include <array>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kestu_bound.h"
#include "kestu_meshdata.h"

namespace Kestu {

// Skinning render paths (each also a bit of the path masks).
enum : int {
    KESTU_SKLPATH_SOFTWARE = 1,       // software skinning, fixed function
    KESTU_SKLPATH_VS = 2,             // vertex shader, unlit
    KESTU_SKLPATH_VS_LIGHT = 4,       // vertex shader, ambient + one directional light
    KESTU_SKLPATH_VS_POINTLIGHTS = 8, // ... + 0, 1 or 2 point lights
    KESTU_SKLPATH_VS_PS = 16,         // vertex and pixel shader
    KESTU_SKLPATH_VS_PS_POINTLIGHTS = 32,
    KESTU_SKLPATH_MATERIAL = 64,      // material path, palette at c17
    KESTU_SKLPATH_MATERIAL_WIDE = 128 // material path, palette at c32
};

struct SPfnRenderCallBackData {
    std::string strName;
    DWORD_PTR dwUserValue = 0;
    PFN_MESHDATA_CALLBACK pfn = nullptr;
};

// One cached frame: the deformed vertices (the cache holds one reference)
// and the bound box of that frame.
struct KESTU_API SCacheFrame {
    DWORD dwWord = 0;
    CMemVertexBuffer* pVB = nullptr;
    SBoundBox box;
    DWORD dwZero = 0;

    SCacheFrame();
    SCacheFrame(const SCacheFrame& other);
    SCacheFrame& operator=(const SCacheFrame&) = delete;
    ~SCacheFrame();
};

// The frames of one (mesh, action), indexed by frame.
struct KESTU_API SCacheChunk {
    std::vector<std::unique_ptr<SCacheFrame>> frames;

    SCacheChunk() {}
    SCacheChunk(const SCacheChunk& other);
};

// One registered mesh: the mesh (not referenced), its chunks by action id
// and the actions in the order they were first used, with use counts.
struct KESTU_API SMeshDataCache {
    CMeshDataBase* pMesh = nullptr;
    std::vector<std::unique_ptr<SCacheChunk>> chunks;
    std::vector<std::pair<DWORD, DWORD>> useList;

    SMeshDataCache() {}
    SMeshDataCache(const SMeshDataCache& other);
};

// The skinning shaders, in handle order. The material paths draw with the
// Vs_2000_Material shaders (palette at c17, path 64) and Vs_2000_Material_P
// (palette at c32, path 128): ambient c5 plus the directional light (colour
// c15, direction towards it c16) by the material's diffuse colour c13, and a
// specular highlight (eye position c12, material specular c14, power c13.w)
// in the second colour.
//
// Where the shader paths take their colours from: paths 2 to 32 from the
// constants the skeleton writes (and, on paths 16 and 32, the pixel-shader c0
// it sets), never from the subset's material. Path 2 draws white (c0.y);
// paths 4 and 8 draw c5 + max(n.c13, c0.w) x c12 plus the point lights
// (colours c14 and c16); paths 16 and 32 hand the directional term, and the
// point-light terms as the second colour, to the pixel shader, which adds c0
// and multiplies by the texture. A pass uploads the constant buffer as it
// finds it with the bone palette added; only paths 64 and 128 add the
// material's colours (c13 and c14). Software skinning lights with the
// fixed-function material, so a mesh that must look alike on every path
// carries its colours in its textures.
enum ESkinShader : int {
    SKIN_VS101 = 0,
    SKIN_VS101_8,
    SKIN_VS101_LIGHT,
    SKIN_VS101_LIGHT_8,
    SKIN_VS101_LIGHT_P,
    SKIN_VS101_LIGHT_P_8,
    SKIN_VS101_LIGHT_P2,
    SKIN_VS101_LIGHT_P2_8,
    SKIN_VSPS_LIGHT,
    SKIN_VSPS_LIGHT_8,
    SKIN_VSPS_LIGHT_P,
    SKIN_VSPS_LIGHT_P_8,
    SKIN_VSPS_LIGHT_P2,
    SKIN_VSPS_LIGHT_P2_8,
    SKIN_VS2000_MATERIAL,
    SKIN_VS2000_MATERIAL_8,
    SKIN_VS2000_MATERIAL_P,
    SKIN_VS2000_MATERIAL_P_8,
    SKIN_VERTEX_SHADER_COUNT
};

class KESTU_API CMeshDataMng {
public:
    CMeshDataMng();
    // A copy owns copies of the cache and callback records and a constant
    // buffer of its own; it makes its own shaders (none are shared).
    CMeshDataMng(const CMeshDataMng& other);
    CMeshDataMng& operator=(const CMeshDataMng& other);
    virtual ~CMeshDataMng();
    virtual CMeshDataBase* NewMeshData(int) { return nullptr; }

    long Build(IDirect3DDevice8* device);
    long Release();
    int IsBuilt() const { return m_bBuilt; }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }

    // Sharing by name. AddMeshData gives the new id, or 0xFFFFFFFF when the
    // name is taken (or no id is left).
    DWORD AddMeshData(const char* name, CMeshDataBase* mesh);
    void ReleaseMeshData(CMeshDataBase* mesh);
    CMeshDataBase* GetMeshData(const char* name);
    CMeshDataBase* GetMeshData(DWORD id);
    DWORD GetIndexByName(const char* name);

    static int IsUsingCache() { return m_bIsUsingCache; }
    static void EnableCache(int enable) { m_bIsUsingCache = enable; }
    static int IsTexCoordExpand() { return m_bTexCoordExpand; }
    static void EnableTexCoordExpand(int enable) { m_bTexCoordExpand = enable; }

    // The action vertex cache.
    void UseAction(DWORD meshId, DWORD actionId);
    void UnuseAction(DWORD meshId, DWORD actionId);
    // Stores the buffer (the cache takes over one reference the caller holds).
    long AddDataToCache(DWORD meshId, DWORD actionId, DWORD frame, CMemVertexBuffer* vertexBuffer,
                        const SBoundBox* box);
    long GetCachedData(DWORD meshId, DWORD actionId, DWORD frame);
    void ReleaseBuffer(DWORD meshId, DWORD actionId, DWORD frame);
    DWORD GetCacheLimit() const { return m_dwCacheLimit; }
    const SMeshDataCache* GetCacheRecord(DWORD meshId) const;

    // Callbacks.
    void RegisterCallBack(PFN_MESHDATA_CALLBACK fn, const char* name, DWORD_PTR userValue);
    void NotifyCallBack(DWORD event, CMeshDataBase* mesh);
    DWORD GetEventCode() const { return m_dwEvent; }
    CMeshDataBase* GetEventMesh() const { return m_pEventMesh; }

    void SetTexturePath(const char* folder) { m_strTexturePath = folder ? folder : ""; }
    const char* GetTexturePath() const { return m_strTexturePath.c_str(); }
    void Present() { ++m_dwFrame; }

    // Render paths and shaders.
    int EnumSkeletonSupportRenderPath();
    int SetSkeletonRenderPath(int mask);
    static void ChangeRenderPath(int path, char*) { m_nSkeletonRenderPath = path; }
    static int GetSkeletonRenderPath() { return m_nSkeletonRenderPath; }
    static int GetSklAniMaxConstantRegisterCount() { return m_nSklAniMaxConstantRegisterCount; }
    static int GetSkinMaxContainBones() { return m_nSkinMaxContainBones; }
    long Restore();
    long Invalidate();
    long CreateVertexShaderByCode(const char* text, int length, DWORD* handle, const DWORD* declaration);
    long CreatePixelShaderByCode(const char* text, int length, DWORD* handle);

    DWORD GetVs101Shader() const { return m_dwVS[SKIN_VS101]; }
    DWORD GetVertexDeclVS0101() const { return 0; }
    DWORD GetVs101Shader_8() const { return m_dwVS[SKIN_VS101_8]; }
    DWORD GetVertexDeclVS0101_8() const { return 0; }
    DWORD GetVs101Shader_Light() const { return m_dwVS[SKIN_VS101_LIGHT]; }
    DWORD GetVs101Shader_Light_8() const { return m_dwVS[SKIN_VS101_LIGHT_8]; }
    DWORD GetVs101Shader_Light_P() const { return m_dwVS[SKIN_VS101_LIGHT_P]; }
    DWORD GetVs101Shader_Light_P_8() const { return m_dwVS[SKIN_VS101_LIGHT_P_8]; }
    DWORD GetVs101Shader_Light_P2() const { return m_dwVS[SKIN_VS101_LIGHT_P2]; }
    DWORD GetVs101Shader_Light_P2_8() const { return m_dwVS[SKIN_VS101_LIGHT_P2_8]; }
    DWORD GetVs_PsShader_Light() const { return m_dwVS[SKIN_VSPS_LIGHT]; }
    DWORD GetVs_PsShader_Light_8() const { return m_dwVS[SKIN_VSPS_LIGHT_8]; }
    DWORD GetVs_PsShader_Light_PS() const { return m_dwPS[0]; }
    DWORD GetVs_PsShader_Light_P() const { return m_dwVS[SKIN_VSPS_LIGHT_P]; }
    DWORD GetVs_PsShader_Light_P_8() const { return m_dwVS[SKIN_VSPS_LIGHT_P_8]; }
    DWORD GetVs_PsShader_Light_P2() const { return m_dwVS[SKIN_VSPS_LIGHT_P2]; }
    DWORD GetVs_PsShader_Light_P2_8() const { return m_dwVS[SKIN_VSPS_LIGHT_P2_8]; }
    DWORD GetVs_PsShader_Light_PS_P() const { return m_dwPS[1]; }
    DWORD GetVs_2000_Material() const { return m_dwVS[SKIN_VS2000_MATERIAL]; }
    DWORD GetVs_2000_Material_8() const { return m_dwVS[SKIN_VS2000_MATERIAL_8]; }
    DWORD GetVs_2000_Material_P() const { return m_dwVS[SKIN_VS2000_MATERIAL_P]; }
    DWORD GetVs_2000_Material_P_8() const { return m_dwVS[SKIN_VS2000_MATERIAL_P_8]; }

    // The skinning vertex shader for a stream-0 vertex format: the handles
    // above serve the default format (0x152); other formats get their own
    // set, made at first use. 0 when it cannot be made.
    DWORD GetSkinVertexShader(ESkinShader which, DWORD fvf);
    // Four floats per register, as many registers as the device offers.
    float* GetVsConstantBuffer() { return m_constants.empty() ? nullptr : m_constants.data(); }
    DWORD GetVsConstantRegisters() const { return static_cast<DWORD>(m_constants.size() / 4); }

    // The vertex format whose shaders Restore makes.
    static constexpr DWORD kDefaultShaderFVF = 0x152;

    static int m_bIsUsingCache;
    static int m_bTexCoordExpand;
    static int m_nSkeletonRenderPath;
    static int m_nSklAniMaxConstantRegisterCount;
    static int m_nSkinMaxContainBones;

protected:
    void ReleaseCachedData(DWORD meshId);
    SMeshDataCache* Slot(DWORD meshId);
    void DestroyChunk(SMeshDataCache& cache, DWORD actionId);
    void CopyFrom(const CMeshDataMng& other);
    long CreateShaderSet(DWORD fvf, DWORD* handles);
    void DeleteShaderSet(DWORD* handles);

    DWORD m_bBuilt = 0;
    IDirect3DDevice8* m_pDevice = nullptr;
    DWORD m_dwFrame = 0;
    std::string m_strTexturePath;
    DWORD m_dwCacheLimit = 5;
    DWORD m_dwEvent = 0xFFFFFFFF;
    CMeshDataBase* m_pEventMesh = nullptr;
    DWORD m_dwCallBackCounter = 0;
    std::map<DWORD, std::unique_ptr<SPfnRenderCallBackData>> m_callbacks;
    std::map<std::string, DWORD> m_names;
    std::vector<std::unique_ptr<SMeshDataCache>> m_slots;
    std::list<DWORD> m_freeIds;
    DWORD m_dwVS[SKIN_VERTEX_SHADER_COUNT] = {};
    DWORD m_dwPS[2] = {};
    std::map<DWORD, std::array<DWORD, SKIN_VERTEX_SHADER_COUNT>> m_otherLayouts;
    std::vector<float> m_constants;
};

// The palette base register of paths 64 and 128.
extern KESTU_API int g_nSklPaletteBaseReg;

} // namespace Kestu
