// The shader texts of the shader water and of its bump-texture passes, and
// the vertex declarations they are created with.
#pragma once
#include <windows.h>

namespace Kestu::WaterShaderTexts {

struct Text {
    const char* text;
    UINT length; // without the terminating zero
};

// The four cosine-wave passes: sixteen waves, four per pass.
extern const Text kCosineVS;
extern const Text kCosinePS;
// The noise pass: two scrolling samples of the noise map.
extern const Text kNoiseVS;
extern const Text kNoisePS;
// The water surface.
extern const Text kWaterVS;
extern const Text kWaterPS;

// Position in v0, texture coordinate in v7.
extern const DWORD kTexPassDeclaration[];
// Position in v0, normal in v3, diffuse in v5, texture coordinate in v7.
extern const DWORD kWaterDeclaration[];

} // namespace Kestu::WaterShaderTexts
