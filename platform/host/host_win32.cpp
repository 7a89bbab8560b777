// Host control of the win32 stand-in: reset and window listing.
#include "host/host_win32.h"
#include "win32/user_state.h"
#include "win32/win32_common.h"

namespace host {

void ResetWin32()
{
    using namespace kestu::platform::win32;
    ResetUser();
    ResetDialogs();
    ResetDebugOutput();
    ResetRegistry();
    ResetModules();
    ResetVersion();
    ResetCom();
    ResetClock();
    srand(1);
}

std::vector<HWND> ListWindows()
{
    using namespace kestu::platform::win32;
    std::vector<HWND> out;
    UserState& u = User();
    for (auto& [h, w] : u.windows)
        if (h != u.desktop) out.push_back(h);
    return out;
}

bool ReadWindowPixels(HWND hwnd, WindowPixels* out)
{
    kestu::platform::WindowStore* store = kestu::platform::GetWindowStore(hwnd);
    if (store == nullptr || out == nullptr) return false;
    out->width = store->width;
    out->height = store->height;
    out->pixels = store->pixels;
    return true;
}

} // namespace host
