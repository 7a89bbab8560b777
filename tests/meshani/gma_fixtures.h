// Generated GMA content for the tests: meshes built in code and written by the
// engine's own writer, and a fresh folder per test.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "support/temp_dir.h"

#include "kestu_gmaconvert.h"
#include "kestu_gmafile.h"

namespace gmatest {

inline SGmaMaterial Material(const char* texture, DWORD textureId, std::vector<SMeshFaceInit> faces)
{
    SGmaMaterial m;
    std::strncpy(m.head.szTexture, texture, sizeof m.head.szTexture - 1);
    m.head.Material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m.head.Material.Ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    m.head.dwTextureID = textureId;
    m.head.wNumFaces = static_cast<WORD>(faces.size());
    m.faces = std::move(faces);
    return m;
}

inline SGMAVertex Vertex(float x, float y, float z, float u, float v, DWORD colour = 0xFFFFFFFF)
{
    SGMAVertex w;
    w.p = D3DXVECTOR3(x, y, z);
    w.n = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    w.diffuse = colour;
    w.u = u;
    w.v = v;
    return w;
}

// A grid of (cols + 1) x (rows + 1) vertices in the x-y plane facing -z, one
// wave along x per frame; the left half of the quads is material 0, the right
// half material 1, each with its own vertices (columns 0..cols/2 and
// cols/2..cols are separate ranges: the middle column is duplicated).
struct Grid {
    int cols = 4, rows = 2, frames = 2;
    float width = 2.0f, height = 1.0f;
    float amplitude = 0.2f;

    int HalfCols() const { return cols / 2; }
    int VerticesPerHalf() const { return (HalfCols() + 1) * (rows + 1); }
    int Vertices() const { return 2 * VerticesPerHalf(); }
    int FacesPerHalf() const { return 2 * HalfCols() * rows; }

    std::vector<SGMAVertex> FrameVertices(int frame) const
    {
        std::vector<SGMAVertex> out;
        for (int half = 0; half < 2; ++half)
            for (int r = 0; r <= rows; ++r)
                for (int c = 0; c <= HalfCols(); ++c) {
                    const int col = half * HalfCols() + c;
                    const float x = -width / 2 + width * col / cols;
                    const float y = -height / 2 + height * r / rows;
                    const float phase = 6.2831853f * (float(frame) / float(frames > 0 ? frames : 1));
                    const float z = amplitude * std::sin(phase + 3.0f * x);
                    out.push_back(
                        Vertex(x, y, z, float(col) / cols, 1.0f - float(r) / rows, half ? 0xFF40A0FFu : 0xFFFFA040u));
                }
        return out;
    }
    std::vector<SMeshFaceInit> Faces(int half) const
    {
        std::vector<SMeshFaceInit> f;
        const int base = half * VerticesPerHalf(), stride = HalfCols() + 1;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < HalfCols(); ++c) {
                const WORD a = WORD(base + r * stride + c), b = WORD(a + 1), d = WORD(a + stride), e = WORD(d + 1);
                f.push_back({{a, d, b}});
                f.push_back({{b, d, e}});
            }
        return f;
    }
    // A file of this grid: version, flags and shared materials as asked.
    CGmaFile File(WORD major = 1, WORD minor = 4, DWORD flags = GMA_FLAG_LEFT_HAND) const
    {
        CGmaFile f;
        f.header.wMajorVersion = major;
        f.header.wMinorVersion = minor;
        f.header.fDuration = 2.0f;
        f.header.dwMeshID = 7;
        f.header.dwFlags = flags & ~DWORD(GMA_FLAG_SHARE_TEXCOORD | GMA_FLAG_FRAME_BOUNDBOX);
        const bool shared = (flags & GMA_FLAG_SHARE_MATERIALS) != 0;
        std::vector<SGmaMaterial> mats = {Material("tex\\left.png", 11, Faces(0)), Material("right.png", 12, Faces(1))};
        for (int i = 0; i < frames; ++i) {
            SGmaFrame fr;
            fr.fPos = float(i) / float(frames);
            fr.vertices = FrameVertices(i);
            fr.wNumMaterials = WORD(mats.size());
            if (!shared) fr.materials = mats;
            f.frames.push_back(fr);
        }
        if (shared) f.sharedMaterials = mats;
        if (flags & GMA_FLAG_SHARE_TEXCOORD) {
            f.header.SetFrameShareTexCoord(TRUE);
            for (const SGMAVertex& v : f.frames.front().vertices) f.sharedCoords.emplace_back(v.u, v.v);
            for (SGmaFrame& fr : f.frames)
                for (SGMAVertex& v : fr.vertices) v.u = v.v = 0.0f;
        }
        if (flags & GMA_FLAG_FRAME_BOUNDBOX) {
            f.header.SetFrameBoundBox(TRUE);
            for (const SGmaFrame& fr : f.frames) {
                SBoundBox b;
                b.Reset();
                for (const SGMAVertex& v : fr.vertices) b.AddPoint(&v.p);
                f.boundBoxes.push_back(b);
            }
        }
        return f;
    }
};

inline std::vector<BYTE> Bytes(const CGmaFile& f)
{
    std::vector<BYTE> out;
    EXPECT_EQ(f.Write(out), S_OK);
    return out;
}

inline float F32At(const std::vector<BYTE>& b, size_t at)
{
    float f;
    std::memcpy(&f, b.data() + at, 4);
    return f;
}
inline DWORD U32At(const std::vector<BYTE>& b, size_t at)
{
    return DWORD(b[at]) | DWORD(b[at + 1]) << 8 | DWORD(b[at + 2]) << 16 | DWORD(b[at + 3]) << 24;
}
inline WORD U16At(const std::vector<BYTE>& b, size_t at) { return WORD(b[at] | b[at + 1] << 8); }

// The LOD converter from source to destination, its result read into out.
inline bool ConvertLod(const std::string& source, const std::string& destination, CGmaFile& out)
{
    CGMALodConverter c;
    return c.Build(source.c_str(), destination.c_str()) == GMALOD_OK && c.LodConvert() == 1 &&
           c.SaveConvertedFile() == 1 && SUCCEEDED(out.Load(destination.c_str()));
}

// A fresh folder per test, and GMA files saved into it.
class TempDir : public TempDirTest {
protected:
    std::string Save(const std::string& name, const CGmaFile& f) const
    {
        EXPECT_EQ(f.Save(Path(name).c_str()), S_OK);
        return Path(name);
    }
};

} // namespace gmatest
