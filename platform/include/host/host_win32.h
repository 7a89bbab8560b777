// Host control of the win32 stand-in: window pixels, captured debug output
// and message boxes, registry values, modules and their resources, the
// version record, COM classes, clock, cursor and screen size.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kestu_platform_api.h"
#include "windows.h"

namespace host {

// Restores every default of the stand-in: destroys all windows and classes,
// empties the message queue, the captures, the registry, the modules and
// COM classes the host added, and the overrides below; the calling thread's
// rand() starts again from seed 1.
KESTU_PLATFORM_API void ResetWin32();

// ---- Window pixels ----
struct WindowPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // X8R8G8B8, top-down, pitch = width
};
// False when the handle is not a window.
KESTU_PLATFORM_API bool ReadWindowPixels(HWND hwnd, WindowPixels* out);
// Saves the window's pixels as an 8-bit RGB PNG; false on any failure.
KESTU_PLATFORM_API bool SaveWindowPng(HWND hwnd, const std::string& path);
// Saves any X8R8G8B8 pixels as PNG (used for failing rendering tests too).
KESTU_PLATFORM_API bool SavePixelsPng(const WindowPixels& pixels, const std::string& path);
// Every live window, in creation order.
KESTU_PLATFORM_API std::vector<HWND> ListWindows();

// ---- Debug output ----
KESTU_PLATFORM_API std::vector<std::string> GetDebugOutput(); // one entry per OutputDebugStringA call
KESTU_PLATFORM_API std::string GetDebugOutputText();          // all entries joined
KESTU_PLATFORM_API void ClearDebugOutput();

// ---- Message boxes and beeps ----
struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;
    std::string caption; // "Error" when the caller passed none
    UINT type = 0;
    int answer = 0; // what MessageBoxA returned
};
KESTU_PLATFORM_API std::vector<MessageBoxRecord> GetMessageBoxes();
KESTU_PLATFORM_API void ClearMessageBoxes();
// The answer MessageBoxA returns; 0 (the default) means the box's default
// button (MB_DEFBUTTON1..4 of the box type).
KESTU_PLATFORM_API void SetMessageBoxAnswer(int answer);
KESTU_PLATFORM_API std::vector<UINT> GetMessageBeeps();
KESTU_PLATFORM_API void ClearMessageBeeps();

// ---- Registry ----
// Paths use '\' between keys and compare without regard to case.
KESTU_PLATFORM_API void SetRegistryValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                                         const std::vector<uint8_t>& data);
KESTU_PLATFORM_API void SetRegistryString(HKEY root, const std::string& subKey, const std::string& name,
                                          const std::string& value);
KESTU_PLATFORM_API void SetRegistryDword(HKEY root, const std::string& subKey, const std::string& name, DWORD value);
KESTU_PLATFORM_API void DeleteRegistryValue(HKEY root, const std::string& subKey, const std::string& name);
// Removes every value, including the defaults.
KESTU_PLATFORM_API void ClearRegistry();

// ---- Modules and raw-data resources ----
// A module is found by LoadLibraryA through its name (compared without
// regard to case; a name without extension gets ".dll"; a path matches by
// its last component when the whole path is not registered).
KESTU_PLATFORM_API void RegisterModule(const std::string& name);
// Resource names and types are integer ids (MAKEINTRESOURCE) or strings.
KESTU_PLATFORM_API void RegisterResource(const std::string& module, LPCSTR type, LPCSTR name,
                                         const std::vector<uint8_t>& bytes);
KESTU_PLATFORM_API void RegisterProc(const std::string& module, const std::string& procName, FARPROC proc);
KESTU_PLATFORM_API void UnregisterModule(const std::string& name);

// ---- Version ----
// The record GetVersionExA reports (the size field is ignored).
KESTU_PLATFORM_API void SetVersionRecord(const OSVERSIONINFOEXA& version);
KESTU_PLATFORM_API OSVERSIONINFOEXA GetVersionRecord();
// The processor type GetSystemInfo reports (PROCESSOR_INTEL_486 ...); 0
// restores the default.
KESTU_PLATFORM_API void SetProcessorType(DWORD type);

// ---- COM classes ----
using ComFactory = std::function<HRESULT(LPUNKNOWN outer, REFIID iid, void** object)>;
KESTU_PLATFORM_API void RegisterComClass(REFCLSID clsid, ComFactory factory);
KESTU_PLATFORM_API void UnregisterComClass(REFCLSID clsid);

// ---- Clock (timeGetTime, GetTickCount, QueryPerformanceCounter) ----
// A fixed clock stands still until set or advanced; Sleep advances it.
KESTU_PLATFORM_API void SetClock(DWORD milliseconds);
KESTU_PLATFORM_API void AdvanceClock(DWORD milliseconds);
KESTU_PLATFORM_API void UseRealClock();

// ---- Cursor ----
KESTU_PLATFORM_API void SetCursorPosition(int x, int y);
KESTU_PLATFORM_API POINT GetCursorPosition();
KESTU_PLATFORM_API int GetCursorShowCount();
KESTU_PLATFORM_API HCURSOR GetCurrentCursor();

// ---- System metrics ----
KESTU_PLATFORM_API void SetScreenSize(int width, int height);
KESTU_PLATFORM_API void SetSystemMetric(int index, int value);

} // namespace host
