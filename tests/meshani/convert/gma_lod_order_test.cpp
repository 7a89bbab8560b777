// The LOD converter's collapse order on meshes with many equal costs, with
// NaN and infinite positions, random soups and closed shapes: each result
// must stay what the converter has always produced, byte for byte. The
// checksums were taken from the converter as it first shipped (a linear scan
// for the cheapest vertex, ties to the lowest index).
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>

#include "gma_fixtures.h"
#include "meshani/convert/GmaLodSimplify.h"

namespace {

struct Mesh {
    std::vector<D3DXVECTOR3> positions, normals;
    std::vector<std::array<DWORD, 3>> faces;
};

class Lcg {
public:
    explicit Lcg(uint32_t seed) : m_state(seed) {}
    uint32_t Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    // In [0, 1) on a grid of steps, so that equal values turn up.
    float Unit(uint32_t steps) { return float(Next() % steps) / float(steps); }

private:
    uint32_t m_state;
};

// (cols + 1) x (rows + 1) vertices on the x-z plane at height(x, z), normals up.
template <class Height>
Mesh Grid(int cols, int rows, Height height)
{
    Mesh m;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c) {
            m.positions.emplace_back(float(c), height(c, r), float(r));
            m.normals.emplace_back(0.0f, 1.0f, 0.0f);
        }
    const DWORD stride = DWORD(cols + 1);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const DWORD a = DWORD(r) * stride + DWORD(c), b = a + 1, d = a + stride, e = d + 1;
            m.faces.push_back({a, d, b});
            m.faces.push_back({b, d, e});
        }
    return m;
}

// A closed sphere of rings x segments quads, poles included.
Mesh Sphere(int rings, int segments, float bump)
{
    Mesh m;
    m.positions.emplace_back(0.0f, 1.0f, 0.0f);
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const float theta = 3.14159265f * float(r) / float(rings), phi = 6.2831853f * float(s) / float(segments);
            const float radius = 1.0f + bump * float((r * 7 + s * 3) % 5);
            m.positions.emplace_back(radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                                     radius * std::sin(theta) * std::sin(phi));
        }
    m.positions.emplace_back(0.0f, -1.0f, 0.0f);
    for (const D3DXVECTOR3& p : m.positions) {
        D3DXVECTOR3 n;
        D3DXVec3Normalize(&n, &p);
        m.normals.push_back(n);
    }
    const DWORD south = DWORD(m.positions.size() - 1);
    auto at = [&](int r, int s) { return DWORD(1 + (r - 1) * segments + (s % segments)); };
    for (int s = 0; s < segments; ++s) {
        m.faces.push_back({0, at(1, s + 1), at(1, s)});
        m.faces.push_back({south, at(rings - 1, s), at(rings - 1, s + 1)});
        for (int r = 1; r + 1 < rings; ++r) {
            m.faces.push_back({at(r, s), at(r, s + 1), at(r + 1, s)});
            m.faces.push_back({at(r, s + 1), at(r + 1, s + 1), at(r + 1, s)});
        }
    }
    return m;
}

// Random vertices on a coarse lattice and random faces over them, some with
// a repeated index.
Mesh Soup(uint32_t seed, DWORD vertices, DWORD faces, uint32_t steps)
{
    Lcg rng(seed);
    Mesh m;
    for (DWORD i = 0; i < vertices; ++i) {
        m.positions.emplace_back(rng.Unit(steps) * 4, rng.Unit(steps) * 4, rng.Unit(steps) * 4);
        m.normals.emplace_back(rng.Unit(3) - 0.5f, rng.Unit(3) - 0.5f, rng.Unit(3) - 0.5f);
    }
    for (DWORD f = 0; f < faces; ++f) {
        const DWORD a = rng.Next() % vertices, b = rng.Next() % vertices;
        const DWORD c = rng.Next() % 8 == 0 ? a : rng.Next() % vertices;
        m.faces.push_back({a, b, c});
    }
    return m;
}

uint64_t Fnv(uint64_t h, const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

uint64_t Checksum(const gmalod::Result& r)
{
    uint64_t h = 0xCBF29CE484222325ull;
    for (const std::vector<DWORD>* v : {&r.order, &r.target, &r.facesRemoved, &r.faceOrder})
        h = Fnv(h, v->data(), v->size() * sizeof(DWORD));
    return Fnv(h, &r.collapsible, sizeof r.collapsible);
}

struct Case {
    const char* what;
    Mesh mesh;
    uint64_t checksum;
};

std::vector<Case> Cases()
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<Case> cases;
    cases.push_back(
        {"flat grid, every cost equal", Grid(16, 12, [](int, int) { return 0.0f; }), 0xace2c1b8a80cc993ull});
    cases.push_back({"stepped terraces", Grid(20, 20, [](int c, int r) { return float((c / 4 + r / 5) % 3); }),
                     0xc1875f7c8aee8aa5ull});
    cases.push_back({"hills", Grid(24, 18, [](int c, int r) { return std::sin(0.4f * c) * std::cos(0.3f * r); }),
                     0x97f1cc7fbe31ad6ull});
    Mesh broken = Grid(12, 12, [](int c, int r) { return 0.1f * float((c * r) % 7); });
    broken.positions[40].y = nan;
    broken.positions[77].x = inf;
    broken.positions[100] = D3DXVECTOR3(-inf, inf, nan);
    cases.push_back({"NaN and infinite positions", broken, 0x653de7ed4376e60aull});
    Mesh first = Grid(6, 6, [](int c, int r) { return 0.05f * float(c * c + r); });
    // The first vertex that may collapse (8, the first inside the border)
    // costs NaN towards its lowest neighbour: the scan takes it before any
    // cheaper vertex.
    first.positions[1].y = nan;
    first.positions[20].y = nan;
    cases.push_back({"NaN at the first vertex", first, 0x27953b90c5c7346full});
    cases.push_back({"bumpy sphere", Sphere(14, 20, 0.05f), 0xf3a114b31db0fcbbull});
    cases.push_back({"round sphere", Sphere(9, 12, 0.0f), 0x7762482617050d8aull});
    cases.push_back({"soup on a coarse lattice", Soup(1, 60, 140, 3), 0x952d013b3bfa47e5ull});
    cases.push_back({"soup on a fine lattice", Soup(2, 200, 500, 1000), 0xa7a7b4b8e2b4c3c9ull});
    cases.push_back({"dense soup", Soup(3, 30, 400, 4), 0x227f4d22cff5d16cull});
    return cases;
}

} // namespace

TEST(GmaLodOrder, EveryMeshCollapsesInTheOrderItAlwaysHad)
{
    for (const Case& c : Cases()) {
        gmalod::Result r;
        ASSERT_TRUE(gmalod::Simplify(c.mesh.positions, c.mesh.normals, c.mesh.faces, r)) << c.what;
        ASSERT_EQ(r.order.size(), c.mesh.positions.size());
        EXPECT_EQ(Checksum(r), c.checksum) << c.what << std::hex << ": 0x" << Checksum(r);
    }
}

class GmaLodFile : public gmatest::TempDir {};

// The whole converted file of a two-material, two-frame grid, with and
// without shared materials.
TEST_F(GmaLodFile, ConvertedFilesAreByteForByteAsBefore)
{
    gmatest::Grid grid;
    grid.cols = 16;
    grid.rows = 10;
    const struct {
        DWORD flags;
        uint64_t checksum;
    } files[] = {{GMA_FLAG_LEFT_HAND, 0xdb577c09a4a355d6ull},
                 {GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_MATERIALS, 0x7e87d8c7d1725e79ull}};
    for (const auto& f : files) {
        const std::string src = Save("grid.gma", grid.File(1, 4, f.flags)), dst = Path("grid_lod.gma");
        CGmaFile out;
        ASSERT_TRUE(gmatest::ConvertLod(src, dst, out)) << f.flags;
        std::ifstream in(dst, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const uint64_t sum = Fnv(0xCBF29CE484222325ull, bytes.data(), bytes.size());
        EXPECT_EQ(sum, f.checksum) << f.flags << std::hex << ": 0x" << sum;
    }
}
