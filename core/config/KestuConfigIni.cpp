#include "kestu_config.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <ou_strings.h>

namespace {

constexpr DWORD kValueSize = KESTU_PATH_SIZE;

// The profile functions look for a bare file name in the system folder; the
// existence test looks in the working folder. Give both the same file.
std::string ProfilePath(const char* file)
{
    if (std::strchr(file, '\\') || std::strchr(file, '/') || std::strchr(file, ':')) return file;
    return std::string(".\\") + file;
}

bool FileIsReadable(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    fclose(f);
    return true;
}

// atoi and atol of a 32-bit C runtime, saturating instead of overflowing.
int32_t ToInt32(const char* s)
{
    const long long v = std::strtoll(s, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

bool StartsWithDigit(const char* s) { return s[0] >= '0' && s[0] <= '9'; }

class IniSection {
public:
    IniSection(const std::string& path, const char* section) : m_path(path), m_section(section) {}

    const char* Read(const char* key, const char* def)
    {
        m_value[0] = '\0';
        GetPrivateProfileStringA(m_section, key, def, m_value, kValueSize, m_path.c_str());
        m_value[kValueSize - 1] = '\0';
        return m_value;
    }

    // A number is taken only when the value starts with a digit.
    template <typename T>
    void ReadNumber(const char* key, T& field, const char* def = "unknown")
    {
        const char* v = Read(key, def);
        if (StartsWithDigit(v)) field = static_cast<T>(ToInt32(v));
    }

private:
    const std::string& m_path;
    const char* m_section;
    char m_value[kValueSize];
};

DWORD SwapEffectFromIni(const char* v)
{
    if (StartsWithDigit(v)) {
        const int32_t n = ToInt32(v);
        if (n >= 1 && n <= 4) return static_cast<DWORD>(n);
    }
    return 1;
}

DWORD PresentationIntervalFromIni(const char* v)
{
    if (StartsWithDigit(v)) {
        switch (ToInt32(v)) {
        case 0: return 0;
        case 1: return 1;
        case 2: return 2;
        case 3: return 4;
        case 4: return 8;
        default: break;
        }
    }
    return 0x80000000u;
}

} // namespace

BOOL KESTU_CONFIG::LoadFromIni(const char* file, const char* section)
{
    if (!file || !section) return FALSE;
    const std::string path = ProfilePath(file);
    if (!FileIsReadable(path)) return FALSE;

    IniSection ini(path, section);
    ini.ReadNumber("eResolution", eResolution);
    ini.ReadNumber("eLogLevel", eLogLevel);
    ini.ReadNumber("bBackBufferLockable", bBackBufferLockable);
    ini.ReadNumber("bUseDepthBuffer", bUseDepthBuffer);
    SwapEffect = SwapEffectFromIni(ini.Read("SwapEffect", "unknown"));
    ini.ReadNumber("dwMinDepthBits", dwMinDepthBits);
    ini.ReadNumber("dwMinStencilBits", dwMinStencilBits);
    PresentationInterval = PresentationIntervalFromIni(ini.Read("PresentationInterval", "unknown"));
    ini.ReadNumber("eHowToCreateDevice", eHowToCreateDevice);
    ini.ReadNumber("bMultiThreaded", bMultiThreaded);
    ini.ReadNumber("bAllowPureDevice", bAllowPureDevice);
    ini.ReadNumber("bErrMsgBoxEnabled", bErrMsgBoxEnabled);
    ini.ReadNumber("bWindowed", bWindowed);
    rcRender.left = ToInt32(ini.Read("RenderRectLeft", "0"));
    rcRender.top = ToInt32(ini.Read("RenderRectTop", "0"));
    rcRender.right = ToInt32(ini.Read("RenderRectRight", "0"));
    rcRender.bottom = ToInt32(ini.Read("RenderRectBottom", "0"));
    ini.ReadNumber("bRenderRectEnabled", bRenderRectEnabled, "0");
    OU_SafeStrCpy(szWindowTitle, sizeof szWindowTitle, ini.Read("szWindowTitle", "Kestu Application"));
    return TRUE;
}
