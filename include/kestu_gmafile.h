// The GMA mesh-animation file: a 76-byte header, the frames (each a full copy
// of the mesh's vertices, with or without its own material blocks), then the
// optional shared materials, shared texture coordinates, frame bound boxes and
// level-of-detail data. CGmaFile reads a whole file into these records and
// writes them back byte for byte, in every version.
#pragma once
#include <cstddef>
#include <vector>

#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include "kestu_export.h"
#include "kestu_bound.h"

#define GMA_HEADER_SIZE 76
#define GMA_FRAME_HEAD_SIZE 8
#define GMA_MATERIAL_OLD_SIZE 206 // versions 1.0 to 1.3
#define GMA_MATERIAL_EX_SIZE 210  // 1.4 and every major-0 version
#define GMA_FACE_SIZE 6
#define GMA_BOUNDBOX_SIZE 24
#define GMA_TEXCOORD_SIZE 8
#define GMA_VERTEX_LOD_SIZE 12
#define GMA_TEXNAME_SIZE 128

#define GMA_NO_ATTRIB ((WORD)0xFFFF)
#define GMA_NO_TEXTURE ((DWORD)0xFFFFFFFF)
#define GMA_NO_TARGET ((DWORD)0xFFFFFFFF)

// Header flags.
#define GMA_FLAG_SHARE_CONTAINER 0x01
#define GMA_FLAG_LEFT_HAND 0x02
#define GMA_FLAG_FRAME_BOUNDBOX 0x04
#define GMA_FLAG_NORMAL_SKIPPED 0x08
#define GMA_FLAG_SHARE_MATERIALS 0x10
#define GMA_FLAG_SHARE_TEXCOORD 0x20

// Vertex formats of the four vertex records and of the shared coordinates.
#define GMA_FVF_VERTEX 0x152              // position, normal, diffuse, u v
#define GMA_FVF_NORMAL_SKIPPED 0x142      // position, diffuse, u v
#define GMA_FVF_COORD_SKIPPED 0x52        // position, normal, diffuse
#define GMA_FVF_NORMAL_COORD_SKIPPED 0x42 // position, diffuse
#define GMA_FVF_TEXCOORD 0x100

// The file's records are laid out as they are stored, so that a client may
// take them in place from a file's bytes: 2-byte packing puts the header's
// flags at 22 and the extended material head's texture id at 206.
#pragma pack(push, 2)

struct KESTU_API SMeshAniHeader {
    WORD wMajorVersion;
    WORD wMinorVersion;
    float fDuration; // playing time of the whole animation
    DWORD dwNumFrames;
    DWORD dwMeshID;       // key of a shared frame container
    WORD wEnvMapAttribID; // GMA_NO_ATTRIB: none
    WORD wIndicatedColorAttribID;
    WORD wExchangeAttribID;
    DWORD dwFlags;       // GMA_FLAG_*
    BYTE byReserved[48]; // "LodAdd" at its start once LOD data is appended
    WORD wReserved;

    // Version 1.2, no frames, no attribute ids, flags and reserved bytes 0.
    SMeshAniHeader();

    BOOL IsShareContainer() const { return (dwFlags & GMA_FLAG_SHARE_CONTAINER) != 0; }
    BOOL IsLeftHandCoordSystem() const { return (dwFlags & GMA_FLAG_LEFT_HAND) != 0; }
    BOOL IsFrameBoundBox() const { return (dwFlags & GMA_FLAG_FRAME_BOUNDBOX) != 0; }
    BOOL IsNormalSkipped() const { return (dwFlags & GMA_FLAG_NORMAL_SKIPPED) != 0; }
    BOOL IsFrameShareMaterials() const { return (dwFlags & GMA_FLAG_SHARE_MATERIALS) != 0; }
    BOOL IsFrameShareTexCoord() const { return (dwFlags & GMA_FLAG_SHARE_TEXCOORD) != 0; }
    void SetShareContainer(BOOL on) { SetFlag(GMA_FLAG_SHARE_CONTAINER, on); }
    void SetLeftHandCoordSystem(BOOL on) { SetFlag(GMA_FLAG_LEFT_HAND, on); }
    void SetFrameBoundBox(BOOL on) { SetFlag(GMA_FLAG_FRAME_BOUNDBOX, on); }
    void SetNormalSkipped(BOOL on) { SetFlag(GMA_FLAG_NORMAL_SKIPPED, on); }
    void SetFrameShareMaterials(BOOL on) { SetFlag(GMA_FLAG_SHARE_MATERIALS, on); }
    void SetFrameShareTexCoord(BOOL on) { SetFlag(GMA_FLAG_SHARE_TEXCOORD, on); }

    // Format and stride of the frames' vertex records.
    DWORD GetFVF() const;
    DWORD GetVertexStride() const;
    static DWORD GetTexCoordFVF() { return GMA_FVF_TEXCOORD; }
    static DWORD GetTexCoordStride() { return GMA_TEXCOORD_SIZE; }

    // True when this header's version is not newer than major.minor.
    BOOL IsValid(WORD major, WORD minor) const;
    // Major 0 (any minor) or major 1 with minor 0 to 4: the versions the engine reads.
    BOOL IsKnownVersion() const { return wMajorVersion == 0 || (wMajorVersion == 1 && wMinorVersion <= 4); }
    // Versions 1.0 to 1.3 store 206-byte material blocks without texture id.
    BOOL IsOldMaterialLayout() const { return wMajorVersion == 1 && wMinorVersion <= 3; }
    DWORD GetMaterialHeadSize() const { return IsOldMaterialLayout() ? GMA_MATERIAL_OLD_SIZE : GMA_MATERIAL_EX_SIZE; }
    // True when the trailing level-of-detail data may follow: left-handed
    // with normals.
    BOOL CanCarryLod() const { return IsLeftHandCoordSystem() && !IsNormalSkipped(); }
    // Makes the three attribute ids distinct.
    void AutoFixSpecialAttribID();

    // 76 bytes in, field by field; false when fewer are there.
    bool Read(const void* data, size_t size);
    void Write(std::vector<BYTE>& out) const;

private:
    void SetFlag(DWORD bit, BOOL on) { dwFlags = on ? (dwFlags | bit) : (dwFlags & ~bit); }
};

#pragma pack(pop)
static_assert(sizeof(SMeshAniHeader) == GMA_HEADER_SIZE);
static_assert(offsetof(SMeshAniHeader, fDuration) == 4);
static_assert(offsetof(SMeshAniHeader, dwNumFrames) == 8);
static_assert(offsetof(SMeshAniHeader, dwMeshID) == 12);
static_assert(offsetof(SMeshAniHeader, wEnvMapAttribID) == 16);
static_assert(offsetof(SMeshAniHeader, wExchangeAttribID) == 20);
static_assert(offsetof(SMeshAniHeader, dwFlags) == 22);
static_assert(offsetof(SMeshAniHeader, byReserved) == 26);
static_assert(offsetof(SMeshAniHeader, wReserved) == 74);

// The 8-byte head of every frame.
struct SMeshAniFrame {
    float fPos; // start on the time line as a fraction of the duration; negative: empty
    WORD wNumVertices;
    WORD wNumMaterials;

    SMeshAniFrame() : fPos(0.0f), wNumVertices(0), wNumMaterials(0) {}
    BOOL IsEmpty() const { return fPos < 0.0f; }
    static DWORD GetFrameSize() { return GMA_FRAME_HEAD_SIZE; }
    // Bytes of the vertex records of count vertices.
    static DWORD GetVerticesSize(DWORD count, BOOL normalSkipped, BOOL coordSkipped)
    {
        return count * (16 + (normalSkipped ? 0 : 12) + (coordSkipped ? 0 : 8));
    }
};

// The four vertex records. In memory they have the layout of their vertex
// format, so vertex buffers take them as they are.
struct SGMAVertex;
struct SGMANormalSkippedVertex {
    D3DXVECTOR3 p;
    DWORD diffuse;
    float u, v;

    SGMANormalSkippedVertex() : p(0.0f, 0.0f, 0.0f), diffuse(0), u(0.0f), v(0.0f) {}
    SGMANormalSkippedVertex& operator=(const SGMAVertex& w);
    D3DXVECTOR3* GetPos() { return &p; }
};

struct SGMAVertex {
    D3DXVECTOR3 p;
    D3DXVECTOR3 n;
    DWORD diffuse;
    float u, v;

    SGMAVertex() : p(0.0f, 0.0f, 0.0f), n(0.0f, 0.0f, 0.0f), diffuse(0), u(0.0f), v(0.0f) {}
    // Without a normal of its own the vertex points up.
    SGMAVertex& operator=(const SGMANormalSkippedVertex& w)
    {
        p = w.p;
        n = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        diffuse = w.diffuse;
        u = w.u;
        v = w.v;
        return *this;
    }
    D3DXVECTOR3* GetPos() { return &p; }
    D3DXVECTOR3* GetNormal() { return &n; }
};
static_assert(sizeof(SGMAVertex) == 36, "SGMAVertex has the layout of its vertex format");

inline SGMANormalSkippedVertex& SGMANormalSkippedVertex::operator=(const SGMAVertex& w)
{
    p = w.p;
    diffuse = w.diffuse;
    u = w.u;
    v = w.v;
    return *this;
}

struct SGMACoordSkipedVertex {
    D3DXVECTOR3 p;
    D3DXVECTOR3 n;
    DWORD diffuse;

    SGMACoordSkipedVertex() : p(0.0f, 0.0f, 0.0f), n(0.0f, 0.0f, 0.0f), diffuse(0) {}
    SGMACoordSkipedVertex& operator=(const SGMAVertex& w)
    {
        p = w.p;
        n = w.n;
        diffuse = w.diffuse;
        return *this;
    }
    D3DXVECTOR3* GetPos() { return &p; }
};

struct SGMANormalCoordSkipedVertex {
    D3DXVECTOR3 p;
    DWORD diffuse;

    SGMANormalCoordSkipedVertex() : p(0.0f, 0.0f, 0.0f), diffuse(0) {}
    SGMANormalCoordSkipedVertex& operator=(const SGMAVertex& w) { return Take(w.p, w.diffuse); }
    SGMANormalCoordSkipedVertex& operator=(const SGMANormalSkippedVertex& w) { return Take(w.p, w.diffuse); }
    SGMANormalCoordSkipedVertex& operator=(const SGMACoordSkipedVertex& w) { return Take(w.p, w.diffuse); }
    D3DXVECTOR3* GetPos() { return &p; }

private:
    SGMANormalCoordSkipedVertex& Take(const D3DXVECTOR3& pos, DWORD colour)
    {
        p = pos;
        diffuse = colour;
        return *this;
    }
};

struct SCoords2d {
    float u, v;
    SCoords2d() : u(0.0f), v(0.0f) {}
    SCoords2d(float cu, float cv) : u(cu), v(cv) {}
};

// Records of the format's family that no file of the engine holds.
struct SMeshVertexInit {
    DWORD dw[6];
};
struct SMAGroup {
    DWORD dwValue;
    SMAGroup() : dwValue(0) {}
};

// Three vertex indices of a face, in the winding of the file.
struct SMeshFaceInit {
    WORD wIndex[3];
};

// The LOD converter's working face: indices and the face's place in the order.
struct SMeshLodFaceInit {
    WORD wIndex[3];
    DWORD dwOrder;
};

#pragma pack(push, 2)

// Material block, old layout (versions 1.0 to 1.3): 206 bytes, then the faces.
struct KESTU_API SMaterialInitHeader {
    char szTexture[GMA_TEXNAME_SIZE]; // the stored bytes; zero-terminated in sound files
    D3DMATERIAL8 Material;
    DWORD dwAddressU; // D3DTEXTUREADDRESS, 1 wrap by default
    DWORD dwAddressV;
    WORD wNumFaces;

    SMaterialInitHeader() { Reset(); }
    void Reset();
    DWORD GetOldSize() const { return GMA_MATERIAL_OLD_SIZE + GMA_FACE_SIZE * DWORD(wNumFaces); }
};

// Material block, extended layout: the old fields, then the texture id (the
// id in the mesh library's texture set; GMA_NO_TEXTURE none): 210 bytes.
struct KESTU_API SMaterialInitHeaderEx {
    char szTexture[GMA_TEXNAME_SIZE];
    D3DMATERIAL8 Material;
    DWORD dwAddressU;
    DWORD dwAddressV;
    WORD wNumFaces;
    DWORD dwTextureID;

    SMaterialInitHeaderEx() { Reset(); }
    void Reset();
    // Takes every field but the texture id.
    SMaterialInitHeaderEx& operator=(const SMaterialInitHeader& old);
    SMaterialInitHeaderEx& operator=(const SMaterialInitHeaderEx& other) = default;
    SMaterialInitHeaderEx(const SMaterialInitHeaderEx& other) = default;
    DWORD GetSize() const { return GMA_MATERIAL_EX_SIZE + GMA_FACE_SIZE * DWORD(wNumFaces); }
    // The texture name as a terminated string (the stored bytes up to the first zero, at most 127).
    void GetTextureName(char (&out)[GMA_TEXNAME_SIZE]) const;
};

#pragma pack(pop)
static_assert(sizeof(SMaterialInitHeader) == GMA_MATERIAL_OLD_SIZE);
static_assert(sizeof(SMaterialInitHeaderEx) == GMA_MATERIAL_EX_SIZE);
static_assert(offsetof(SMaterialInitHeader, Material) == 128 && offsetof(SMaterialInitHeaderEx, Material) == 128);
static_assert(offsetof(SMaterialInitHeader, dwAddressU) == 196 && offsetof(SMaterialInitHeaderEx, dwAddressU) == 196);
static_assert(offsetof(SMaterialInitHeader, dwAddressV) == 200 && offsetof(SMaterialInitHeaderEx, dwAddressV) == 200);
static_assert(offsetof(SMaterialInitHeader, wNumFaces) == 204 && offsetof(SMaterialInitHeaderEx, wNumFaces) == 204);
static_assert(offsetof(SMaterialInitHeaderEx, dwTextureID) == 206);

// Collapse record of one vertex, relative to the lowest vertex index of its
// material's faces.
struct SGMAVertexLodInfo {
    DWORD dwOrder;           // place in the collapse order (not read at run time)
    DWORD dwCollapseTarget;  // GMA_NO_TARGET: never collapses
    DWORD dwNumFacesRemoved; // faces that go with this vertex (run time reads the low 16 bits)
};

// The LOD converter's working vertex: the vertex and its collapse record (48 bytes).
struct SGMALodVertex : SGMAVertex {
    SGMAVertexLodInfo lod;
    SGMALodVertex() : lod{0, GMA_NO_TARGET, 0} {}
};

// One level-of-detail record: per vertex of the frame its collapse record,
// per material how many of its vertices may go at the lowest detail.
struct SMeshFrameLodInfo {
    std::vector<SGMAVertexLodInfo> aVertices;
    std::vector<WORD> aCollapsible;
    DWORD GetSize() const { return 4 + GMA_VERTEX_LOD_SIZE * DWORD(aVertices.size()) + 2 * DWORD(aCollapsible.size()); }
};

// One material block with its faces.
struct SGmaMaterial {
    SMaterialInitHeaderEx head; // head.wNumFaces follows faces.size() on writing
    std::vector<SMeshFaceInit> faces;
};

// One frame: its head values, its vertices (always whole SGMAVertex records:
// a file without normals gives (0, 1, 0), one with shared coordinates u = v = 0)
// and, unless frames share materials, its material blocks.
struct SGmaFrame {
    float fPos = 0.0f;
    WORD wNumMaterials = 0; // the head's count; written as materials.size() for own materials
    std::vector<SGMAVertex> vertices;
    std::vector<SGmaMaterial> materials;
};

// Where each section of a read file began (byte offsets; 0 for an absent section).
struct SGmaLayout {
    std::vector<size_t> frames; // each frame's head
    size_t sharedMaterials = 0;
    size_t sharedCoords = 0;
    size_t boundBoxes = 0;
    size_t lod = 0;
    size_t trailing = 0; // bytes no section describes
    size_t end = 0;
};

// A whole GMA file. Read walks every section with the buffer's length and
// checks each count against it; Write gives the same bytes back for anything
// Read accepted, and for new content writes exactly what the header describes.
class KESTU_API CGmaFile {
public:
    SMeshAniHeader header;
    std::vector<SGmaFrame> frames;
    std::vector<SGmaMaterial> sharedMaterials; // frames share materials
    std::vector<SCoords2d> sharedCoords;       // frames share texture coordinates: one per vertex of frame 0
    std::vector<SBoundBox> boundBoxes;         // frame bound boxes: one per frame
    std::vector<SMeshFrameLodInfo> lod;        // one per frame, or one with shared materials
    std::vector<BYTE> trailing;                // kept as read

    // S_OK; E_FAIL for a short or malformed file or a version the engine does
    // not know (the object is then empty).
    HRESULT Read(const void* data, size_t size);
    HRESULT Load(const char* path);
    // E_FAIL when the records do not match the header (counts, flags, an
    // unknown version, more than 65535 vertices, materials or faces).
    HRESULT Write(std::vector<BYTE>& out) const;
    // Written whole to a temporary file, then put in place.
    HRESULT Save(const char* path) const;
    void Clear();

    const SGmaLayout& GetLayout() const { return m_layout; }
    // The material list of a frame: its own blocks, or the shared ones.
    const std::vector<SGmaMaterial>& GetMaterials(DWORD frame) const
    {
        return header.IsFrameShareMaterials() ? sharedMaterials : frames[frame].materials;
    }
    std::vector<SGmaMaterial>& GetMaterials(DWORD frame)
    {
        return header.IsFrameShareMaterials() ? sharedMaterials : frames[frame].materials;
    }
    // Number of material lists: 1 with shared materials (and frames), else one per frame.
    DWORD GetNumMaterialLists() const
    {
        return header.IsFrameShareMaterials() ? (frames.empty() ? 0 : 1) : DWORD(frames.size());
    }

private:
    SGmaLayout m_layout;
};
