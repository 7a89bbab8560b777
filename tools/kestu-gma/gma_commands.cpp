#include "gma_commands.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <index_lib.h>
#include <kestu.h>
#include <kestu_safefile.h>

namespace kgma {
namespace {

// The whole file, or false after saying on stderr why it cannot be read (a
// directory or an unreadable file fails here rather than as an exception).
bool ReadWhole(const std::string& path, std::vector<BYTE>& bytes)
{
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "kestu-gma: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    BYTE chunk[65536];
    size_t n = 0;
    bool ok = true;
    while (ok && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (bytes.size() + n > 0xFFFFFFFFu) {
            std::fprintf(stderr, "kestu-gma: %s is larger than 4 GB\n", path.c_str());
            ok = false;
        } else {
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
    }
    if (ok && std::ferror(f)) {
        std::fprintf(stderr, "kestu-gma: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        ok = false;
    }
    std::fclose(f);
    return ok;
}

// Says why a file cannot be read, on stderr; true when it reads. The file's
// bytes are left in bytes.
bool Readable(const std::string& path, CGmaFile& file, std::vector<BYTE>& bytes)
{
    if (!ReadWhole(path, bytes)) return false;
    const BYTE* data = bytes.data();
    const DWORD size = DWORD(bytes.size());
    SMeshAniHeader h;
    bool ok = false;
    if (!h.Read(data, size))
        std::fprintf(stderr, "kestu-gma: %s is shorter than a GMA header (%u bytes)\n", path.c_str(), unsigned(size));
    else if (!h.IsKnownVersion())
        std::fprintf(stderr, "kestu-gma: %s has version %u.%u, which the engine does not read\n", path.c_str(),
                     unsigned(h.wMajorVersion), unsigned(h.wMinorVersion));
    else if (FAILED(file.Read(data, size)))
        std::fprintf(stderr, "kestu-gma: %s is damaged: its counts reach beyond its %u bytes\n", path.c_str(),
                     unsigned(size));
    else
        ok = true;
    return ok;
}

bool Readable(const std::string& path, CGmaFile& file)
{
    std::vector<BYTE> bytes;
    return Readable(path, file, bytes);
}

// The file tools take version 1.4 and major-0 files only.
bool ToolReadable(const std::string& path, std::vector<BYTE>& bytes)
{
    CGmaFile file;
    if (!Readable(path, file, bytes)) return false;
    if (file.header.IsOldMaterialLayout()) {
        std::fprintf(stderr, "kestu-gma: %s has version 1.%u; the file tools need 1.4 (or 0.x)\n", path.c_str(),
                     unsigned(file.header.wMinorVersion));
        return false;
    }
    return true;
}

bool ToolReadable(const std::string& path)
{
    std::vector<BYTE> bytes;
    return ToolReadable(path, bytes);
}

int Report(HRESULT hr, const std::string& what, const std::string& path)
{
    if (hr == S_OK) {
        std::printf("%s: %s\n", path.c_str(), what.c_str());
        return 0;
    }
    if (hr == S_FALSE) {
        std::printf("%s: nothing to do\n", path.c_str());
        return 0;
    }
    std::fprintf(stderr, "kestu-gma: %s failed on %s (0x%08X)\n", what.c_str(), path.c_str(), unsigned(hr));
    return 1;
}

void PrintFlags(DWORD flags)
{
    static const char* names[] = {"share-container", "left-handed",     "frame-boxes",
                                  "no-normals",      "share-materials", "share-texcoord"};
    bool any = false;
    for (int i = 0; i < 6; ++i)
        if (flags & (1u << i)) {
            std::printf("%s%s", any ? " " : "", names[i]);
            any = true;
        }
    std::printf("%s\n", any ? "" : "none");
}

} // namespace

int Info(const std::string& path)
{
    CGmaFile f;
    if (!Readable(path, f)) return 1;
    const SMeshAniHeader& h = f.header;
    std::printf("version   %u.%u\nduration  %g\nframes    %zu\nmesh id   %u\n", unsigned(h.wMajorVersion),
                unsigned(h.wMinorVersion), double(h.fDuration), f.frames.size(), unsigned(h.dwMeshID));
    std::printf("attribs   env-map %d, colour %d, exchange %d\nflags     ",
                h.wEnvMapAttribID == GMA_NO_ATTRIB ? -1 : h.wEnvMapAttribID,
                h.wIndicatedColorAttribID == GMA_NO_ATTRIB ? -1 : h.wIndicatedColorAttribID,
                h.wExchangeAttribID == GMA_NO_ATTRIB ? -1 : h.wExchangeAttribID);
    PrintFlags(h.dwFlags);
    std::printf("vertex    format 0x%X, %u bytes\n", unsigned(h.GetFVF()), unsigned(h.GetVertexStride()));
    const SGmaLayout& l = f.GetLayout();
    for (size_t i = 0; i < f.frames.size(); ++i)
        std::printf("frame %-4zu at %-8zu position %-8g %5zu vertices %3u materials\n", i, l.frames[i],
                    double(f.frames[i].fPos), f.frames[i].vertices.size(), unsigned(f.frames[i].wNumMaterials));
    for (DWORD list = 0; list < f.GetNumMaterialLists(); ++list)
        for (size_t k = 0; k < f.GetMaterials(list).size(); ++k) {
            const SGmaMaterial& m = f.GetMaterials(list)[k];
            char name[GMA_TEXNAME_SIZE];
            m.head.GetTextureName(name);
            std::printf("%s %-3u material %-3zu %5zu faces, texture id %d, '%s'\n",
                        h.IsFrameShareMaterials() ? "shared   " : "frame", unsigned(list), k, m.faces.size(),
                        m.head.dwTextureID == GMA_NO_TEXTURE ? -1 : int(m.head.dwTextureID), name);
        }
    if (l.sharedMaterials) std::printf("shared materials at %zu\n", l.sharedMaterials);
    if (l.sharedCoords)
        std::printf("shared texture coordinates at %zu, %zu of them\n", l.sharedCoords, f.sharedCoords.size());
    if (l.boundBoxes) std::printf("frame bound boxes at %zu\n", l.boundBoxes);
    if (l.lod) {
        std::printf("level of detail at %zu, %zu records; collapsible per material:", l.lod, f.lod.size());
        for (WORD c : f.lod.front().aCollapsible) std::printf(" %u", unsigned(c));
        std::printf("\n");
    }
    if (l.trailing) std::printf("%zu bytes after the sections at %zu\n", f.trailing.size(), l.trailing);
    std::printf("size      %zu bytes\n", l.end);
    return 0;
}

int Rewrite(const std::string& tool, const std::string& path)
{
    if (!ToolReadable(path)) return 1;
    const char* p = path.c_str();
    if (tool == "remove-normals") return Report(GfxUtil_RemoveNormalsFormGMAFile(p), "normals removed", path);
    if (tool == "share-materials") return Report(GfxUtil_TransformGMAFileToShareMaterials(p), "materials shared", path);
    if (tool == "share-texcoord")
        return Report(GfxUtil_TransformGMAFileToShareTexCoord(p), "texture coordinates shared", path);
    return Report(GfxUtil_TransformGMAFileToNoShareTexCoord(p), "texture coordinates per frame", path);
}

int Preprocess(const std::string& path, bool removeNormals, bool computeBoxes)
{
    if (!ToolReadable(path)) return 1;
    return Report(GfxUtil_PreprocessGMA(path.c_str(), removeNormals, computeBoxes), "preprocessed", path);
}

// Renumbered in memory, so that a name missing from the library leaves the
// file as it was.
int UpdateTextureIds(const std::string& path, const std::string& textureLibrary, const std::string& log)
{
    std::vector<BYTE> bytes;
    if (!ToolReadable(path, bytes)) return 1;
    CIndexLib library;
    HRESULT hr = library.Load(textureLibrary.c_str(), 1, 1, 0, 1);
    if (FAILED(hr)) {
        std::fprintf(stderr, "kestu-gma: cannot load the texture library %s (0x%08X)\n", textureLibrary.c_str(),
                     unsigned(hr));
        return 1;
    }
    std::vector<DWORD> ids;
    std::vector<BYTE> renumbered(bytes.size());
    DWORD size = DWORD(renumbered.size());
    hr = GfxUtil_UpdateGmaTextureIDInMemory(renumbered.data(), size, bytes.data(), DWORD(bytes.size()), &library,
                                            log.empty() ? nullptr : log.c_str(), &ids);
    library.CleanUp();
    if (hr == E_FAIL) {
        std::fprintf(stderr, "kestu-gma: some texture names of %s are not in %s%s%s; the file is unchanged\n",
                     path.c_str(), textureLibrary.c_str(), log.empty() ? "" : "; see ", log.c_str());
        return 1;
    }
    if (FAILED(hr)) return Report(hr, "texture id renumbering", path);
    if (hr == S_OK && !kestu::SafeReplaceFile(path.c_str(), renumbered.data(), size)) {
        std::fprintf(stderr, "kestu-gma: cannot write %s\n", path.c_str());
        return 1;
    }
    return Report(hr, "texture ids renumbered (" + std::to_string(ids.size()) + " found)", path);
}

int AttributeMap(const std::string& source, const std::string& destination)
{
    CGmaFile f;
    if (!Readable(source, f)) return 1;
    if (f.header.IsNormalSkipped() || !f.header.IsLeftHandCoordSystem() || f.header.IsFrameShareTexCoord()) {
        std::fprintf(stderr,
                     "kestu-gma: %s must be left-handed with normals and per-frame texture coordinates "
                     "(run preprocess or unshare-texcoord first)\n",
                     source.c_str());
        return 1;
    }
    CGMAAtrributeMapConverter c;
    if (!c.Build(source.c_str(), destination.c_str())) {
        std::fprintf(stderr,
                     "kestu-gma: cannot map %s: a face reaches beyond its frame, more than 65535 vertices "
                     "would be needed, or %s cannot be written\n",
                     source.c_str(), destination.c_str());
        return 1;
    }
    if (c.SaveConvertedFile() != 1) {
        std::fprintf(stderr, "kestu-gma: cannot write %s\n", destination.c_str());
        return 1;
    }
    std::printf("%s: %u vertices per frame\n", destination.c_str(), unsigned(c.GetNumNewVertices(0)));
    return 0;
}

int Lod(const std::string& source, const std::string& destination)
{
    CGMALodConverter c;
    switch (c.Build(source.c_str(), destination.c_str())) {
    case GMALOD_OK: break;
    case GMALOD_NORMAL_SKIPPED: std::fprintf(stderr, "kestu-gma: %s has no normals\n", source.c_str()); return 1;
    case GMALOD_NOT_LEFT_HANDED:
        std::fprintf(stderr, "kestu-gma: %s is right-handed (run preprocess first)\n", source.c_str());
        return 1;
    case GMALOD_SHARED_TEXCOORD:
        std::fprintf(stderr, "kestu-gma: %s shares its texture coordinates (run unshare-texcoord first)\n",
                     source.c_str());
        return 1;
    default: {
        CGmaFile f;
        if (Readable(source, f)) std::fprintf(stderr, "kestu-gma: out of memory reading %s\n", source.c_str());
        return 1;
    }
    }
    if (c.LodConvert() != 1) {
        std::fprintf(stderr,
                     "kestu-gma: %s cannot be simplified: no frames, a material without faces or with a face "
                     "beyond its frame, or materials sharing vertices (run attribute-map first)\n",
                     source.c_str());
        return 1;
    }
    if (c.SaveConvertedFile() != 1) {
        std::fprintf(stderr, "kestu-gma: cannot write %s\n", destination.c_str());
        return 1;
    }
    std::printf("%s: level of detail added\n", destination.c_str());
    return 0;
}

int Sample(const std::string& path, const SampleOptions& o)
{
    CGmaFile f;
    f.header.wMajorVersion = WORD(o.major);
    f.header.wMinorVersion = WORD(o.minor);
    f.header.fDuration = 1.0f;
    f.header.dwMeshID = 1;
    f.header.dwFlags = o.flags;
    const int half = (o.cols + 1) / 2;
    // Each half of the flag is one material with vertices of its own.
    auto faces = [&](int first, int cols) {
        std::vector<SMeshFaceInit> out;
        const int base = first * (o.rows + 1);
        for (int c = 0; c < cols; ++c)
            for (int r = 0; r < o.rows; ++r) {
                const WORD a = WORD(base + c * (o.rows + 1) + r), b = WORD(a + 1), d = WORD(a + o.rows + 1),
                           e = WORD(d + 1);
                out.push_back({{a, b, d}});
                out.push_back({{d, b, e}});
            }
        return out;
    };
    std::vector<SGmaMaterial> materials(2);
    std::strcpy(materials[0].head.szTexture, "flag_a.png");
    std::strcpy(materials[1].head.szTexture, "flag_b.png");
    materials[0].faces = faces(0, half);
    materials[1].faces = faces(half + 1, o.cols - half);
    for (SGmaMaterial& m : materials) m.head.Material.Diffuse = m.head.Material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    if ((half + 1 + o.cols - half) * (o.rows + 1) > 0xFFFF) {
        std::fprintf(stderr, "kestu-gma: the grid needs more than 65535 vertices\n");
        return 1;
    }
    for (int i = 0; i < o.frames; ++i) {
        SGmaFrame frame;
        frame.fPos = float(i) / float(o.frames);
        const float phase = 6.2831853f * frame.fPos;
        // Columns 0..half for the first material, half..cols again for the second.
        for (int pass = 0; pass < 2; ++pass)
            for (int c = pass ? half : 0; c <= (pass ? o.cols : half); ++c)
                for (int r = 0; r <= o.rows; ++r) {
                    SGMAVertex v;
                    const float x = float(c) / float(o.cols), y = float(r) / float(o.rows);
                    const float wave = 0.15f * x * std::sin(phase + 4.0f * x);
                    v.p = D3DXVECTOR3(2.0f * x - 1.0f, y - 0.5f, wave);
                    v.n = D3DXVECTOR3(-0.6f * x * std::cos(phase + 4.0f * x), 0.0f, -1.0f);
                    D3DXVec3Normalize(&v.n, &v.n);
                    v.diffuse = 0xFFFFFFFF;
                    v.u = x;
                    v.v = 1.0f - y;
                    frame.vertices.push_back(v);
                }
        frame.wNumMaterials = 2;
        if (!f.header.IsFrameShareMaterials()) frame.materials = materials;
        f.frames.push_back(frame);
    }
    if (f.header.IsFrameShareMaterials()) f.sharedMaterials = materials;
    if (f.header.IsFrameShareTexCoord())
        for (const SGMAVertex& v : f.frames.front().vertices) f.sharedCoords.emplace_back(v.u, v.v);
    if (f.header.IsFrameBoundBox())
        for (const SGmaFrame& frame : f.frames) {
            SBoundBox b;
            b.Reset();
            for (const SGMAVertex& v : frame.vertices) b.AddPoint(&v.p);
            f.boundBoxes.push_back(b);
        }
    if (FAILED(f.Save(path.c_str()))) {
        std::fprintf(stderr, "kestu-gma: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %d frames of %zu vertices\n", path.c_str(), o.frames, f.frames.front().vertices.size());
    return 0;
}

} // namespace kgma
