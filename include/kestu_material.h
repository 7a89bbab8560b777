// Materials of the skeletal meshes: a Direct3D material with the texture it
// loads from the mesh-data manager's texture folder, its "MTLSDATA" archive
// record, and numbered sets of materials.
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3d8.h>

#include <string>
#include <vector>

class COUArchive;

namespace Kestu {

// Blend modes of a material (read when a mesh sets it on the device).
enum : DWORD {
    KESTU_MTL_BLEND_NONE = 0,
    KESTU_MTL_BLEND_ALPHATEST = 1,
    KESTU_MTL_BLEND_ALPHABLEND = 2,
    KESTU_MTL_BLEND_KEEPSTATES = 4,
    KESTU_MTL_BLEND_DEFAULT = 0x0012CF9C,
};

// The plain 80-byte head of a material.
struct SMaterialData {
    DWORD dwMtlID = 0;
    DWORD dwBlendMode = KESTU_MTL_BLEND_DEFAULT;
    D3DMATERIAL8 mtl{};
    DWORD dwTrailing = 0; // copied, not stored in the archive
};
static_assert(sizeof(SMaterialData) == 80, "the material head is 80 bytes");

class KESTU_API CMaterialData : public SMaterialData {
public:
    CMaterialData();
    explicit CMaterialData(const SMaterialData& head);
    // Copies hold a reference of their own on the texture.
    CMaterialData(const CMaterialData& other);
    CMaterialData& operator=(const CMaterialData& other);
    virtual ~CMaterialData();

    DWORD GetTextureID() const { return m_dwTextureID; }
    void SetTextureID(DWORD id) { m_dwTextureID = id; }
    const char* GetTextureFileName() const { return m_strTextureFile.c_str(); }
    void SetTextureFileName(const char* name) { m_strTextureFile = name ? name : ""; }
    IDirect3DTexture8* GetTexture() const { return m_pTexture; }
    // Holds a reference on the new texture (none for null) and drops the old one.
    void SetTexture(IDirect3DTexture8* texture);
    int IsBuilt() const { return m_bBuilt; }

    // Loads folder + file name (nothing between them) with D3DX; 1 when the
    // material names no file, else the D3DX result.
    long Build(IDirect3DDevice8* device, const char* folder);
    long Release();

    // The "MTLSDATA" record; store nonzero writes. 0 on success, E_FAIL for a
    // name that does not fit the record or a short or damaged record.
    long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag);

    // Longest texture file name a record carries.
    static constexpr size_t kMaxNameLength = 255;

private:
    DWORD m_dwCarried[6] = {0, 0, 0, 0, 0, 0};
    DWORD m_dwZero = 0;
    DWORD m_dwTextureID = 0xFFFFFFFF;
    std::string m_strTextureFile;
    IDirect3DTexture8* m_pTexture = nullptr;
    DWORD m_bBuilt = 0;
};

struct KESTU_API SMtlSetData {
    DWORD dwCount = 0;
    DWORD dwSetID = 0xFFFFFFFF;
    DWORD dwWord1 = 0;
    DWORD dwWord2 = 0;

    virtual ~SMtlSetData() {}
};

// A numbered set of materials an object can draw with. Copies own copies of
// the materials and ids.
class KESTU_API CMaterialSet : public SMtlSetData {
public:
    CMaterialSet() {}
    CMaterialSet(const CMaterialSet& other) = default;
    CMaterialSet& operator=(const CMaterialSet& other) = default;
    ~CMaterialSet() override {}

    // The i-th material, or null past the count.
    CMaterialData* GetMtl(DWORD i);
    // The i-th id, or 0xFFFFFFFF past the count.
    DWORD GetID(DWORD i) const;
    // Appends a copy of the material (a default one for null) with the id
    // slot 0xFFFFFFFF.
    void AddMtl(const CMaterialData* material);
    DWORD GetCapacity() const { return m_dwCapacity; }

private:
    std::vector<CMaterialData> m_materials;
    std::vector<DWORD> m_ids;
    DWORD m_dwCapacity = 0;
};

} // namespace Kestu
