// Host control of the win32 stand-in: window pixels, captured debug output
// and message boxes, registry values, modules and their resources, the
// version record, COM classes, clock, cursor and screen size.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "windows.h"

namespace host {

// Restores every default of the stand-in: destroys all windows and classes,
// empties the message queue, the captures, the registry, the modules and
// COM classes the host added, and the overrides below; the calling thread's
// rand() starts again from seed 1.
void ResetWin32();

// ---- Window pixels ----
struct WindowPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;   // X8R8G8B8, top-down, pitch = width
};
// False when the handle is not a window.
bool ReadWindowPixels(HWND hwnd, WindowPixels* out);
// Saves the window's pixels as an 8-bit RGB PNG; false on any failure.
bool SaveWindowPng(HWND hwnd, const std::string& path);
// Saves any X8R8G8B8 pixels as PNG (used for failing rendering tests too).
bool SavePixelsPng(const WindowPixels& pixels, const std::string& path);
// Every live window, in creation order.
std::vector<HWND> ListWindows();

// ---- Debug output ----
std::vector<std::string> GetDebugOutput();   // one entry per OutputDebugStringA call
std::string GetDebugOutputText();            // all entries joined
void ClearDebugOutput();

// ---- Message boxes and beeps ----
struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;
    std::string caption;   // "Error" when the caller passed none
    UINT type = 0;
    int answer = 0;        // what MessageBoxA returned
};
std::vector<MessageBoxRecord> GetMessageBoxes();
void ClearMessageBoxes();
// The answer MessageBoxA returns; 0 (the default) means the box's default
// button (MB_DEFBUTTON1..4 of the box type).
void SetMessageBoxAnswer(int answer);
std::vector<UINT> GetMessageBeeps();
void ClearMessageBeeps();

// ---- Registry ----
// Paths use '\' between keys and compare without regard to case.
void SetRegistryValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                      const std::vector<uint8_t>& data);
void SetRegistryString(HKEY root, const std::string& subKey, const std::string& name,
                       const std::string& value);
void SetRegistryDword(HKEY root, const std::string& subKey, const std::string& name, DWORD value);
void DeleteRegistryValue(HKEY root, const std::string& subKey, const std::string& name);
// Removes every value, including the defaults.
void ClearRegistry();

// ---- Modules and raw-data resources ----
// A module is found by LoadLibraryA through its name (compared without
// regard to case; a name without extension gets ".dll"; a path matches by
// its last component when the whole path is not registered).
void RegisterModule(const std::string& name);
// Resource names and types are integer ids (MAKEINTRESOURCE) or strings.
void RegisterResource(const std::string& module, LPCSTR type, LPCSTR name, const std::vector<uint8_t>& bytes);
void RegisterProc(const std::string& module, const std::string& procName, FARPROC proc);
void UnregisterModule(const std::string& name);

// ---- Version ----
// The record GetVersionExA reports (the size field is ignored).
void SetVersionRecord(const OSVERSIONINFOEXA& version);
OSVERSIONINFOEXA GetVersionRecord();
// The processor type GetSystemInfo reports (PROCESSOR_INTEL_486 ...); 0
// restores the default.
void SetProcessorType(DWORD type);

// ---- COM classes ----
using ComFactory = std::function<HRESULT(LPUNKNOWN outer, REFIID iid, void** object)>;
void RegisterComClass(REFCLSID clsid, ComFactory factory);
void UnregisterComClass(REFCLSID clsid);

// ---- Clock (timeGetTime, GetTickCount, QueryPerformanceCounter) ----
// A fixed clock stands still until set or advanced; Sleep advances it.
void SetClock(DWORD milliseconds);
void AdvanceClock(DWORD milliseconds);
void UseRealClock();

// ---- Cursor ----
void SetCursorPosition(int x, int y);
POINT GetCursorPosition();
int GetCursorShowCount();
HCURSOR GetCurrentCursor();

// ---- System metrics ----
void SetScreenSize(int width, int height);
void SetSystemMetric(int index, int value);

} // namespace host
