// Helpers for the shader tests: assembling text, drawing a full-target quad
// through a vertex shader, creating shaders that must succeed.
#pragma once
#include <string>
#include <vector>

#include "d3d8_fixture.h"

namespace shadertest {

// Assembled tokens of shader text; empty (with a test failure) when the text
// does not assemble. A vertex shader's def constants come as declaration
// tokens in `constants`.
std::vector<DWORD> Assemble(const std::string& text, std::vector<DWORD>* constants = nullptr);

class ShaderTest : public d3d8test::DeviceTest {
protected:
    void TearDown() override;
    // The shader's def constants join the declaration.
    DWORD CreateVs(const std::vector<DWORD>& decl, const std::string& text);
    DWORD CreatePs(const std::string& text);
    // A quad covering the target; each vertex has v0 = clip position (w = 1)
    // and v7 = (u, v) running 0..1 across the target.
    void DrawClipQuad();
    void SetConstant(DWORD reg, float x, float y, float z, float w) const;
    void SetPsConstant(DWORD reg, float x, float y, float z, float w) const;

    std::vector<DWORD> vertexShaders, pixelShaders;
};

// Stream 0: FLOAT3 position in v0, FLOAT2 coordinate in v7.
std::vector<DWORD> QuadDeclaration();
D3DCOLOR Rgba(float r, float g, float b, float a);

} // namespace shadertest
