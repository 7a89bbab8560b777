// The process's EGL context (surfaceless, OpenGL 3.3 core). All devices draw
// through it into framebuffer objects.
#pragma once
#include <string>
#include <vector>

namespace kestu::d3d8 {

struct GlInfo {
    std::string renderer;
    std::string vendor;
    std::string version;
    int maxTextureSize = 0;
    int maxUniformBlockSize = 0;
    bool mirrorClampToEdge = false;
};

// Creates the context on first use and makes it current; false when no EGL
// device can give one.
bool GlMakeCurrent();
const GlInfo& GlInformation();
// Names of the EGL devices (at least one when a context exists).
std::vector<std::string> GlDeviceNames();

} // namespace kestu::d3d8
