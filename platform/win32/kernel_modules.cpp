// Modules and raw-data resources over what the host registers. Built-in
// modules (the system libraries the engine names) resolve procedure names
// among the platform's own functions.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/host_win32.h"
#include "win32/kernel_exports.h"
#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

// A resource name or type: an integer id or a string (compared without case).
struct ResourceKey {
    bool isId = false;
    WORD id = 0;
    std::string text;

    static ResourceKey From(LPCSTR v)
    {
        ResourceKey k;
        if (IS_INTRESOURCE(v)) {
            k.isId = true;
            k.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(v));
            return k;
        }
        // "#123" names the integer id 123.
        if (v[0] == '#' && v[1] != '\0') {
            unsigned value = 0;
            bool digits = true;
            for (const char* p = v + 1; *p; ++p) {
                if (*p < '0' || *p > '9' || value > 0xFFFF) {
                    digits = false;
                    break;
                }
                value = value * 10 + static_cast<unsigned>(*p - '0');
            }
            if (digits && value <= 0xFFFF) {
                k.isId = true;
                k.id = static_cast<WORD>(value);
                return k;
            }
        }
        k.text = LowerAscii(v);
        return k;
    }
    bool operator==(const ResourceKey& o) const { return isId == o.isId && (isId ? id == o.id : text == o.text); }
};

struct Resource {
    ResourceKey type;
    ResourceKey name;
    std::unique_ptr<uint8_t[]> bytes; // never empty, so the address is always valid
    DWORD size = 0;
};

struct Module {
    std::string name; // as registered
    std::string key;  // normalised for lookup
    HMODULE handle = nullptr;
    bool builtin = false;
    int loads = 0; // LoadLibraryA count; loaded while above zero
    bool pinned = false;
    std::vector<std::unique_ptr<Resource>> resources;
    std::map<std::string, FARPROC> procs;
    bool Loaded() const { return pinned || loads > 0; }
};

struct ModuleState {
    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<Module>> modules;
    uintptr_t nextBase = 0x10000000;
};

ModuleState& Modules()
{
    static ModuleState state;
    return state;
}

constexpr uintptr_t kMainBase = 0x00400000;

// Lower case, '/' separators, ".dll" added to a last component without a dot.
std::string Normalise(const std::string& name)
{
    std::string s = LowerAscii(HostPath(name.c_str()));
    size_t slash = s.rfind('/');
    std::string last = slash == std::string::npos ? s : s.substr(slash + 1);
    if (!last.empty() && last.find('.') == std::string::npos) s += ".dll";
    return s;
}

std::string LastComponent(const std::string& s)
{
    size_t slash = s.rfind('/');
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

Module* Add(const std::string& name, bool builtin, bool pinned)
{
    ModuleState& st = Modules();
    auto m = std::make_unique<Module>();
    m->name = name;
    m->key = name.empty() ? std::string() : Normalise(name);
    m->builtin = builtin;
    m->pinned = pinned;
    if (name.empty()) {
        m->handle = reinterpret_cast<HMODULE>(kMainBase);
    } else {
        m->handle = reinterpret_cast<HMODULE>(st.nextBase);
        st.nextBase += 0x10000;
    }
    st.modules.push_back(std::move(m));
    return st.modules.back().get();
}

void InstallDefaults()
{
    ModuleState& st = Modules();
    st.modules.clear();
    Add("", false, true); // the executable
    for (const char* n : {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll"}) Add(n, true, true);
    for (const char* n : {"winmm.dll", "ole32.dll", "d3d8.dll", "ddraw.dll"}) Add(n, true, false);
}

ModuleState& State()
{
    ModuleState& st = Modules();
    if (st.modules.empty()) InstallDefaults();
    return st;
}

Module* ByName(const std::string& name)
{
    ModuleState& st = State();
    std::string key = name.empty() ? std::string() : Normalise(name);
    for (auto& m : st.modules)
        if (m->key == key) return m.get();
    if (key.empty()) return nullptr;
    std::string last = LastComponent(key);
    for (auto& m : st.modules)
        if (!m->key.empty() && LastComponent(m->key) == last) return m.get();
    return nullptr;
}

Module* ByHandle(HMODULE h)
{
    ModuleState& st = State();
    if (h == nullptr) h = reinterpret_cast<HMODULE>(kMainBase);
    for (auto& m : st.modules)
        if (m->handle == h) return m->Loaded() ? m.get() : nullptr;
    return nullptr;
}

Module* OwnerOf(HRSRC r, Module** owner)
{
    for (auto& m : State().modules)
        for (auto& res : m->resources)
            if (reinterpret_cast<HRSRC>(res.get()) == r) {
                *owner = m.get();
                return m.get();
            }
    return nullptr;
}

Module* ForRegistration(const std::string& name)
{
    Module* m = ByName(name);
    if (m == nullptr || (!name.empty() && m->key != Normalise(name))) m = Add(name, false, false);
    return m;
}

} // namespace

namespace kestu::platform::win32 {

std::string ModuleFileName(HMODULE module, bool* found)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* m = ByHandle(module);
    *found = m != nullptr;
    return m ? m->name : std::string();
}

void ResetModules()
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    InstallDefaults();
}

} // namespace kestu::platform::win32

extern "C" {

HMODULE LoadLibraryA(LPCSTR fileName)
{
    if (fileName == nullptr || fileName[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* m = ByName(fileName);
    if (m == nullptr || m->key.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    m->loads++;
    return m->handle;
}

BOOL FreeLibrary(HMODULE module)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* m = ByHandle(module);
    if (m == nullptr || module == nullptr || m->loads <= 0) {
        // Pinned modules stay; freeing one that was never loaded is refused.
        if (m != nullptr && m->pinned) return TRUE;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    m->loads--;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    if (moduleName == nullptr) return reinterpret_cast<HMODULE>(kMainBase);
    Module* m = ByName(moduleName);
    if (m == nullptr || !m->Loaded()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return m->handle;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* m = ByHandle(module);
    if (m == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (procName == nullptr || IS_INTRESOURCE(procName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    auto it = m->procs.find(procName);
    if (it != m->procs.end()) return it->second;
    if (m->builtin)
        if (FARPROC f = FindBuiltinExport(procName)) return f;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    if (name == nullptr || type == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* m = ByHandle(module);
    if (m == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    ResourceKey t = ResourceKey::From(type), n = ResourceKey::From(name);
    bool typeSeen = false;
    for (auto& r : m->resources) {
        if (!(r->type == t)) continue;
        typeSeen = true;
        if (r->name == n) return reinterpret_cast<HRSRC>(r.get());
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* owner = nullptr;
    if (resource == nullptr || OwnerOf(resource, &owner) == nullptr || !owner->Loaded() ||
        (module != nullptr && owner->handle != module)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<Resource*>(resource)->bytes.get();
}

LPVOID LockResource(HGLOBAL resourceData) { return resourceData; }

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* owner = nullptr;
    if (resource == nullptr || OwnerOf(resource, &owner) == nullptr || !owner->Loaded() ||
        (module != nullptr && owner->handle != module)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    return reinterpret_cast<Resource*>(resource)->size;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

} // extern "C"

namespace host {

void RegisterModule(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    ForRegistration(name);
}

void RegisterResource(const std::string& module, LPCSTR type, LPCSTR name, const std::vector<uint8_t>& bytes)
{
    if (type == nullptr || name == nullptr) return;
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    Module* m = ForRegistration(module);
    auto r = std::make_unique<Resource>();
    r->type = ResourceKey::From(type);
    r->name = ResourceKey::From(name);
    r->size = static_cast<DWORD>(bytes.size());
    r->bytes = std::make_unique<uint8_t[]>(bytes.size() + 1);
    std::copy(bytes.begin(), bytes.end(), r->bytes.get());
    // A new registration replaces an older one of the same type and name.
    std::erase_if(m->resources,
                  [&](const std::unique_ptr<Resource>& o) { return o->type == r->type && o->name == r->name; });
    m->resources.push_back(std::move(r));
}

void RegisterProc(const std::string& module, const std::string& procName, FARPROC proc)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    ForRegistration(module)->procs[procName] = proc;
}

void UnregisterModule(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(Modules().mutex);
    ModuleState& st = State();
    std::string key = Normalise(name);
    std::erase_if(st.modules, [&](const std::unique_ptr<Module>& m) { return !m->key.empty() && m->key == key; });
}

} // namespace host
