// Registry reads over values the host sets. Key paths compare without
// regard to case; a key exists when a value lives in it or below it.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/host_win32.h"
#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

struct Value {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

struct RegistryState {
    std::mutex mutex;
    std::map<std::string, std::map<std::string, Value>> keys; // lower-case path -> lower-case name -> value
    std::map<HKEY, std::string> open;
    uintptr_t next = 0x2000;
};

RegistryState& Registry()
{
    static RegistryState state;
    return state;
}

const char* RootName(HKEY root)
{
    auto v = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(root));
    if ((reinterpret_cast<ULONG_PTR>(root) >> 32) != 0 && (reinterpret_cast<ULONG_PTR>(root) >> 32) != 0xFFFFFFFFu)
        return nullptr;
    switch (v) {
    case 0x80000000u: return "hkey_classes_root";
    case 0x80000001u: return "hkey_current_user";
    case 0x80000002u: return "hkey_local_machine";
    case 0x80000003u: return "hkey_users";
    case 0x80000005u: return "hkey_current_config";
    default: return nullptr;
    }
}

// Joins a base path and a sub-key into one lower-case path with single '\'.
std::string Join(const std::string& base, const std::string& sub)
{
    std::string out = base;
    std::string part;
    auto flush = [&] {
        if (!part.empty()) out += "\\" + LowerAscii(part);
        part.clear();
    };
    for (char c : sub) {
        if (c == '\\' || c == '/')
            flush();
        else
            part += c;
    }
    flush();
    return out;
}

// The path of a predefined or opened key; false when the handle is neither.
bool PathOf(RegistryState& r, HKEY key, std::string* path)
{
    if (const char* root = RootName(key)) {
        *path = root;
        return true;
    }
    auto it = r.open.find(key);
    if (it == r.open.end()) return false;
    *path = it->second;
    return true;
}

bool KeyExists(RegistryState& r, const std::string& path)
{
    if (path.find('\\') == std::string::npos) return true; // a root
    auto it = r.keys.lower_bound(path);
    if (it == r.keys.end()) return false;
    return it->first == path || it->first.compare(0, path.size() + 1, path + "\\") == 0;
}

void InstallDefaults(RegistryState& r)
{
    r.keys.clear();
    const char type[] = "WinNT";
    Value v;
    v.type = REG_SZ;
    v.data.assign(type, type + sizeof(type));
    r.keys[Join("hkey_local_machine", "SYSTEM\\CurrentControlSet\\Control\\ProductOptions")]["producttype"] = v;
}

std::string RootPath(HKEY root, const std::string& subKey)
{
    const char* name = RootName(root);
    return name ? Join(name, subKey) : std::string();
}

bool g_installed = false;

RegistryState& State()
{
    RegistryState& r = Registry();
    if (!g_installed) {
        InstallDefaults(r);
        g_installed = true;
    }
    return r;
}

} // namespace

extern "C" {

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(Registry().mutex);
    RegistryState& r = State();
    std::string base;
    if (!PathOf(r, key, &base)) return ERROR_INVALID_HANDLE;
    std::string path = Join(base, subKey ? subKey : "");
    if (!KeyExists(r, path)) return ERROR_FILE_NOT_FOUND;
    HKEY h = reinterpret_cast<HKEY>(r.next);
    r.next += 4;
    r.open[h] = path;
    *result = h;
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return RegOpenKeyExA(key, subKey, 0, KEY_ALL_ACCESS, result);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(Registry().mutex);
    RegistryState& r = State();
    std::string path;
    if (!PathOf(r, key, &path)) return ERROR_INVALID_HANDLE;
    auto k = r.keys.find(path);
    if (k == r.keys.end()) return ERROR_FILE_NOT_FOUND;
    auto v = k->second.find(LowerAscii(valueName ? valueName : ""));
    if (v == k->second.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = v->second;
    DWORD size = static_cast<DWORD>(value.data.size());
    if (type) *type = value.type;
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::copy(value.data.begin(), value.data.end(), data);
    }
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (RootName(key) != nullptr) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(Registry().mutex);
    return Registry().open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // extern "C"

namespace host {

void SetRegistryValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                      const std::vector<uint8_t>& data)
{
    std::string path = RootPath(root, subKey);
    if (path.empty()) return;
    std::lock_guard<std::mutex> lock(Registry().mutex);
    Value v;
    v.type = type;
    v.data = data;
    State().keys[path][LowerAscii(name)] = v;
}

void SetRegistryString(HKEY root, const std::string& subKey, const std::string& name, const std::string& value)
{
    std::vector<uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    SetRegistryValue(root, subKey, name, REG_SZ, data);
}

void SetRegistryDword(HKEY root, const std::string& subKey, const std::string& name, DWORD value)
{
    std::vector<uint8_t> data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    SetRegistryValue(root, subKey, name, REG_DWORD, data);
}

void DeleteRegistryValue(HKEY root, const std::string& subKey, const std::string& name)
{
    std::string path = RootPath(root, subKey);
    std::lock_guard<std::mutex> lock(Registry().mutex);
    RegistryState& r = State();
    auto k = r.keys.find(path);
    if (k == r.keys.end()) return;
    k->second.erase(LowerAscii(name));
    if (k->second.empty()) r.keys.erase(k);
}

void ClearRegistry()
{
    std::lock_guard<std::mutex> lock(Registry().mutex);
    State().keys.clear();
}

} // namespace host

namespace kestu::platform::win32 {

void ResetRegistry()
{
    std::lock_guard<std::mutex> lock(Registry().mutex);
    RegistryState& r = Registry();
    InstallDefaults(r);
    g_installed = true;
    r.open.clear();
}

} // namespace kestu::platform::win32
