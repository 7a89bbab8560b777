// The device's shader objects and the programs linked from them.
#pragma once
#include <array>
#include <map>
#include <unordered_map>
#include <vector>

#include "d3d8/device.h"
#include "d3d8/shader_translate.h"

namespace kestu::d3d8 {

struct VertexShaderObject {
    VertexDeclaration declaration;
    bool hasFunction = false;
    TranslatedShader code;
};

struct PixelShaderObject {
    TranslatedShader code;
};

struct ShaderProgramKey {
    DWORD vertexShader = 0; // handle, or the FVF when processing is fixed-function
    DWORD pixelShader = 0;
    FfpKey ffp;             // the fixed-function half's state
    uint32_t projected = 0; // stages whose pixel shader texture reads divide by w

    bool operator==(const ShaderProgramKey& o) const
    {
        return vertexShader == o.vertexShader && pixelShader == o.pixelShader && projected == o.projected &&
               ffp == o.ffp;
    }
};

struct ShaderProgramKeyHash {
    size_t operator()(const ShaderProgramKey& k) const
    {
        return FfpKeyHash()(k.ffp) ^ (static_cast<size_t>(k.vertexShader) * 0x9E3779B97F4A7C15ull) ^
               (static_cast<size_t>(k.pixelShader) << 1) ^ (static_cast<size_t>(k.projected) << 40);
    }
};

struct ShaderProgram {
    Program base;
    GLint vsConstants = -1, psConstants = -1, bumpMatrix = -1, bumpLuminance = -1, clipPlanes = -1;
    // What the program's constant arrays hold, to skip unchanged uploads.
    std::vector<std::array<float, 4>> vsLoaded;
    std::array<std::array<float, 4>, kPixelShaderConstants> psLoaded{};
    bool psValid = false;
};

struct ShaderState {
    ~ShaderState();
    std::map<DWORD, VertexShaderObject> vertexShaders;
    std::map<DWORD, PixelShaderObject> pixelShaders;
    DWORD nextVertexHandle = 0x10001; // odd: never an FVF code
    DWORD nextPixelHandle = 1;
    std::unordered_map<ShaderProgramKey, ShaderProgram, ShaderProgramKeyHash> programs;
    // The draw count after this path's last draw and the stages it sampled.
    uint64_t samplerDraw = ~uint64_t(0);
    uint32_t samplerStages = 0;

    // Drops the programs linked with a deleted shader.
    void Forget(bool vertex, DWORD handle);
};

} // namespace kestu::d3d8
