// Steps shared by the fixed-function and the shader draw paths.
#pragma once
#include <cstdint>
#include <string>

#include "d3d8types.h"
#include "d3d8/gl.h"

namespace kestu::d3d8 {

// Vertices a draw of `prims` primitives reads; 0 for an unknown type.
UINT PrimitiveVertexCount(D3DPRIMITIVETYPE type, UINT prims);
GLenum GlPrimitive(D3DPRIMITIVETYPE type);
// The float whose bits a render or stage state holds.
float DwordToFloat(DWORD d);
// Largest of `count` little-endian indices of `indexSize` (2 or 4) bytes.
uint32_t MaxIndex(const uint8_t* indices, UINT count, UINT indexSize);
// Compiles and links both stages; 0 (with the log on stderr) on failure.
GLuint LinkProgram(const std::string& vertex, const std::string& fragment);
// Binds the world-matrix block and sampler sN to unit N; leaves the program in use.
void BindProgramSlots(GLuint program);
struct Program;
// Finds the fixed-function constants ("ffp") of a linked program.
void FindFfpConstants(Program& p);

} // namespace kestu::d3d8
