#include "kestu_sysversion.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <ddraw.h>

namespace {

// The DirectMusic class the probe creates through COM.
DEFINE_GUID(CLSID_DirectMusic, 0x636B9F10, 0x0C7D, 0x11D1, 0x95, 0xB2, 0x00, 0x20, 0xAF, 0xDC, 0x74, 0x21);
DEFINE_GUID(IID_IDirectMusic, 0x6536115A, 0x7B2D, 0x11D2, 0xBA, 0x18, 0x00, 0x00, 0xF8, 0x75, 0xAC, 0x12);

DWORD Major(const _OS_VERSION_INFO* i) { return i->osvi.dwMajorVersion; }
DWORD Minor(const _OS_VERSION_INFO* i) { return i->osvi.dwMinorVersion; }

void CopyBounded(char* text, DWORD size, const std::string& s)
{
    if (!text || size == 0) return;
    const size_t n = s.size() < size - 1 ? s.size() : size - 1;
    s.copy(text, n);
    text[n] = '\0';
}

void Damaged()
{
    MessageBoxA(nullptr, "Your DirectX run-time is damaged!", "Your DirectX run-time is damaged!", MB_ICONERROR);
}

typedef HRESULT (*DirectDrawCreateFn)(GUID*, LPDIRECTDRAW*, IUnknown*);
typedef HRESULT (*DirectDrawCreateExFn)(GUID*, LPVOID*, REFIID, IUnknown*);

// GetProcAddress hands back a generic function pointer; going through
// void(*)() is the conversion the compiler accepts without complaint.
template <typename T>
T ProcAs(FARPROC proc)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(proc));
}

template <typename T>
void SafeRelease(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

} // namespace

BOOL IsEmulatedWindows95(const _OS_VERSION_INFO* i) { return Major(i) == 4 && Minor(i) == 0; }
BOOL IsEmulatedWindows98(const _OS_VERSION_INFO* i) { return Major(i) == 4 && Minor(i) == 10; }
BOOL IsEmulatedWindowsME(const _OS_VERSION_INFO* i) { return Major(i) > 4 || (Major(i) == 4 && Minor(i) >= 90); }
BOOL IsEmulatedWindows2000(const _OS_VERSION_INFO* i) { return Major(i) == 5 && Minor(i) == 0; }
BOOL IsEmulatedWindowsWhistler(const _OS_VERSION_INFO* i) { return Major(i) == 5 && Minor(i) == 1; }
BOOL IsUnderlyingWindows95(const _OS_VERSION_INFO* i)
{
    return i->dwUnderlyingMajorVersion == 4 && i->dwUnderlyingMinorVersion == 0;
}
BOOL IsUnderlyingWindows98(const _OS_VERSION_INFO* i)
{
    return i->dwUnderlyingMajorVersion > 4 || (i->dwUnderlyingMajorVersion == 4 && i->dwUnderlyingMinorVersion >= 10);
}

BOOL DisplaySystemVersion(char* text, DWORD size)
{
    OSVERSIONINFOEXA osvi = {};
    osvi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&osvi))) {
        osvi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&osvi))) {
            CopyBounded(text, size, "Unknow System");
            return 0;
        }
    }
    std::string out;
    const std::string sp(osvi.szCSDVersion, strnlen(osvi.szCSDVersion, sizeof(osvi.szCSDVersion)));
    switch (osvi.dwPlatformId) {
    case VER_PLATFORM_WIN32s: out += "Microsoft Win32s "; break;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (osvi.dwMajorVersion == 4) {
            if (osvi.dwMinorVersion == 0) {
                out += "Microsoft Windows 95 ";
                if (!sp.empty() && sp[0] == 'C') out += "OSR2 ";
            } else if (osvi.dwMinorVersion == 10) {
                out += "Microsoft Windows 98 ";
                if (!sp.empty() && sp[0] == 'A') out += "SE ";
            } else if (osvi.dwMinorVersion == 90) {
                out += "Microsoft Windows Me ";
            }
        }
        break;
    case VER_PLATFORM_WIN32_NT: {
        if (osvi.dwMajorVersion < 5)
            out += "Microsoft Windows NT ";
        else if (osvi.dwMajorVersion == 5 && osvi.dwMinorVersion == 0)
            out += "Microsoft Windows 2000 ";
        else if (osvi.dwMajorVersion == 5 && osvi.dwMinorVersion == 1)
            out += "Whistler ";
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_QUERY_VALUE,
                          &key) == ERROR_SUCCESS) {
            char product[80] = {};
            DWORD len = sizeof(product) - 1;
            if (RegQueryValueExA(key, "ProductType", nullptr, nullptr, reinterpret_cast<LPBYTE>(product), &len) ==
                ERROR_SUCCESS) {
                if (lstrcmpiA(product, "WINNT") == 0)
                    out += "Workstation ";
                else if (lstrcmpiA(product, "SERVERNT") == 0)
                    out += "Server ";
            }
            RegCloseKey(key);
        }
        char line[256];
        if (osvi.dwMajorVersion < 5)
            std::snprintf(line, sizeof line, "version %d.%d %s (Build %d)\n", int(osvi.dwMajorVersion),
                          int(osvi.dwMinorVersion), sp.c_str(), int(osvi.dwBuildNumber & 0xFFFF));
        else
            std::snprintf(line, sizeof line, "%s (Build %d)\n", sp.c_str(), int(osvi.dwBuildNumber & 0xFFFF));
        out += line;
        break;
    }
    default: break;
    }
    CopyBounded(text, size, out);
    return 1;
}

DWORD GetDXVersion()
{
    HMODULE ddrawDll = LoadLibraryA("DDRAW.DLL");
    if (!ddrawDll) {
        OutputDebugStringA("Couldn't LoadLibrary DDraw\r\n");
        Damaged();
        return 0;
    }
    DWORD version = 0;
    LPDIRECTDRAW dd = nullptr;
    LPDIRECTDRAW2 dd2 = nullptr;
    LPDIRECTDRAWSURFACE surface = nullptr;
    IUnknown* surface3 = nullptr;
    IUnknown* surface4 = nullptr;
    IUnknown* ddraw7 = nullptr;

    // Each step either fails with its message and the version reached so far,
    // or raises the version and goes on.
    [&]() {
        auto create = ProcAs<DirectDrawCreateFn>(GetProcAddress(ddrawDll, "DirectDrawCreate"));
        if (!create) {
            OutputDebugStringA("Couldn't GetProcAddress DirectDrawCreate\r\n");
            Damaged();
            return;
        }
        if (FAILED(create(nullptr, &dd, nullptr))) {
            OutputDebugStringA("Couldn't create DDraw\r\n");
            Damaged();
            return;
        }
        version = 0x100;
        if (FAILED(dd->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)))) {
            OutputDebugStringA("Couldn't QI DDraw2\r\n");
            return;
        }
        version = 0x200;
        HMODULE dinput = LoadLibraryA("DINPUT.DLL");
        if (!dinput) {
            OutputDebugStringA("Couldn't LoadLibrary DInput\r\n");
            return;
        }
        FARPROC dinputCreate = GetProcAddress(dinput, "DirectInputCreateA");
        FreeLibrary(dinput);
        if (!dinputCreate) {
            OutputDebugStringA("Couldn't GetProcAddress DInputCreate\r\n");
            return;
        }
        version = 0x300;
        if (FAILED(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL))) {
            OutputDebugStringA("Couldn't Set coop level\r\n");
            Damaged();
            version = 0;
            return;
        }
        DDSURFACEDESC desc = {};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if (FAILED(dd->CreateSurface(&desc, &surface, nullptr))) {
            OutputDebugStringA("Couldn't CreateSurface\r\n");
            Damaged();
            version = 0;
            return;
        }
        if (FAILED(surface->QueryInterface(IID_IDirectDrawSurface3, reinterpret_cast<void**>(&surface3)))) {
            OutputDebugStringA("Couldn't QI DDS3\r\n");
            return;
        }
        version = 0x500;
        if (FAILED(surface->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&surface4)))) {
            OutputDebugStringA("Couldn't QI DDS4\r\n");
            return;
        }
        version = 0x600;
        CoInitialize(nullptr);
        IUnknown* music = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_DirectMusic, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectMusic,
                                      reinterpret_cast<void**>(&music));
        if (FAILED(hr) || !music) {
            OutputDebugStringA("Couldn't create CLSID_DirectMusic\r\n");
            CoUninitialize();
            return;
        }
        music->Release();
        CoUninitialize();
        version = 0x601;
        auto createEx = ProcAs<DirectDrawCreateExFn>(GetProcAddress(ddrawDll, "DirectDrawCreateEx"));
        if (!createEx) {
            OutputDebugStringA("Couldn't GetProcAddress DirectDrawCreateEx\r\n");
            return;
        }
        if (FAILED(createEx(nullptr, reinterpret_cast<void**>(&ddraw7), IID_IDirectDraw7, nullptr))) {
            OutputDebugStringA("Couldn't DirectDrawCreateEx\r\n");
            return;
        }
        version = 0x700;
        HMODULE d3d9 = LoadLibraryA("d3d9.DLL");
        if (!d3d9) {
            OutputDebugStringA("Couldn't LoadLibrary d3d9.DLL\r\n");
            return;
        }
        FreeLibrary(d3d9);
        version = 0x800;
        HMODULE dpnhpast = LoadLibraryA("dpnhpast.dll");
        if (!dpnhpast) {
            OutputDebugStringA("Couldn't LoadLibrary dpnhpast.dll\r\n");
            return;
        }
        FreeLibrary(dpnhpast);
        version = 0x801;
    }();

    SafeRelease(ddraw7);
    SafeRelease(surface4);
    SafeRelease(surface3);
    SafeRelease(surface);
    SafeRelease(dd2);
    SafeRelease(dd);
    FreeLibrary(ddrawDll);
    return version;
}
