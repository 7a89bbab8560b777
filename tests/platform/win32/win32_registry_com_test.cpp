#include <gtest/gtest.h>

#include "host/host_win32.h"
#include "windows.h"

namespace {

class Win32RegistryCom : public ::testing::Test {
protected:
    void SetUp() override { host::ResetWin32(); }
    void TearDown() override { host::ResetWin32(); }
};

TEST_F(Win32RegistryCom, ProductTypeIsReadableByDefault)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                            KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    char value[80];
    DWORD size = sizeof(value), type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "ProductType", nullptr, &type, reinterpret_cast<LPBYTE>(value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(_stricmp(value, "WINNT"), 0);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(Win32RegistryCom, ValuesSizesAndMissingKeys)
{
    host::SetRegistryString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType",
                            "SERVERNT");
    host::SetRegistryDword(HKEY_CURRENT_USER, "Software/Kestu", "Level", 0x01020304);

    HKEY parent = nullptr, key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, &parent), ERROR_SUCCESS)
        << "a key with values below it exists";
    ASSERT_EQ(RegOpenKeyExA(parent, "KESTU", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD level = 0, size = sizeof(level), type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "level", nullptr, &type, reinterpret_cast<LPBYTE>(&level), &size), ERROR_SUCCESS);
    EXPECT_EQ(level, 0x01020304u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    HKEY po = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\control\\productoptions", 0, KEY_READ, &po),
              ERROR_SUCCESS);
    char small[4];
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueExA(po, "ProductType", nullptr, nullptr, reinterpret_cast<LPBYTE>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);
    size = 0;
    EXPECT_EQ(RegQueryValueExA(po, "ProductType", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(RegQueryValueExA(po, "Nope", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    HKEY none = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x77), "x", 0, KEY_READ, &none), ERROR_INVALID_HANDLE);
    RegCloseKey(parent);
    RegCloseKey(key);
    RegCloseKey(po);

    host::ClearRegistry();
    EXPECT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_READ, &none),
        ERROR_FILE_NOT_FOUND);
}

DEFINE_GUID(CLSID_TestThing, 0x12345678, 0x1111, 0x2222, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA);

struct Thing : IUnknown {
    ULONG refs = 1;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override
    {
        ULONG r = --refs;
        if (r == 0) delete this;
        return r;
    }
};

TEST_F(Win32RegistryCom, ComCreatesOnlyRegisteredClassesAfterInitialisation)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);

    host::RegisterComClass(CLSID_TestThing, [](LPUNKNOWN outer, REFIID, void** out) -> HRESULT {
        if (outer) return CLASS_E_NOAGGREGATION;
        *out = static_cast<IUnknown*>(new Thing);
        return S_OK;
    });
    ASSERT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u);
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);

    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
}

} // namespace
