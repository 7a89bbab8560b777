#include "kestu_reslib.h"

#include <new>

#include "kestu_log.h"
#include "ou_strings.h"

CWinResLib::CWinResLib(const CWinResLib& other) : CResLib(other), m_hModule(other.m_hModule), m_bLoaded(other.m_bLoaded)
{
}

CWinResLib& CWinResLib::operator=(const CWinResLib& other)
{
    if (this != &other) {
        FreeLib();
        CResLib::operator=(other);
        m_hModule = other.m_hModule;
        m_bLoaded = other.m_bLoaded;
        m_bOwnsModule = false;
    }
    return *this;
}

CWinResLib::~CWinResLib() { FreeLib(); }

BOOL CWinResLib::Reset(const char* path)
{
    if (!path) return 0;
    if (m_bLoaded) return 1;
    OU_SafeStrCpy(m_szPath, sizeof(m_szPath), path);
    FreeLib();
    m_hModule = LoadLibraryA(m_szPath);
    m_bLoaded = m_hModule != nullptr;
    m_bOwnsModule = m_bLoaded;
    return m_bLoaded;
}

void CWinResLib::FreeLib()
{
    if (m_hModule && m_bOwnsModule) FreeLibrary(m_hModule);
    m_hModule = nullptr;
    m_bLoaded = FALSE;
    m_bOwnsModule = false;
}

void CWinResLib::ReloadLib()
{
    if (!m_bLoaded) Reset(m_szPath);
}

HRSRC CWinResLib::Find(DWORD id) const
{
    if (!m_hModule) return nullptr;
    return FindResourceA(m_hModule, MAKEINTRESOURCEA(id & 0xFFFF), RT_RCDATA);
}

void* CWinResLib::GetRes(DWORD id)
{
    HRSRC res = Find(id);
    if (!res) return nullptr;
    HGLOBAL data = LoadResource(m_hModule, res);
    if (!data) return nullptr;
    return LockResource(data);
}

DWORD CWinResLib::GetResSize(DWORD id)
{
    HRSRC res = Find(id);
    return res ? SizeofResource(m_hModule, res) : 0;
}

HRESULT CGfxRes::Build(DWORD count, const char* const* paths, DWORD idsPerLib, DWORD number)
{
    if (count == 0 || !paths || idsPerLib == 0) return KESTUERR_INVALIDPARAM;
    Release();
    CWinResLib* libs = new (std::nothrow) CWinResLib[count];
    if (!libs) return E_OUTOFMEMORY;
    for (DWORD i = 0; i < count; ++i) {
        if (!libs[i].Reset(paths[i])) {
            delete[] libs;
            return KESTUERR_FILEOPEN;
        }
    }
    m_pLibs = libs;
    m_dwCount = count;
    m_dwIdsPerLib = idsPerLib;
    m_dwNumber = number;
    return 0;
}

void CGfxRes::Release()
{
    delete[] m_pLibs;
    m_pLibs = nullptr;
    m_dwCount = 0;
    m_bAbsLib = FALSE;
    m_dwAbsLib = 0;
    m_dwNumber = 100000;
    m_dwIdsPerLib = 100000;
}

void* CGfxRes::GetRes(DWORD id)
{
    if (!m_pLibs) return nullptr;
    const DWORD index = m_bAbsLib ? m_dwAbsLib : id / m_dwIdsPerLib;
    if (index >= m_dwCount) return nullptr;
    CWinResLib& lib = m_pLibs[index];
    if (!lib.IsAvailable()) lib.ReloadLib();
    return lib.GetRes(id % m_dwIdsPerLib);
}

DWORD CGfxRes::GetResSize(DWORD id)
{
    if (!m_pLibs) return 0;
    const DWORD index = id / m_dwIdsPerLib;
    if (index >= m_dwCount) return 0;
    return m_pLibs[index].GetResSize(id % m_dwIdsPerLib);
}

void CGfxRes::SetResLib(const char* path, DWORD index)
{
    if (m_pLibs && index < m_dwCount) m_pLibs[index].Reset(path);
}

void CGfxRes::ReLoadLib(DWORD index)
{
    if (m_pLibs && index < m_dwCount) m_pLibs[index].ReloadLib();
}

void CGfxRes::FreeLib(DWORD index)
{
    if (m_pLibs && index < m_dwCount) m_pLibs[index].FreeLib();
}
