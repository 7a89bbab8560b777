// Draw-call throughput of the Direct3D 8 device against the same work issued
// directly to OpenGL in the same process, through the same driver. The direct
// calls run in a context of their own, so the two never see each other's
// state and their repetitions can be interleaved.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "RatioReport.h"
#include "bench_device.h"
#include "d3d8.h"

namespace {

constexpr UINT kW = 800, kH = 600;

struct Vertex {
    float x, y, z;
    D3DCOLOR c;
    float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Scene {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    IDirect3DTexture8* tex = nullptr;
    IDirect3DVertexBuffer8* quadVb = nullptr;
    IDirect3DIndexBuffer8* quadIb = nullptr;
    IDirect3DVertexBuffer8* meshVb = nullptr;
    IDirect3DIndexBuffer8* meshIb = nullptr;
    std::vector<Vertex> meshVertices;
    std::vector<uint16_t> meshIndices;
    UINT meshVertexCount = 0, meshTriangles = 0;
};

// A 32x16 grid of quads: 1,024 triangles.
void BuildMesh(std::vector<Vertex>& v, std::vector<uint16_t>& idx)
{
    const int cols = 32, rows = 16;
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= cols; ++x)
            v.push_back(
                {-1.f + 2.f * x / cols, -1.f + 2.f * y / rows, 0.5f, 0xFFFFFFFF, float(x) / cols, float(y) / rows});
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            uint16_t a = static_cast<uint16_t>(y * (cols + 1) + x), b = static_cast<uint16_t>(a + 1),
                     c = static_cast<uint16_t>(a + cols + 1), d = static_cast<uint16_t>(c + 1);
            uint16_t quad[6] = {a, c, b, b, c, d};
            idx.insert(idx.end(), quad, quad + 6);
        }
}

Scene& GetScene()
{
    static Scene s;
    if (s.dev) return s;
    s.d3d = Direct3DCreate8(D3D_SDK_VERSION);
    s.dev = kestu_bench::CreateBenchDevice(s.d3d, kW, kH, true);
    s.dev->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &s.tex);
    D3DLOCKED_RECT r;
    s.tex->LockRect(0, &r, nullptr, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x] =
                ((x ^ y) & 8) ? 0xFFFFFFFF : 0xFF336699;
    s.tex->UnlockRect(0);
    const Vertex quad[4] = {{-0.05f, -0.05f, 0.5f, 0xFFFFFFFF, 0, 0},
                            {0.05f, -0.05f, 0.5f, 0xFFFFFFFF, 1, 0},
                            {-0.05f, 0.05f, 0.5f, 0xFFFFFFFF, 0, 1},
                            {0.05f, 0.05f, 0.5f, 0xFFFFFFFF, 1, 1}};
    const uint16_t quadIdx[6] = {0, 2, 1, 1, 2, 3};
    BYTE* p = nullptr;
    s.dev->CreateVertexBuffer(sizeof(quad), D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED, &s.quadVb);
    s.quadVb->Lock(0, 0, &p, 0);
    std::memcpy(p, quad, sizeof(quad));
    s.quadVb->Unlock();
    s.dev->CreateIndexBuffer(sizeof(quadIdx), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &s.quadIb);
    s.quadIb->Lock(0, 0, &p, 0);
    std::memcpy(p, quadIdx, sizeof(quadIdx));
    s.quadIb->Unlock();
    BuildMesh(s.meshVertices, s.meshIndices);
    s.meshVertexCount = static_cast<UINT>(s.meshVertices.size());
    s.meshTriangles = static_cast<UINT>(s.meshIndices.size() / 3);
    s.dev->CreateVertexBuffer(static_cast<UINT>(s.meshVertices.size() * sizeof(Vertex)), D3DUSAGE_WRITEONLY, kFvf,
                              D3DPOOL_MANAGED, &s.meshVb);
    s.meshVb->Lock(0, 0, &p, 0);
    std::memcpy(p, s.meshVertices.data(), s.meshVertices.size() * sizeof(Vertex));
    s.meshVb->Unlock();
    s.dev->CreateIndexBuffer(static_cast<UINT>(s.meshIndices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                             D3DPOOL_MANAGED, &s.meshIb);
    s.meshIb->Lock(0, 0, &p, 0);
    std::memcpy(p, s.meshIndices.data(), s.meshIndices.size() * 2);
    s.meshIb->Unlock();
    s.dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    s.dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    s.dev->SetTexture(0, s.tex);
    s.dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    s.dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    s.dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    s.dev->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    s.dev->SetVertexShader(kFvf);
    return s;
}

D3DMATRIX Translate(float x, float y)
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.f;
    m._41 = x;
    m._42 = y;
    return m;
}

// The direct GL reference: one program doing what the generated one does
// for this state (transform, texture times a factor).
struct GlReference {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint program = 0, vao = 0, quadVbo = 0, quadIbo = 0, meshVbo = 0, meshIbo = 0, tex = 0, fbo = 0, color = 0,
           depth = 0;
    GLint world = -1, factor = -1;
};

GLuint Shader(GLenum type, const char* src)
{
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &src, nullptr);
    glCompileShader(s);
    return s;
}

GlReference& GetReference()
{
    static GlReference g;
    if (g.program) {
        eglMakeCurrent(g.display, EGL_NO_SURFACE, EGL_NO_SURFACE, g.context);
        return g;
    }
    Scene& s = GetScene(); // the device's context is current now: the display is initialised
    g.display = eglGetCurrentDisplay();
    const EGLint attribs[] = {
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    g.context = eglCreateContext(g.display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attribs);
    eglMakeCurrent(g.display, EGL_NO_SURFACE, EGL_NO_SURFACE, g.context);
    const char* vs = R"(#version 330 core
layout(location = 0) in vec3 pos; layout(location = 1) in vec4 col; layout(location = 2) in vec2 uv;
uniform mat4 world; out vec4 vCol; out vec2 vUv;
void main() { gl_Position = world * vec4(pos, 1.0); vCol = col; vUv = uv; })";
    const char* fs = R"(#version 330 core
in vec4 vCol; in vec2 vUv; uniform sampler2D tex; uniform vec4 factor; out vec4 o;
void main() { o = texture(tex, vUv) * factor * vCol; })";
    g.program = glCreateProgram();
    glAttachShader(g.program, Shader(GL_VERTEX_SHADER, vs));
    glAttachShader(g.program, Shader(GL_FRAGMENT_SHADER, fs));
    glLinkProgram(g.program);
    g.world = glGetUniformLocation(g.program, "world");
    g.factor = glGetUniformLocation(g.program, "factor");
    glGenVertexArrays(1, &g.vao);
    auto buffer = [](GLenum target, const void* data, size_t size) {
        GLuint b;
        glGenBuffers(1, &b);
        glBindBuffer(target, b);
        glBufferData(target, static_cast<GLsizeiptr>(size), data, GL_STATIC_DRAW);
        return b;
    };
    const Vertex quad[4] = {{-0.05f, -0.05f, 0.5f, 0xFFFFFFFF, 0, 0},
                            {0.05f, -0.05f, 0.5f, 0xFFFFFFFF, 1, 0},
                            {-0.05f, 0.05f, 0.5f, 0xFFFFFFFF, 0, 1},
                            {0.05f, 0.05f, 0.5f, 0xFFFFFFFF, 1, 1}};
    const uint16_t quadIdx[6] = {0, 2, 1, 1, 2, 3};
    g.quadVbo = buffer(GL_ARRAY_BUFFER, quad, sizeof(quad));
    g.quadIbo = buffer(GL_ELEMENT_ARRAY_BUFFER, quadIdx, sizeof(quadIdx));
    g.meshVbo = buffer(GL_ARRAY_BUFFER, s.meshVertices.data(), s.meshVertices.size() * sizeof(Vertex));
    g.meshIbo = buffer(GL_ELEMENT_ARRAY_BUFFER, s.meshIndices.data(), s.meshIndices.size() * 2);
    std::vector<uint32_t> texels(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) texels[y * 64 + x] = ((x ^ y) & 8) ? 0xFFFFFFFF : 0xFF336699;
    glGenTextures(1, &g.tex);
    glBindTexture(GL_TEXTURE_2D, g.tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenTextures(1, &g.color);
    glBindTexture(GL_TEXTURE_2D, g.color);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, kW, kH, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glGenTextures(1, &g.depth);
    glBindTexture(GL_TEXTURE_2D, g.depth);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH24_STENCIL8, kW, kH, 0, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, nullptr);
    glGenFramebuffers(1, &g.fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, g.fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, g.color, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, g.depth, 0);
    return g;
}

void BindReference(GlReference& g, GLuint vbo, GLuint ibo)
{
    glBindFramebuffer(GL_FRAMEBUFFER, g.fbo);
    glViewport(0, 0, kW, kH);
    glUseProgram(g.program);
    glBindVertexArray(g.vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(12));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(16));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, g.tex);
    glBindSampler(0, 0);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}

constexpr int kBatches = 256;

// Small indexed batches with a transform and a factor change between them.
void BM_D3D8_SmallBatches(benchmark::State& state)
{
    Scene& s = GetScene();
    s.dev->SetStreamSource(0, s.quadVb, sizeof(Vertex));
    s.dev->SetIndices(s.quadIb, 0);
    for (auto _ : state) {
        s.dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
        s.dev->BeginScene();
        for (int i = 0; i < kBatches; ++i) {
            D3DMATRIX w = Translate(-0.9f + 1.8f * (i % 16) / 16.f, -0.9f + 1.8f * (i / 16) / 16.f);
            s.dev->SetTransform(D3DTS_WORLD, &w);
            s.dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000u | (static_cast<DWORD>(i) * 0x010203u));
            s.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, (i & 1) ? TRUE : FALSE);
            s.dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
        }
        s.dev->EndScene();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kBatches);
    state.counters["draws/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kBatches), benchmark::Counter::kIsRate);
}

void BM_DirectGL_SmallBatches(benchmark::State& state)
{
    GlReference& g = GetReference();
    for (auto _ : state) {
        BindReference(g, g.quadVbo, g.quadIbo);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int i = 0; i < kBatches; ++i) {
            D3DMATRIX w = Translate(-0.9f + 1.8f * (i % 16) / 16.f, -0.9f + 1.8f * (i / 16) / 16.f);
            glUniformMatrix4fv(g.world, 1, GL_FALSE, &w.m[0][0]);
            DWORD c = static_cast<DWORD>(i) * 0x010203u;
            glUniform4f(g.factor, ((c >> 16) & 255) / 255.f, ((c >> 8) & 255) / 255.f, (c & 255) / 255.f, 1.f);
            if (i & 1) {
                glEnable(GL_BLEND);
                glBlendFunc(GL_ONE, GL_ZERO);
            } else {
                glDisable(GL_BLEND);
            }
            glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr);
        }
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kBatches);
    state.counters["draws/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kBatches), benchmark::Counter::kIsRate);
}

constexpr int kMeshDraws = 100;

// A 1,024-triangle textured mesh drawn 100 times per 800x600 frame.
void BM_D3D8_Mesh(benchmark::State& state)
{
    Scene& s = GetScene();
    s.dev->SetStreamSource(0, s.meshVb, sizeof(Vertex));
    s.dev->SetIndices(s.meshIb, 0);
    s.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    s.dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
    for (auto _ : state) {
        s.dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
        s.dev->BeginScene();
        for (int i = 0; i < kMeshDraws; ++i) {
            D3DMATRIX w = Translate(0.001f * i, 0);
            s.dev->SetTransform(D3DTS_WORLD, &w);
            s.dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, s.meshVertexCount, 0, s.meshTriangles);
        }
        s.dev->EndScene();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kMeshDraws);
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DirectGL_Mesh(benchmark::State& state)
{
    Scene& s = GetScene();
    GlReference& g = GetReference();
    for (auto _ : state) {
        BindReference(g, g.meshVbo, g.meshIbo);
        glUniform4f(g.factor, 1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int i = 0; i < kMeshDraws; ++i) {
            D3DMATRIX w = Translate(0.001f * i, 0);
            glUniformMatrix4fv(g.world, 1, GL_FALSE, &w.m[0][0]);
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(s.meshTriangles * 3), GL_UNSIGNED_SHORT, nullptr);
        }
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kMeshDraws);
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_D3D8_SmallBatches)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DirectGL_SmallBatches)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_D3D8_Mesh)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DirectGL_Mesh)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_D3D8_SmallBatches", "BM_DirectGL_SmallBatches"});
    table.compare.push_back({"BM_D3D8_Mesh", "BM_DirectGL_Mesh"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
