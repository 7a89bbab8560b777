#include "d3d8/draw_common.h"

#include <cstddef>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "d3d8/device.h"

namespace kestu::d3d8 {
namespace {

GLuint CompileStage(GLenum type, const std::string& src)
{
    GLuint s = glCreateShader(type);
    const char* text = src.c_str();
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(s, sizeof(log) - 1, nullptr, log);
        std::fprintf(stderr, "d3d8: shader compile failed: %s\n%s\n", log, text);
        glDeleteShader(s);
        return 0;
    }
    return s;
}

} // namespace

UINT PrimitiveVertexCount(D3DPRIMITIVETYPE type, UINT prims)
{
    switch (type) {
    case D3DPT_POINTLIST: return prims;
    case D3DPT_LINELIST: return prims * 2;
    case D3DPT_LINESTRIP: return prims + 1;
    case D3DPT_TRIANGLELIST: return prims * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return prims + 2;
    default: return 0;
    }
}

GLenum GlPrimitive(D3DPRIMITIVETYPE type)
{
    switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLE_FAN;
    }
}

float DwordToFloat(DWORD d)
{
    float f;
    std::memcpy(&f, &d, 4);
    return f;
}

uint32_t MaxIndex(const uint8_t* indices, UINT count, UINT indexSize)
{
    uint32_t maxIndex = 0;
    if (indexSize == 2) {
        for (UINT i = 0; i < count; ++i)
            maxIndex = std::max<uint32_t>(maxIndex, indices[i * 2] | (indices[i * 2 + 1] << 8));
    } else {
        for (UINT i = 0; i < count; ++i) {
            uint32_t v;
            std::memcpy(&v, indices + static_cast<size_t>(i) * 4, 4);
            maxIndex = std::max(maxIndex, v);
        }
    }
    return maxIndex;
}

GLuint LinkProgram(const std::string& vertex, const std::string& fragment)
{
    GLuint vs = CompileStage(GL_VERTEX_SHADER, vertex);
    GLuint fs = CompileStage(GL_FRAGMENT_SHADER, fragment);
    GLuint program = 0;
    if (vs && fs) {
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            char log[2048] = {};
            glGetProgramInfoLog(program, sizeof(log) - 1, nullptr, log);
            std::fprintf(stderr, "d3d8: program link failed: %s\n", log);
            glDeleteProgram(program);
            program = 0;
        }
    }
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return program;
}

void BindProgramSlots(GLuint program)
{
    GLuint block = glGetUniformBlockIndex(program, "World");
    if (block != GL_INVALID_INDEX) glUniformBlockBinding(program, block, 1);
    glUseProgram(program);
    for (int i = 0; i < 8; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "s%d", i);
        GLint loc = glGetUniformLocation(program, name);
        if (loc >= 0) glUniform1i(loc, i);
    }
}

void FindFfpConstants(Program& p)
{
    p.constants = glGetUniformLocation(p.program, "ffp");
    // -1 when the program reads none of these rows.
    const std::string rows = "ffp[" + std::to_string(offsetof(FfpUniforms, globalAmbient) / 16) + "]";
    p.renderConstants = glGetUniformLocation(p.program, rows.c_str());
    p.pixelConstants = glGetUniformLocation(p.program, "ffpPixel");
}

} // namespace kestu::d3d8
