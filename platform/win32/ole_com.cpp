// COM start-up and object creation over classes the host registers.
#include <mutex>
#include <utility>
#include <vector>

#include "host/host_win32.h"
#include "win32/win32_common.h"

namespace {

struct ComState {
    std::mutex mutex;
    int initCount = 0;
    std::vector<std::pair<CLSID, host::ComFactory>> classes;
};

ComState& Com()
{
    static ComState state;
    return state;
}

} // namespace

extern "C" {

HRESULT CoInitializeEx(LPVOID, DWORD)
{
    std::lock_guard<std::mutex> lock(Com().mutex);
    return Com().initCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize()
{
    std::lock_guard<std::mutex> lock(Com().mutex);
    if (Com().initCount > 0) Com().initCount--;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, LPVOID* object)
{
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    host::ComFactory factory;
    {
        std::lock_guard<std::mutex> lock(Com().mutex);
        if (Com().initCount == 0) return CO_E_NOTINITIALIZED;
        for (auto& [id, f] : Com().classes)
            if (id == clsid) factory = f;
    }
    if (!factory) return REGDB_E_CLASSNOTREG;
    HRESULT hr = factory(outer, iid, object);
    if (FAILED(hr)) *object = nullptr;
    return hr;
}

} // extern "C"

namespace host {

void RegisterComClass(REFCLSID clsid, ComFactory factory)
{
    std::lock_guard<std::mutex> lock(Com().mutex);
    auto& classes = Com().classes;
    std::erase_if(classes, [&](const auto& c) { return c.first == clsid; });
    classes.emplace_back(clsid, std::move(factory));
}

void UnregisterComClass(REFCLSID clsid)
{
    std::lock_guard<std::mutex> lock(Com().mutex);
    std::erase_if(Com().classes, [&](const auto& c) { return c.first == clsid; });
}

} // namespace host

namespace kestu::platform::win32 {

void ResetCom()
{
    std::lock_guard<std::mutex> lock(Com().mutex);
    Com().classes.clear();
    Com().initCount = 0;
}

} // namespace kestu::platform::win32
