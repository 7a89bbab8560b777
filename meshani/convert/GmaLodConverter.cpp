// The LOD converter: orders each material's vertices and faces by a greedy
// edge collapse and appends the collapse records to the file.
#include <algorithm>
#include <cstring>
#include <new>

#include "kestu_gmaconvert.h"
#include "meshani/convert/GmaLodSimplify.h"
#include "ou_strings.h"

CGMALodConverter::CGMALodConverter() : m_szSource{}, m_szDestination{}, m_dwNumFrames(0), m_bConverted(false) {}

CGMALodConverter::CGMALodConverter(const CGMALodConverter& other) : CGMALodConverter() { *this = other; }

CGMALodConverter& CGMALodConverter::operator=(const CGMALodConverter& other)
{
    if (this != &other) {
        std::memcpy(m_szSource, other.m_szSource, sizeof m_szSource);
        std::memcpy(m_szDestination, other.m_szDestination, sizeof m_szDestination);
        m_header = other.m_header;
    }
    return *this;
}

CGMALodConverter::~CGMALodConverter() = default;

int CGMALodConverter::Build(const char* source, const char* destination)
{
    m_frames.clear();
    m_dwNumFrames = 0;
    m_bConverted = false;
    CGmaFile file;
    if (!source || FAILED(file.Load(source))) return GMALOD_CANNOT_READ;
    const SMeshAniHeader& h = file.header;
    if (h.IsNormalSkipped()) return GMALOD_NORMAL_SKIPPED;
    if (!h.IsLeftHandCoordSystem()) return GMALOD_NOT_LEFT_HANDED;
    if (h.IsFrameShareTexCoord()) return GMALOD_SHARED_TEXCOORD;
    OU_SafeStrCpy(m_szSource, sizeof m_szSource, source);
    if (destination) OU_SafeStrCpy(m_szDestination, sizeof m_szDestination, destination);
    m_header = h;
    try {
        m_frames.resize(file.frames.size());
        for (size_t i = 0; i < file.frames.size(); ++i) {
            SFrame& f = m_frames[i];
            f.source = file.frames[i].vertices;
            f.dwNumVertices = static_cast<DWORD>(f.source.size());
            f.dwNumMaterials = file.frames[i].wNumMaterials;
            // With shared materials the blocks are frame 0's.
            if (i == 0 || !h.IsFrameShareMaterials())
                for (const SGmaMaterial& m : file.GetMaterials(static_cast<DWORD>(i))) {
                    SMaterial mat;
                    mat.faces = m.faces;
                    mat.dwNumFaces = static_cast<DWORD>(m.faces.size());
                    f.materials.push_back(std::move(mat));
                }
        }
    } catch (const std::bad_alloc&) {
        m_frames.clear();
        return E_OUTOFMEMORY;
    }
    m_dwNumFrames = static_cast<DWORD>(m_frames.size());
    return GMALOD_OK;
}

namespace {

struct Range {
    DWORD lowest = 0xFFFFFFFF;
    DWORD highest = 0;
};

Range RangeOf(const std::vector<SMeshFaceInit>& faces)
{
    Range r;
    for (const SMeshFaceInit& f : faces)
        for (WORD i : f.wIndex) {
            r.lowest = std::min<DWORD>(r.lowest, i);
            r.highest = std::max<DWORD>(r.highest, i);
        }
    return r;
}

// Puts vertex lowest + j of source into slot lowest + order[j] of output.
void Permute(const std::vector<SGMAVertex>& source, std::vector<SGMALodVertex>& output, DWORD lowest,
             const gmalod::Result& r)
{
    for (size_t j = 0; j < r.order.size(); ++j) {
        SGMALodVertex& out = output[lowest + r.order[j]];
        static_cast<SGMAVertex&>(out) = source[lowest + j];
        out.lod = {r.order[j], r.target[j], r.facesRemoved[j]};
    }
}

// Every vertex in its own slot with no collapse; the materials' ranges are
// filled in afterwards.
void StartOutput(const std::vector<SGMAVertex>& source, std::vector<SGMALodVertex>& output)
{
    output.resize(source.size());
    for (size_t i = 0; i < source.size(); ++i) {
        static_cast<SGMAVertex&>(output[i]) = source[i];
        output[i].lod = {static_cast<DWORD>(i), GMA_NO_TARGET, 0};
    }
}

} // namespace

bool CGMALodConverter::ConvertFrame(SFrame& frame)
{
    StartOutput(frame.source, frame.output);
    // Each material needs a range no other material's faces reach into.
    std::vector<Range> ranges;
    for (const SMaterial& m : frame.materials) {
        if (m.faces.empty()) return false;
        const Range r = RangeOf(m.faces);
        if (r.highest >= frame.dwNumVertices) return false;
        for (const Range& o : ranges)
            if (r.lowest <= o.highest && o.lowest <= r.highest) return false;
        ranges.push_back(r);
    }
    std::vector<gmalod::Result> results(frame.materials.size());
    for (size_t k = 0; k < frame.materials.size(); ++k) {
        SMaterial& m = frame.materials[k];
        const Range r = ranges[k];
        const DWORD n = r.highest - r.lowest + 1;
        std::vector<D3DXVECTOR3> positions(n), normals(n);
        for (DWORD j = 0; j < n; ++j) {
            positions[j] = frame.source[r.lowest + j].p;
            normals[j] = frame.source[r.lowest + j].n;
        }
        std::vector<std::array<DWORD, 3>> faces(m.faces.size());
        for (size_t f = 0; f < m.faces.size(); ++f)
            for (int c = 0; c < 3; ++c) faces[f][c] = m.faces[f].wIndex[c] - r.lowest;
        gmalod::Result& res = results[k];
        if (!gmalod::Simplify(positions, normals, faces, res)) return false;
        Permute(frame.source, frame.output, r.lowest, res);
        // The faces as read, each index moved to its vertex's new slot, in their new order.
        m.lodFaces.resize(m.faces.size());
        for (size_t f = 0; f < m.faces.size(); ++f) {
            for (int c = 0; c < 3; ++c) m.lodFaces[f].wIndex[c] = static_cast<WORD>(r.lowest + res.order[faces[f][c]]);
            m.lodFaces[f].dwOrder = res.faceOrder[f];
        }
        std::sort(m.lodFaces.begin(), m.lodFaces.end(),
                  [](const SMeshLodFaceInit& a, const SMeshLodFaceInit& b) { return a.dwOrder < b.dwOrder; });
        m.wCollapsible = static_cast<WORD>(res.collapsible);
    }
    // Frames that share frame 0's materials move their vertices the same way.
    if (&frame == &m_frames.front() && m_header.IsFrameShareMaterials())
        for (size_t i = 1; i < m_frames.size(); ++i) {
            SFrame& other = m_frames[i];
            StartOutput(other.source, other.output);
            for (size_t k = 0; k < ranges.size(); ++k) {
                if (ranges[k].highest >= other.dwNumVertices) return false;
                Permute(other.source, other.output, ranges[k].lowest, results[k]);
            }
        }
    return true;
}

int CGMALodConverter::LodConvert()
{
    m_bConverted = false;
    if (m_frames.empty()) return 0;
    try {
        const size_t lists = m_header.IsFrameShareMaterials() ? 1 : m_frames.size();
        for (size_t i = 0; i < lists; ++i)
            if (!ConvertFrame(m_frames[i])) return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    m_bConverted = true;
    return 1;
}

int CGMALodConverter::SaveConvertedFile()
{
    if (!m_bConverted || !m_szDestination[0]) return 0;
    CGmaFile file;
    if (FAILED(file.Load(m_szSource)) || file.frames.size() != m_frames.size() || !file.header.CanCarryLod()) return 0;
    std::memcpy(file.header.byReserved, "LodAdd", 6);
    const bool shared = file.header.IsFrameShareMaterials();
    file.lod.clear();
    for (size_t i = 0; i < m_frames.size(); ++i) {
        const SFrame& f = m_frames[i];
        std::vector<SGMAVertex>& vertices = file.frames[i].vertices;
        if (vertices.size() != f.output.size()) return 0;
        for (size_t v = 0; v < vertices.size(); ++v) vertices[v] = f.output[v];
        if (shared && i > 0) continue;
        std::vector<SGmaMaterial>& blocks = file.GetMaterials(static_cast<DWORD>(i));
        if (blocks.size() != f.materials.size()) return 0;
        SMeshFrameLodInfo rec;
        for (size_t k = 0; k < blocks.size(); ++k) {
            const SMaterial& m = f.materials[k];
            if (blocks[k].faces.size() != m.lodFaces.size()) return 0;
            for (size_t n = 0; n < m.lodFaces.size(); ++n)
                std::memcpy(blocks[k].faces[n].wIndex, m.lodFaces[n].wIndex, sizeof m.lodFaces[n].wIndex);
            rec.aCollapsible.push_back(m.wCollapsible);
        }
        for (const SGMALodVertex& v : f.output) rec.aVertices.push_back(v.lod);
        file.lod.push_back(std::move(rec));
    }
    return SUCCEEDED(file.Save(m_szDestination)) ? 1 : 0;
}
