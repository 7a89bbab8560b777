// The texts of the skinning shaders (vs.1.1 and ps.1.1) and the vertex
// declarations that feed them: stream 0 is the mesh's own vertex layout,
// stream 1 the weights, stream 2 the palette offsets.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "kestu_meshdatamng.h"

namespace Kestu::skinning {

std::string VertexShaderText(ESkinShader which);
// 0 for the directional-light pixel shader, 1 for the one with point lights.
std::string PixelShaderText(int which);
// The declaration for a stream-0 vertex format, four or eight bones a vertex.
std::vector<DWORD> Declaration(DWORD fvf, bool eightBones);
inline bool IsEightBoneShader(ESkinShader which) { return (static_cast<int>(which) & 1) != 0; }

} // namespace Kestu::skinning
