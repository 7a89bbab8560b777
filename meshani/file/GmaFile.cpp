// Reading and writing a whole GMA file, section by section.
#include <cstring>

#include "core/resources/WholeFile.h"
#include "kestu_bytes.h"
#include "kestu_gmafile.h"
#include "meshani/file/GmaVertexRecords.h"

namespace {

void ReadColour(kestu::ByteReader& r, D3DCOLORVALUE& c)
{
    c.r = r.F32();
    c.g = r.F32();
    c.b = r.F32();
    c.a = r.F32();
}

void WriteColour(kestu::ByteWriter& w, const D3DCOLORVALUE& c)
{
    w.F32(c.r);
    w.F32(c.g);
    w.F32(c.b);
    w.F32(c.a);
}

bool ReadMaterial(kestu::ByteReader& r, bool oldLayout, SGmaMaterial& m)
{
    m.head.Reset();
    r.Bytes(m.head.szTexture, sizeof m.head.szTexture);
    ReadColour(r, m.head.Material.Diffuse);
    ReadColour(r, m.head.Material.Ambient);
    ReadColour(r, m.head.Material.Specular);
    ReadColour(r, m.head.Material.Emissive);
    m.head.Material.Power = r.F32();
    m.head.dwAddressU = r.U32();
    m.head.dwAddressV = r.U32();
    m.head.wNumFaces = r.U16();
    if (!oldLayout) m.head.dwTextureID = r.U32();
    if (!r.ok() || !r.Has(m.head.wNumFaces, GMA_FACE_SIZE)) return false;
    m.faces.resize(m.head.wNumFaces);
    for (SMeshFaceInit& f : m.faces)
        for (WORD& i : f.wIndex) i = r.U16();
    return r.ok();
}

void WriteMaterial(kestu::ByteWriter& w, bool oldLayout, const SGmaMaterial& m)
{
    w.Bytes(m.head.szTexture, sizeof m.head.szTexture);
    WriteColour(w, m.head.Material.Diffuse);
    WriteColour(w, m.head.Material.Ambient);
    WriteColour(w, m.head.Material.Specular);
    WriteColour(w, m.head.Material.Emissive);
    w.F32(m.head.Material.Power);
    w.U32(m.head.dwAddressU);
    w.U32(m.head.dwAddressV);
    w.U16(static_cast<WORD>(m.faces.size()));
    if (!oldLayout) w.U32(m.head.dwTextureID);
    for (const SMeshFaceInit& f : m.faces)
        for (WORD i : f.wIndex) w.U16(i);
}

bool ReadMaterials(kestu::ByteReader& r, bool oldLayout, DWORD count, std::vector<SGmaMaterial>& out)
{
    // Every block is at least its head: no count can ask for more than the bytes hold.
    if (!r.Has(count, oldLayout ? GMA_MATERIAL_OLD_SIZE : GMA_MATERIAL_EX_SIZE)) return false;
    out.resize(count);
    for (SGmaMaterial& m : out)
        if (!ReadMaterial(r, oldLayout, m)) return false;
    return true;
}

bool ReadVertices(kestu::ByteReader& r, const SMeshAniHeader& h, DWORD count, std::vector<SGMAVertex>& out)
{
    const bool normals = !h.IsNormalSkipped();
    const bool coords = !h.IsFrameShareTexCoord();
    if (!r.Has(count, h.GetVertexStride())) return false;
    out.resize(count);
    for (SGMAVertex& v : out) {
        v.p.x = r.F32();
        v.p.y = r.F32();
        v.p.z = r.F32();
        if (normals) {
            v.n.x = r.F32();
            v.n.y = r.F32();
            v.n.z = r.F32();
        } else {
            v.n = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        }
        v.diffuse = r.U32();
        if (coords) {
            v.u = r.F32();
            v.v = r.F32();
        }
    }
    return r.ok();
}

void WriteVertices(kestu::ByteWriter& w, const SMeshAniHeader& h, const std::vector<SGMAVertex>& in)
{
    WriteGmaVertices(w, !h.IsNormalSkipped(), !h.IsFrameShareTexCoord(), in);
}

// Reads count LOD records; false (and nothing kept) when they do not fit.
bool ReadLod(kestu::ByteReader& r, DWORD count, std::vector<SMeshFrameLodInfo>& out)
{
    std::vector<SMeshFrameLodInfo> lod(count);
    for (SMeshFrameLodInfo& rec : lod) {
        const WORD n = r.U16();
        const WORD m = r.U16();
        if (!r.ok() || !r.Has(n, GMA_VERTEX_LOD_SIZE)) return false;
        rec.aVertices.resize(n);
        for (SGMAVertexLodInfo& v : rec.aVertices) {
            v.dwOrder = r.U32();
            v.dwCollapseTarget = r.U32();
            v.dwNumFacesRemoved = r.U32();
        }
        if (!r.Has(m, 2)) return false;
        rec.aCollapsible.resize(m);
        for (WORD& c : rec.aCollapsible) c = r.U16();
        if (!r.ok()) return false;
    }
    out.swap(lod);
    return true;
}

bool Fits16(size_t n) { return n <= 0xFFFF; }

bool MaterialsFit(const std::vector<SGmaMaterial>& list)
{
    if (!Fits16(list.size())) return false;
    for (const SGmaMaterial& m : list)
        if (!Fits16(m.faces.size())) return false;
    return true;
}

} // namespace

void WriteGmaVertices(kestu::ByteWriter& w, bool normals, bool coords, const std::vector<SGMAVertex>& in)
{
    for (const SGMAVertex& v : in) {
        w.F32(v.p.x);
        w.F32(v.p.y);
        w.F32(v.p.z);
        if (normals) {
            w.F32(v.n.x);
            w.F32(v.n.y);
            w.F32(v.n.z);
        }
        w.U32(v.diffuse);
        if (coords) {
            w.F32(v.u);
            w.F32(v.v);
        }
    }
}

void CGmaFile::Clear()
{
    header = SMeshAniHeader();
    frames.clear();
    sharedMaterials.clear();
    sharedCoords.clear();
    boundBoxes.clear();
    lod.clear();
    trailing.clear();
    m_layout = SGmaLayout();
}

HRESULT CGmaFile::Read(const void* data, size_t size)
{
    Clear();
    if (!data || size < GMA_HEADER_SIZE || !header.Read(data, size) || !header.IsKnownVersion()) {
        Clear();
        return E_FAIL;
    }
    kestu::ByteReader r(data, size);
    r.Skip(GMA_HEADER_SIZE);
    const bool oldLayout = header.IsOldMaterialLayout();
    const bool shared = header.IsFrameShareMaterials();

    bool ok = r.Has(header.dwNumFrames, GMA_FRAME_HEAD_SIZE);
    if (ok) frames.resize(header.dwNumFrames);
    for (size_t i = 0; ok && i < frames.size(); ++i) {
        SGmaFrame& f = frames[i];
        m_layout.frames.push_back(r.pos());
        f.fPos = r.F32();
        const WORD numVertices = r.U16();
        f.wNumMaterials = r.U16();
        ok = r.ok() && ReadVertices(r, header, numVertices, f.vertices);
        if (ok && !shared) ok = ReadMaterials(r, oldLayout, f.wNumMaterials, f.materials);
    }
    if (ok && shared && !frames.empty()) {
        // The shared blocks are counted by every frame's head alike.
        for (const SGmaFrame& f : frames) ok = ok && f.wNumMaterials == frames.front().wNumMaterials;
        m_layout.sharedMaterials = r.pos();
        ok = ok && ReadMaterials(r, oldLayout, frames.front().wNumMaterials, sharedMaterials);
    }
    if (ok && header.IsFrameShareTexCoord()) {
        const size_t count = frames.empty() ? 0 : frames.front().vertices.size();
        m_layout.sharedCoords = r.pos();
        ok = r.Has(count, GMA_TEXCOORD_SIZE);
        if (ok) sharedCoords.resize(count);
        for (SCoords2d& c : sharedCoords) {
            c.u = r.F32();
            c.v = r.F32();
        }
    }
    if (ok && header.IsFrameBoundBox()) {
        m_layout.boundBoxes = r.pos();
        ok = r.Has(frames.size(), GMA_BOUNDBOX_SIZE);
        if (ok) boundBoxes.resize(frames.size());
        for (SBoundBox& b : boundBoxes) {
            b.min.x = r.F32();
            b.min.y = r.F32();
            b.min.z = r.F32();
            b.max.x = r.F32();
            b.max.y = r.F32();
            b.max.z = r.F32();
        }
    }
    ok = ok && r.ok();
    if (!ok) {
        Clear();
        return E_FAIL;
    }
    // Level-of-detail data is there only when records that fit follow.
    if (header.CanCarryLod() && r.left() > 0 && !frames.empty()) {
        kestu::ByteReader lr(data, size);
        lr.Seek(r.pos());
        if (ReadLod(lr, shared ? 1 : DWORD(frames.size()), lod)) {
            m_layout.lod = r.pos();
            r.Seek(lr.pos());
        }
    }
    if (r.left() > 0) {
        m_layout.trailing = r.pos();
        trailing.assign(r.here(), r.here() + r.left());
    }
    m_layout.end = size;
    return S_OK;
}

HRESULT CGmaFile::Load(const char* path)
{
    Clear();
    DWORD size = 0;
    BYTE* data = LoadWholeFile(path, &size);
    if (!data) return E_FAIL;
    const HRESULT hr = Read(data, size);
    delete[] data;
    return hr;
}

HRESULT CGmaFile::Write(std::vector<BYTE>& out) const
{
    out.clear();
    const bool shared = header.IsFrameShareMaterials();
    if (!header.IsKnownVersion() || frames.size() > 0xFFFFFFFFu) return E_FAIL;
    for (const SGmaFrame& f : frames)
        if (!Fits16(f.vertices.size()) || (!shared && !MaterialsFit(f.materials))) return E_FAIL;
    if (shared && !MaterialsFit(sharedMaterials)) return E_FAIL;
    for (const SGmaFrame& f : frames)
        if (shared && f.wNumMaterials != sharedMaterials.size()) return E_FAIL;
    const size_t coordCount = frames.empty() ? 0 : frames.front().vertices.size();
    if (header.IsFrameShareTexCoord() ? sharedCoords.size() != coordCount : !sharedCoords.empty()) return E_FAIL;
    if (header.IsFrameBoundBox() ? boundBoxes.size() != frames.size() : !boundBoxes.empty()) return E_FAIL;
    if (!lod.empty()) {
        if (!header.CanCarryLod() || lod.size() != (shared ? 1 : frames.size())) return E_FAIL;
        for (const SMeshFrameLodInfo& rec : lod)
            if (!Fits16(rec.aVertices.size()) || !Fits16(rec.aCollapsible.size())) return E_FAIL;
    }

    const bool oldLayout = header.IsOldMaterialLayout();
    SMeshAniHeader h = header;
    h.dwNumFrames = static_cast<DWORD>(frames.size());
    h.Write(out);
    kestu::ByteWriter w(out);
    for (const SGmaFrame& f : frames) {
        w.F32(f.fPos);
        w.U16(static_cast<WORD>(f.vertices.size()));
        w.U16(shared ? f.wNumMaterials : static_cast<WORD>(f.materials.size()));
        WriteVertices(w, header, f.vertices);
        if (!shared)
            for (const SGmaMaterial& m : f.materials) WriteMaterial(w, oldLayout, m);
    }
    if (shared)
        for (const SGmaMaterial& m : sharedMaterials) WriteMaterial(w, oldLayout, m);
    for (const SCoords2d& c : sharedCoords) {
        w.F32(c.u);
        w.F32(c.v);
    }
    for (const SBoundBox& b : boundBoxes) {
        w.F32(b.min.x);
        w.F32(b.min.y);
        w.F32(b.min.z);
        w.F32(b.max.x);
        w.F32(b.max.y);
        w.F32(b.max.z);
    }
    for (const SMeshFrameLodInfo& rec : lod) {
        w.U16(static_cast<WORD>(rec.aVertices.size()));
        w.U16(static_cast<WORD>(rec.aCollapsible.size()));
        for (const SGMAVertexLodInfo& v : rec.aVertices) {
            w.U32(v.dwOrder);
            w.U32(v.dwCollapseTarget);
            w.U32(v.dwNumFacesRemoved);
        }
        for (WORD c : rec.aCollapsible) w.U16(c);
    }
    w.Bytes(trailing.data(), trailing.size());
    return S_OK;
}

HRESULT CGmaFile::Save(const char* path) const
{
    std::vector<BYTE> bytes;
    const HRESULT hr = Write(bytes);
    if (FAILED(hr)) return hr;
    const int written = SaveWholeFile(path, bytes.data(), static_cast<DWORD>(bytes.size()));
    return written == static_cast<int>(bytes.size()) ? S_OK : E_FAIL;
}
