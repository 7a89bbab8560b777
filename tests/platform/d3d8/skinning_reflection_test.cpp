// A bone-palette skinning vertex shader and the bump-reflection pixel shader
// of water surfaces, each against the same computation on the CPU.
#include <cmath>
#include <cstring>
#include <set>

#include "shader_fixture.h"

namespace shadertest {
namespace {

class ShaderScenes : public ShaderTest {
protected:
    void TearDown() override
    {
        for (int i = 0; i < 4; ++i) dev->SetTexture(i, nullptr);
        for (UINT s = 0; s < 3; ++s) dev->SetStreamSource(s, nullptr, 0);
        dev->SetIndices(nullptr, 0);
        for (auto* r : resources) r->Release();
        ShaderTest::TearDown();
    }
    IDirect3DVertexBuffer8* Buffer(const void* data, UINT bytes)
    {
        IDirect3DVertexBuffer8* vb = nullptr;
        EXPECT_EQ(dev->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
        if (!vb) return nullptr;
        resources.push_back(vb);
        BYTE* p = nullptr;
        EXPECT_EQ(vb->Lock(0, bytes, &p, 0), D3D_OK);
        std::memcpy(p, data, bytes);
        vb->Unlock();
        return vb;
    }
    std::vector<IUnknown*> resources;
};

// Two bones per vertex from a palette of four: offsets (slot x 4) as shorts
// in stream 2, weights in stream 1, positions in stream 0. The blended
// position comes out as a colour; the quad corner places it on the target.
TEST_F(ShaderScenes, SkinningThroughAddressRegisterMatchesCpuBlend)
{
    const std::vector<DWORD> decl = {D3DVSD_STREAM(0),
                                     D3DVSD_REG(0, D3DVSDT_FLOAT3),
                                     D3DVSD_REG(7, D3DVSDT_FLOAT2),
                                     D3DVSD_STREAM(1),
                                     D3DVSD_REG(1, D3DVSDT_FLOAT4),
                                     D3DVSD_STREAM(2),
                                     D3DVSD_REG(2, D3DVSDT_SHORT4),
                                     D3DVSD_END()};
    DWORD vs = CreateVs(decl, "vs.1.1\n"
                              "mov a0.x, v2.x\n"
                              "dp4 r0.x, v0, c[a0.x + 18]\n"
                              "dp4 r0.y, v0, c[a0.x + 19]\n"
                              "dp4 r0.z, v0, c[a0.x + 20]\n"
                              "mul r1.xyz, r0.xyz, v1.x\n"
                              "mov a0.x, v2.y\n"
                              "dp4 r0.x, v0, c[a0.x + 18]\n"
                              "dp4 r0.y, v0, c[a0.x + 19]\n"
                              "dp4 r0.z, v0, c[a0.x + 20]\n"
                              "mad r1.xyz, r0.xyz, v1.y, r1.xyz\n"
                              "mov r1.w, c0.y\n"
                              "mov r3, c1\n"
                              "mad oD0, r1, r3, c2\n"
                              "mov r2, c3\n"
                              "mov r2.xy, v7\n"
                              "mov oPos, r2\n");
    ASSERT_NE(vs, 0u);
    // Bone s: rows of a transposed 4x3 matrix, a rotation about z by 0.3 s plus a translation.
    float bones[4][3][4];
    for (int s = 0; s < 4; ++s) {
        const float a = 0.3f * s, c = std::cos(a), n = std::sin(a);
        const float rows[3][4] = {{c, -n, 0, 0.1f * s}, {n, c, 0, -0.2f * s}, {0, 0, 1, 0.05f * s}};
        std::memcpy(bones[s], rows, sizeof(rows));
        ASSERT_EQ(dev->SetVertexShaderConstant(18 + 4 * s, bones[s], 3), D3D_OK);
    }
    SetConstant(0, 0, 1, 0, 0);
    SetConstant(1, 0.25f, 0.25f, 0.25f, 0);
    SetConstant(2, 0.5f, 0.5f, 0.5f, 1);
    SetConstant(3, 0, 0, 0.5f, 1);

    struct P {
        float x, y, z, cx, cy;
    };
    struct W {
        float w[4];
    };
    struct I {
        short o[4];
    };
    struct Case {
        float p[3];
        int b0, b1;
        float w0;
    };
    const Case cases[4] = {{{0.5f, -0.4f, 0.2f}, 0, 3, 0.7f},
                           {{-0.8f, 0.3f, -0.5f}, 2, 1, 0.25f},
                           {{0.1f, 0.9f, 0.6f}, 3, 3, 0.5f},
                           {{-0.3f, -0.7f, 0.9f}, 1, 0, 1.0f}};
    std::vector<P> pos;
    std::vector<W> weights;
    std::vector<I> offsets;
    std::vector<WORD> indices;
    for (int q = 0; q < 4; ++q) {
        const float x0 = (q % 2) ? 0.f : -1.f, y0 = (q / 2) ? -1.f : 0.f;
        const WORD base = static_cast<WORD>(pos.size());
        for (int v = 0; v < 4; ++v) {
            const Case& k = cases[q];
            pos.push_back({k.p[0], k.p[1], k.p[2], x0 + (v % 2), y0 + (v / 2)});
            weights.push_back({{k.w0, 1 - k.w0, 0, 0}});
            offsets.push_back({{static_cast<short>(4 * k.b0), static_cast<short>(4 * k.b1), 0, 0}});
        }
        for (WORD i : {0, 2, 1, 1, 2, 3}) indices.push_back(static_cast<WORD>(base + i));
    }
    ASSERT_EQ(dev->SetStreamSource(0, Buffer(pos.data(), UINT(pos.size() * sizeof(P))), sizeof(P)), D3D_OK);
    ASSERT_EQ(dev->SetStreamSource(1, Buffer(weights.data(), UINT(weights.size() * sizeof(W))), sizeof(W)), D3D_OK);
    ASSERT_EQ(dev->SetStreamSource(2, Buffer(offsets.data(), UINT(offsets.size() * sizeof(I))), sizeof(I)), D3D_OK);
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(UINT(indices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    resources.push_back(ib);
    BYTE* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, indices.data(), indices.size() * 2);
    ib->Unlock();
    ASSERT_EQ(dev->SetIndices(ib, 0), D3D_OK);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 16, 0, 8), D3D_OK);

    for (int q = 0; q < 4; ++q) {
        const Case& k = cases[q];
        float out[3] = {};
        for (int b = 0; b < 2; ++b) {
            const int s = b == 0 ? k.b0 : k.b1;
            const float w = b == 0 ? k.w0 : 1 - k.w0;
            for (int r = 0; r < 3; ++r)
                out[r] +=
                    w * (bones[s][r][0] * k.p[0] + bones[s][r][1] * k.p[1] + bones[s][r][2] * k.p[2] + bones[s][r][3]);
        }
        const int px = (q % 2) ? 48 : 16, py = (q / 2) ? 48 : 16;
        EXPECT_TRUE(PixelNear(px, py, Rgba(out[0] * 0.25f + 0.5f, out[1] * 0.25f + 0.5f, out[2] * 0.25f + 0.5f, 1), 2))
            << "quad " << q;
    }
}

// A bump normal turned by the rows in texture coordinates 1-3 reflects the
// eye vector (their w components) into a cube map.
TEST_F(ShaderScenes, Texm3x3VspecReflectionMatchesCpuReference)
{
    const D3DCOLOR faces[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    resources.push_back(cube);
    for (int f = 0; f < 6; ++f) {
        D3DLOCKED_RECT r;
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), 0, &r, nullptr, 0), D3D_OK);
        const DWORD c = 0xFF000000u | faces[f];
        std::memcpy(r.pBits, &c, 4);
        cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), 0);
    }
    IDirect3DTexture8* normal = MakeTexture(1, 1, D3DFMT_A8R8G8B8, [](UINT, UINT) -> uint32_t { return 0xFFCC80E6; });
    ASSERT_NE(normal, nullptr);
    resources.push_back(normal);
    ASSERT_EQ(dev->SetTexture(0, normal), D3D_OK);
    ASSERT_EQ(dev->SetTexture(3, cube), D3D_OK);

    DWORD vs = CreateVs(QuadDeclaration(), "vs.1.1\n"
                                           "mov oPos, v0\n"
                                           "mov oT0, v7\n"
                                           "mul r1, v7.x, c6\n"
                                           "mad r1, v7.y, c9, r1\n"
                                           "add r1, r1, c5\n"
                                           "mov r0, c4\nmov r0.w, r1.x\nmov oT1, r0\n"
                                           "mov r0, c7\nmov r0.w, r1.y\nmov oT2, r0\n"
                                           "mov r0, c8\nmov r0.w, r1.z\nmov oT3, r0\n");
    DWORD ps = CreatePs("ps.1.1\ntex t0\ntexm3x3pad t1, t0_bx2\ntexm3x3pad t2, t0_bx2\ntexm3x3vspec t3, t0_bx2\n"
                        "mov r0, t3\n");
    // Rows: a rotation about y by 0.4; eye vector (-3 + 6u, -2 + 4v, 1).
    const float a = 0.4f, ca = std::cos(a), sa = std::sin(a);
    const float rows[3][3] = {{ca, 0, sa}, {0, 1, 0}, {-sa, 0, ca}};
    SetConstant(4, rows[0][0], rows[0][1], rows[0][2], 0);
    SetConstant(7, rows[1][0], rows[1][1], rows[1][2], 0);
    SetConstant(8, rows[2][0], rows[2][1], rows[2][2], 0);
    SetConstant(5, -3, -2, 1, 0);
    SetConstant(6, 6, 0, 0, 0);
    SetConstant(9, 0, 4, 0, 0);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    DrawClipQuad();

    const float n[3] = {2 * (0xCC / 255.f) - 1, 2 * (0x80 / 255.f) - 1, 2 * (0xE6 / 255.f) - 1};
    float N[3];
    for (int r = 0; r < 3; ++r) N[r] = rows[r][0] * n[0] + rows[r][1] * n[1] + rows[r][2] * n[2];
    std::set<int> seen;
    for (int py = 4; py < 64; py += 8) {
        for (int px = 4; px < 64; px += 8) {
            const float u = (px + 0.5f) / 64, v = (py + 0.5f) / 64;
            const float E[3] = {-3 + 6 * u, -2 + 4 * v, 1};
            const float ne = N[0] * E[0] + N[1] * E[1] + N[2] * E[2];
            const float nn = N[0] * N[0] + N[1] * N[1] + N[2] * N[2];
            float R[3], mag[3];
            for (int i = 0; i < 3; ++i) {
                R[i] = 2 * ne / nn * N[i] - E[i];
                mag[i] = std::fabs(R[i]);
            }
            const int axis = mag[0] >= mag[1] && mag[0] >= mag[2] ? 0 : mag[1] >= mag[2] ? 1 : 2;
            float second = 0;
            for (int i = 0; i < 3; ++i)
                if (i != axis) second = std::max(second, mag[i]);
            if (mag[axis] < second * 1.1f) continue; // too near an edge of the cube to call
            const int face = 2 * axis + (R[axis] < 0 ? 1 : 0);
            seen.insert(face);
            EXPECT_TRUE(PixelNear(px, py, faces[face])) << "probe " << px << "," << py;
        }
    }
    EXPECT_GE(seen.size(), 3u); // the probes reach several faces
}

} // namespace
} // namespace shadertest
