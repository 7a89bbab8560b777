// The process's EGL context.
#include "d3d8/gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <dlfcn.h>
#include <link.h>
#include <malloc.h>

#include <cstring>
#include <set>

#include "d3d8/gl.h"

namespace kestu::d3d8 {
namespace {

struct Context {
    int users = 0;
    bool tried = false;
    bool ok = false;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GlInfo info;
    std::vector<std::string> devices;
};

Context& Ctx()
{
    static Context c;
    return c;
}

std::set<std::string> LoadedModules()
{
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            if (info->dlpi_name && info->dlpi_name[0])
                static_cast<std::set<std::string>*>(out)->insert(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

// The driver modules that the display loads stay loaded after it is torn
// down: a new context does not load them again, and what they registered to
// run at exit, and their allocations' call stacks, still have their code.
void KeepLoaded(const std::set<std::string>& before)
{
    for (const std::string& name : LoadedModules())
        if (!before.count(name)) dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

void Create(Context& c)
{
    // The software rasteriser allocates and frees large vertex and scene
    // blocks on every state change and every frame. Setting any of these
    // turns off glibc's adaptive thresholds, so all three are set: blocks
    // below 32 MB come from the heap, and up to 64 MB of freed heap is kept,
    // instead of pages being mapped, faulted in and returned each time, which
    // costs more than the draw itself.
    mallopt(M_TOP_PAD, 4 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay) c.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (c.display == EGL_NO_DISPLAY) c.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (c.display == EGL_NO_DISPLAY) return;
    EGLint major = 0, minor = 0;
    const std::set<std::string> before = LoadedModules();
    const bool initialised = eglInitialize(c.display, &major, &minor);
    KeepLoaded(before);
    if (!initialised) return;
    if (!eglBindAPI(EGL_OPENGL_API)) return;
    const EGLint attribs[] = {
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    c.context = eglCreateContext(c.display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attribs);
    if (c.context == EGL_NO_CONTEXT) return;
    if (!eglMakeCurrent(c.display, EGL_NO_SURFACE, EGL_NO_SURFACE, c.context)) return;
    auto str = [](GLenum e) {
        const GLubyte* s = glGetString(e);
        return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
    };
    c.info.renderer = str(GL_RENDERER);
    c.info.vendor = str(GL_VENDOR);
    c.info.version = str(GL_VERSION);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &c.info.maxTextureSize);
    glGetIntegerv(GL_MAX_UNIFORM_BLOCK_SIZE, &c.info.maxUniformBlockSize);
    GLint n = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &n);
    for (GLint i = 0; i < n; ++i) {
        const char* e = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
        if (e &&
            (!std::strcmp(e, "GL_ARB_texture_mirror_clamp_to_edge") || !std::strcmp(e, "GL_EXT_texture_mirror_clamp")))
            c.info.mirrorClampToEdge = true;
    }
    c.devices.push_back(c.info.renderer.empty() ? std::string("EGL device") : c.info.renderer);
    c.ok = true;
}

void Destroy(Context& c)
{
    if (c.display != EGL_NO_DISPLAY) {
        eglMakeCurrent(c.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (c.context != EGL_NO_CONTEXT) eglDestroyContext(c.display, c.context);
        eglTerminate(c.display);
    }
    eglReleaseThread();
    c.tried = false;
    c.ok = false;
    c.display = EGL_NO_DISPLAY;
    c.context = EGL_NO_CONTEXT;
    c.info = GlInfo{};
    c.devices.clear();
}

} // namespace

void GlRetain() { ++Ctx().users; }

void GlRelease()
{
    Context& c = Ctx();
    if (c.users > 0 && --c.users == 0 && c.tried) Destroy(c);
}

bool GlMakeCurrent()
{
    Context& c = Ctx();
    if (!c.tried) {
        c.tried = true;
        Create(c);
        return c.ok;
    }
    if (!c.ok) return false;
    if (eglGetCurrentContext() != c.context)
        return eglMakeCurrent(c.display, EGL_NO_SURFACE, EGL_NO_SURFACE, c.context) == EGL_TRUE;
    return true;
}

const GlInfo& GlInformation()
{
    if (!Ctx().tried) GlMakeCurrent();
    return Ctx().info;
}

std::vector<std::string> GlDeviceNames()
{
    GlMakeCurrent();
    return Ctx().devices;
}

} // namespace kestu::d3d8
