// Host control of the DirectDraw and GDI stand-ins.
#include "host/host_ddraw.h"

#include "ddraw/ddraw_objects.h"
#include "ddraw/ddraw_screen.h"
#include "gdi/gdi_display.h"

using kestu::platform::ddraw::Screen;
using kestu::platform::ddraw::SurfaceImpl;
namespace display = kestu::platform::display;

namespace host {

void SetDesktopMode(const DisplayModeDesc& mode) { display::SetDesktopMode(mode); }
void SetAvailableModes(const std::vector<DisplayModeDesc>& modes) { display::SetAvailableModes(modes); }
void SetDisplay16Bit555(bool use555) { display::Set16Bit555(use555); }

DisplayModeDesc GetCurrentMode()
{
    const display::Mode& m = display::Current();
    return DisplayModeDesc{m.width, m.height, m.bits};
}

void SetPrimaryGammaCap(bool available) { Screen::Get().SetGammaCap(available); }
void SetVideoMemory(uint32_t bytes) { Screen::Get().SetVideoTotal(bytes); }
void LoseAllSurfaces() { Screen::Get().LoseAll(); }

void LoseSurface(IDirectDrawSurface4* surface)
{
    SurfaceImpl* s = SurfaceImpl::From(surface);
    if (s != nullptr && Screen::Get().surfaces().count(s) != 0) s->SetLost();
}

void InjectResult(DDrawCall call, HRESULT result, int times) { Screen::Get().Inject(call, result, times); }

std::vector<uint32_t> ReadScreen(int* width, int* height) { return Screen::Get().Shown(width, height); }

void ResetDDraw()
{
    Screen::Get().ResetHost();
    display::ResetDisplay();
    display::ResetSystemPalette();
}

} // namespace host
