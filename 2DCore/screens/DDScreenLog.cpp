#include "2DCore/screens/DDScreenLog.h"

namespace kestu2d {

namespace {

struct ResultText {
    HRESULT hr;
    const char* text;
};

template <size_t N>
const char* Find(const ResultText (&table)[N], HRESULT hr)
{
    for (const ResultText& r : table)
        if (r.hr == hr) return r.text;
    return nullptr;
}

} // namespace

const char* CooperativeResultText(HRESULT hr)
{
    static const ResultText table[] = {
        {DD_OK, "SetCooperativeLevel:DD_OK \n"},
        {DDERR_HWNDALREADYSET, "SetCooperativeLevel:DDERR_HWNDALREADYSET \n"},
        {DDERR_EXCLUSIVEMODEALREADYSET, "SetCooperativeLevel:DDERR_EXCLUSIVEMODEALREADYSET\n "},
        {DDERR_HWNDSUBCLASSED, "SetCooperativeLevel:DDERR_HWNDSUBCLASSED\n "},
        {DDERR_OUTOFMEMORY, "SetCooperativeLevel:DDERR_OUTOFMEMORY\n "},
        {DDERR_INVALIDPARAMS, "SetCooperativeLevel:DDERR_INVALIDPARAMS\n "},
        {DDERR_INVALIDOBJECT, "SetCooperativeLevel:DDERR_INVALIDOBJECT\n "},
    };
    return Find(table, hr);
}

const char* DisplayModeResultText(HRESULT hr)
{
    static const ResultText table[] = {
        {DD_OK, "SetDisplayMode:DD_OK \n"},
        {DDERR_GENERIC, "SetDisplayMode:DDERR_GENERIC \n"},
        {DDERR_UNSUPPORTED, "SetDisplayMode:DDERR_UNSUPPORTED \n"},
        {DDERR_INVALIDOBJECT, "SetDisplayMode:DDERR_INVALIDOBJECT \n"},
        {DDERR_INVALIDMODE, "SetDisplayMode:DDERR_INVALIDMODE \n"},
        {DDERR_LOCKEDSURFACES, "SetDisplayMode:DDERR_LOCKEDSURFACES \n"},
        {DDERR_SURFACEBUSY, "SetDisplayMode:DDERR_SURFACEBUSY \n"},
        {DDERR_NOEXCLUSIVEMODE, "SetDisplayMode:DDERR_NOEXCLUSIVEMODE \n"},
        {DDERR_WASSTILLDRAWING, "SetDisplayMode:DDERR_WASSTILLDRAWING \n"},
        {DDERR_UNSUPPORTEDMODE, "SetDisplayMode:DDERR_UNSUPPORTEDMODE \n"},
    };
    return Find(table, hr);
}

const char* RestoreResultText(HRESULT hr)
{
    static const ResultText table[] = {
        {DDERR_LOCKEDSURFACES, "Restore: DDERR_LOCKEDSURFACES\n"},
        {DDERR_INVALIDOBJECT, "Restore: DDERR_INVALIDOBJECT\n"},
        {DDERR_INVALIDPARAMS, "Restore: DDERR_INVALIDPARAMS\n"},
        {DDERR_NOEXCLUSIVEMODE, "Restore: DDERR_NOEXCLUSIVEMODE\n"},
    };
    return Find(table, hr);
}

} // namespace kestu2d
