// Raw-data resources kept in separate modules and addressed by one global
// number: a resource library, one loaded module, and a set of modules.
#pragma once
#include <windows.h>

#include "kestu_export.h"

class KESTU_API CResLib {
public:
    CResLib() { m_szPath[0] = '\0'; }
    virtual ~CResLib() {}
    virtual BOOL Build(const char* path) { return 1; }
    virtual void Clean() {}
    virtual void* GetRes(DWORD id) { return nullptr; }

protected:
    char m_szPath[520];
};

class KESTU_API CWinResLib : public CResLib {
public:
    CWinResLib() {}
    explicit CWinResLib(const char* path) { Reset(path); }
    // A copy names the same module but does not free it: only the object that
    // loaded a module frees it.
    CWinResLib(const CWinResLib& other);
    CWinResLib& operator=(const CWinResLib& other);
    ~CWinResLib() override;

    virtual BOOL Reset(const char* path);
    void* GetRes(DWORD id) override;
    DWORD GetResSize(DWORD id);
    void FreeLib();
    void ReloadLib();
    BOOL IsAvailable() const { return m_bLoaded; }
    const char* GetPath() const { return m_szPath; }

private:
    HRSRC Find(DWORD id) const;

    HMODULE m_hModule = nullptr;
    BOOL m_bLoaded = FALSE;
    bool m_bOwnsModule = false;
};

class KESTU_API CGfxRes {
public:
    CGfxRes() {}
    CGfxRes(const CGfxRes&) = delete;
    CGfxRes& operator=(const CGfxRes&) = delete;
    ~CGfxRes() { Release(); }

    HRESULT Build(DWORD count, const char* const* paths, DWORD idsPerLib, DWORD number);
    void Release();
    BOOL IsBuild() const { return m_pLibs != nullptr; }

    // Null (or 0) for an unbuilt set or an id beyond the last module.
    void* GetRes(DWORD id);
    DWORD GetResSize(DWORD id);
    void AbsLib(int on) { m_bAbsLib = on; }
    void SetAbsLib(DWORD index) { m_dwAbsLib = index; }
    void SetResLib(const char* path, DWORD index);
    void ReLoadLib(DWORD index);
    void FreeLib(DWORD index);

private:
    DWORD m_dwNumber = 100000;
    DWORD m_dwIdsPerLib = 100000;
    DWORD m_dwCount = 0;
    CWinResLib* m_pLibs = nullptr;
    BOOL m_bAbsLib = FALSE;
    DWORD m_dwAbsLib = 0;
};
