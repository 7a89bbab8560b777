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
// Every Direct3D object holds the context while it lives. When the last one
// goes, the context and its display are torn down, which joins the driver's
// worker threads: a process that has released Direct3D runs no driver code
// at exit, and a later Direct3D object makes a new context.
void GlRetain();
void GlRelease();
const GlInfo& GlInformation();
// Names of the EGL devices (at least one when a context exists).
std::vector<std::string> GlDeviceNames();

} // namespace kestu::d3d8
